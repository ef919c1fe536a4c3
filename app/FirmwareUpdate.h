#pragma once

#include "DeviceError.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <string>
#include <thread>

// Texts of the firmware update as the operator reads them.
inline constexpr const char* kFirmwareInProgressText =
    "Firmware upload is in progress.\n\n"
    "Please do not close the application or disconnect the device from the power source.";
// What the result's code means for the operator: success, the upload itself failed (file,
// the device's answer or its absence), or the device was not reached.
QString FirmwareResultText(uint32_t resultCode);

// The device restarts when an upload ends: nothing else may start on it meanwhile.
inline constexpr const char* kCaptureDuringFirmwareUploadText =
    "A capture cannot start while a firmware upload is running. Please wait until it has ended.";
// "<action> is not possible while a firmware upload is running. ..."
QString NotDuringFirmwareUploadText(const QString& action);

// One firmware upload at a time over a device connection of its own: connects, uploads and
// disconnects on a worker thread, and reports on the thread that owns this object.
class FirmwareUpdate : public QObject {
    Q_OBJECT

public:
    explicit FirmwareUpdate(QObject* parent = nullptr);
    // Joins a worker still running, which blocks; owners wait with WaitUntilEnded first.
    ~FirmwareUpdate() override;

    // Starts uploading the file at `path` to the device at host:port; false when an upload
    // runs already.
    bool Start(const std::string& host, uint16_t port, const QString& path);
    bool IsRunning() const { return running; }
    // Runs the event loop until the running upload has ended, so that whatever shows its
    // progress stays painted and answering. Returns at once when none runs.
    void WaitUntilEnded();

signals:
    // Whole percent of the file sent.
    void progressChanged(int percent);
    // Connect's result when it failed, else the upload's.
    void finished(const quorvel::DeviceError& result);

private:
    void Finish(const quorvel::DeviceError& result);

    bool running = false;
    std::thread worker;
    std::string host;
    uint16_t port = 0;
    QString path;
};
