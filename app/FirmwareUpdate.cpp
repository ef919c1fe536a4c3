#include "FirmwareUpdate.h"

#include "AppLog.h"

#include "Device.h"

#include <QEventLoop>
#include <QFileInfo>

#include <atomic>
#include <memory>

QString FirmwareResultText(uint32_t resultCode)
{
    switch (resultCode) {
    case quorvel::DeviceError::OK:
        return QStringLiteral("Firmware successfully uploaded!\n\n"
                              "Please wait for the device to restart. This may take several minutes");
    // Everything the upload itself reports: unreadable file, an error answer, no answer.
    case quorvel::DeviceError::RESPONSE_ERROR:
        return QStringLiteral("open Firmware failed!");
    default:
        return QStringLiteral("Firmware upload failed!");
    }
}

QString NotDuringFirmwareUploadText(const QString& action)
{
    return action
        + QStringLiteral(" is not possible while a firmware upload is running. Please wait until it has ended.");
}

FirmwareUpdate::FirmwareUpdate(QObject* parent)
    : QObject(parent)
{
}

FirmwareUpdate::~FirmwareUpdate()
{
    if (worker.joinable()) {
        qCWarning(lcDevice) << "Waiting for the firmware upload to end before the program goes";
        worker.join();
    }
}

bool FirmwareUpdate::Start(const std::string& newHost, uint16_t newPort, const QString& newPath)
{
    if (running) {
        return false;
    }
    running = true;
    host = newHost;
    port = newPort;
    path = newPath;
    qCDebug(lcDevice).noquote() << QStringLiteral("Firmware File: ") + path;
    worker = std::thread([this, address = newHost, portNumber = newPort, file = newPath.toStdString()] {
        // Called on the device's I/O thread; only whole-percent steps reach the owner's thread.
        auto shownPercent = std::make_shared<std::atomic<int>>(0);
        const quorvel::Device::SendProgress progress = [this, shownPercent](uint64_t sent, uint64_t total) {
            const int percent = total == 0 ? 100 : static_cast<int>(sent * 100 / total);
            if (shownPercent->exchange(percent) != percent) {
                QMetaObject::invokeMethod(
                    this, [this, percent] { emit progressChanged(percent); }, Qt::QueuedConnection);
            }
        };
        quorvel::DeviceError result;
        {
            quorvel::Device device;
            result = device.Connect(address, portNumber);
            if (!result.failed()) {
                result = device.UploadFirmware(file, progress);
                device.Disconnect();
            }
        }
        // The last thing the worker does, so joining it there does not wait.
        QMetaObject::invokeMethod(
            this, [this, result] { Finish(result); }, Qt::QueuedConnection);
    });
    return true;
}

void FirmwareUpdate::Finish(const quorvel::DeviceError& result)
{
    worker.join();
    running = false;
    qCInfo(lcDevice).noquote() << "Firmware update of"
                               << QString::fromStdString(host) + QLatin1Char(':') + QString::number(port) << "with"
                               << QFileInfo(path).fileName()
                               << QStringLiteral("(%1 bytes):").arg(QFileInfo(path).size())
                               << FirmwareResultText(result.code).section(QLatin1Char('\n'), 0, 0)
                               << (result.failed() ? QString::fromStdString(result.message) : QString());
    emit finished(result);
}

void FirmwareUpdate::WaitUntilEnded()
{
    if (!running) {
        return;
    }
    QEventLoop loop;
    connect(this, &FirmwareUpdate::finished, &loop, &QEventLoop::quit);
    loop.exec();
}
