#pragma once

#include "AppSettings.h"
#include "DeviceError.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QMetaType>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

class QTimer;
class SettingsDeviceRelay;

namespace Ui {
class SettingsDialog;
}

// Carried by authRequested; declared so that the signal also works queued and in spies.
Q_DECLARE_METATYPE(std::string)

// The settings dialog. It owns the settings record, loads it at construction, writes it to
// the settings file whenever a change is applied, authenticates through its owner and
// uploads firmware over a device connection of its own.
class DialogSettings : public QDialog {
    Q_OBJECT

public:
    // The file and folder choosers the dialog opens. Tests replace them to answer without
    // a user; by default they are the QFileDialog ones.
    struct Choosers {
        // (parent, caption, start directory, filter) -> chosen file, or a null string when
        // cancelled.
        std::function<QString(QWidget*, const QString&, const QString&, const QString&)> openFile;
        // (parent, caption, start directory) -> chosen directory, or an empty string when
        // cancelled. Directories only.
        std::function<QString(QWidget*, const QString&, const QString&)> existingDirectory;
    };
    static Choosers NativeChoosers();

    // `relay` is not owned and may be null (then no device is ever reported).
    DialogSettings(QWidget* parent, SettingsDeviceRelay* relay);
    ~DialogSettings() override;

    // The live record; only this dialog writes it.
    const AppSettings& settings() const { return appSettings; }
    bool AnySaveOptionEnabled() const;

    // Asks the relay for the device's current access group and shows it. The configured
    // group is not touched: it changes only with the key the operator chooses or clears.
    void RefreshAuthGroup();
    // The device address of this session when the command line named one; the firmware
    // update uses it instead of the stored address, which stays as it is.
    void SetSessionDeviceAddress(const std::string& host, uint16_t port);

    void setChoosers(Choosers replacement);

signals:
    void authRequested(std::string authGroup, std::string privateKeyFile);

public slots:
    void OkClicked();
    void CancelClicked();
    void CheckSettings();
    void BrowseFwPath();
    void UpdateFirmware();
    void BrowsePrivKeyFile();
    void clearPrivKey();
    void UpdateBaseDir();

private:
    void LoadSettings();
    void StoreSettings();
    void ApplyToControls();
    // Runs on the UI thread once the upload worker is done.
    void FinishFirmwareUpdate(const quorvel::DeviceError& result, const std::string& host, uint16_t port,
                              const QString& path);
    void HideFirmwareStatusWhenDue();
    // "Update Firmware" is usable with a file chosen and no upload running.
    void EnableFirmwareUpload();

    AppSettings appSettings;
    SettingsDeviceRelay* relay;
    std::unique_ptr<Ui::SettingsDialog> ui;
    Choosers choosers;
    // Hides the firmware status label a while after an update; a child, so it ends with
    // the dialog.
    QTimer* fwLabelHideTimer;
    // Since the result of the last update was shown.
    QElapsedTimer fwResultShown;
    bool firmwareUpdateRunning = false;
    // Connects, uploads and disconnects off the UI thread; joined before the dialog goes.
    std::thread firmwareWorker;
    std::string sessionDeviceHost;
    uint16_t sessionDevicePort = 0;
};
