#pragma once

#include "AppSettings.h"
#include "DeviceError.h"
#include "SettingControls.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QMetaType>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct AuthKey;
class FirmwareUpdate;
class KeyAuthentication;
class QTimer;
class SettingsDeviceRelay;

namespace Ui {
class SettingsDialog;
}

// Carried by authRequested; declared so that the signal also works queued and in spies.
Q_DECLARE_METATYPE(std::string)

// The settings dialog. It owns the settings record, loads it at construction and writes it
// to the settings file whenever a change is applied; its controls follow the settings
// table. It owns and wires the authentication with the operator's key and the firmware
// update over a device connection of its own.
class DialogSettings : public QDialog {
    Q_OBJECT

public:
    // What the dialog asks the operator outside its own controls. Tests replace these to
    // answer without a user; by default they are QFileDialog's choosers and a message box.
    struct Choosers {
        // (parent, caption, start directory, filter) -> chosen file, or a null string when
        // cancelled.
        std::function<QString(QWidget*, const QString&, const QString&, const QString&)> openFile;
        // (parent, caption, start directory) -> chosen directory, or an empty string when
        // cancelled. Directories only.
        std::function<QString(QWidget*, const QString&, const QString&)> existingDirectory;
        // (parent) -> true to close the program once the running firmware upload has ended,
        // false to keep it open.
        std::function<bool(QWidget*)> closeAfterUpload;
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
    // Whether a capture run owns the device now; the dialog's device actions are refused
    // while it says so. Without one no run is ever assumed.
    void SetCaptureRunningQuery(std::function<bool()> query);

    bool IsFirmwareUploadRunning() const;
    // Whether the program may close now. During a firmware upload the dialog shows the
    // upload's progress and asks the operator: to close when it is done waits, with events
    // running, until the upload has ended and then says yes; to wait says no at once, as
    // does a second request while the first one waits.
    bool WaitForFirmwareUploadBeforeClosing();

    void setChoosers(Choosers replacement);

signals:
    void authRequested(std::string authGroup, std::string privateKeyFile);
    void firmwareUploadStarted();
    void firmwareUploadFinished();

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
    // What the app creates from now on is readable by the owner alone or by the group too,
    // as the record says.
    void FollowResultsReaders() const;
    // True, after saying so in a box, when a capture run or (with `uploadToo`) the firmware
    // upload uses the device now.
    bool RefusedWhileDeviceBusy(const QString& action, bool uploadToo) const;
    void UseKey(const AuthKey& key);
    void ShowFirmwareProgress(int percent);
    void FinishFirmwareUpdate(const quorvel::DeviceError& result);
    void HideFirmwareStatusWhenDue();

    AppSettings appSettings;
    std::unique_ptr<Ui::SettingsDialog> ui;
    std::vector<SettingControl> controls;
    Choosers choosers;
    std::function<bool()> captureRunning;
    KeyAuthentication* authentication;
    FirmwareUpdate* firmware;
    // Hides the firmware status label a while after an update; a child, so it ends with
    // the dialog.
    QTimer* fwLabelHideTimer;
    // Since the result of the last update was shown.
    QElapsedTimer fwResultShown;
    // The program closes once the running upload has ended.
    bool closingAfterUpload = false;
    std::string sessionDeviceHost;
    uint16_t sessionDevicePort = 0;
};
