// The firmware update from the settings dialog, against the simulator: choosing the file,
// the status texts, the buttons held during the upload, and the label hidden later.

#include "DialogSettings.h"
#include "DialogSettingsTestSupport.h"
#include "SettingsTestHelpers.h"
#include "SimProcess.h"
#include "TempSettingsHome.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <optional>
#include <stdexcept>

using namespace settingstest;
using ondrel::testsupport::SimProcess;

namespace {

const char kInProgressText[] = "Firmware upload is in progress.\n\n"
                               "Please do not close the application or disconnect the device from the power source.";
const char kSuccessText[] = "Firmware successfully uploaded!\n\n"
                            "Please wait for the device to restart. This may take several minutes";

// The label is hidden 5000 ms after the result is shown; allow for a loaded machine.
constexpr int kHideWaitMs = 15000;

QByteArray DeviceSection(const std::string& host, uint16_t port)
{
    return "[DeviceSettings]\nDeviceIp=" + QByteArray::fromStdString(host) + "\nDevicePort=" + QByteArray::number(port)
        + "\n";
}

// A port on 127.0.0.1 where nothing listens: bound by us a moment ago, then released.
uint16_t ClosedLocalPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) {
        return 0;
    }
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof(address);
    uint16_t port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(fd);
    return port;
}

struct FirmwareControls {
    QLineEdit* path;
    QPushButton* upload;
    QLabel* status;
    QPushButton* ok;
    QPushButton* cancel;
};

FirmwareControls Controls(const DialogSettings& dialog)
{
    return { Control<QLineEdit>(dialog, "edit_fwPath"), Control<QPushButton>(dialog, "btn_uploadFW"),
        Control<QLabel>(dialog, "lbl_fwUpdate"), Control<QPushButton>(dialog, "btn_ok"),
        Control<QPushButton>(dialog, "btn_cancel") };
}

// After the upload: the result shown and the dialog's buttons usable again.
bool Settled(const FirmwareControls& c, const QString& status)
{
    return c.status->text() == status && !c.status->isHidden() && c.ok->isEnabled() && c.cancel->isEnabled();
}

} // namespace

class DialogSettingsFirmwareTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<SimProcess> sim;
    QTemporaryDir received; // where the simulator keeps uploaded images; emptied before each test
    QTemporaryDir files; // firmware images to upload
    std::optional<TempSettingsHome> home;

    QStringList ReceivedImages() const { return QDir(received.path()).entryList(QDir::Files); }

    // A firmware image file with these bytes; empty when it cannot be written.
    QString ImageFile(const char* name, const QByteArray& bytes)
    {
        const QString path = files.filePath(QString::fromLatin1(name));
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? path : QString();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(received.isValid());
        QVERIFY(files.isValid());
    }

    void cleanup()
    {
        home.reset();
        sim.reset();
    }

    void init()
    {
        // A simulator per test: a successful upload restarts the device.
        try {
            sim = std::make_unique<SimProcess>(std::vector<std::string> { "--firmware-dir", received.path().toStdString() });
        } catch (const std::exception& e) {
            QFAIL(e.what());
        }
        home.emplace();
        QVERIFY(home->isValid());
        QVERIFY(WriteAppIni(*home, DeviceSection(sim->host(), sim->port())));
        for (const QString& name : ReceivedImages()) {
            QFile::remove(QDir(received.path()).filePath(name));
        }
    }

    // --- uploading ---
    void successfulUploadReportsSuccessThenHidesTheLabel()
    {
        QByteArray image;
        for (int i = 0; i < 256 * 1024; ++i) {
            image.append(static_cast<char>((i * 31 + i / 256) & 0xff));
        }
        const QString imagePath = ImageFile("scanner.zpxfw", image);
        QVERIFY(!imagePath.isEmpty());
        DialogSettings dialog(nullptr, nullptr);
        dialog.show();
        const FirmwareControls c = Controls(dialog);
        c.path->setText(imagePath);

        // Runs while the upload is under way.
        bool sawUploadState = false;
        QTimer::singleShot(0, &dialog, [&] {
            sawUploadState = !c.status->isHidden() && c.status->text() == QString::fromUtf8(kInProgressText)
                && !c.ok->isEnabled() && !c.cancel->isEnabled() && !c.upload->isEnabled();
        });
        c.upload->click();

        QTRY_VERIFY2_WITH_TIMEOUT(Settled(c, QString::fromUtf8(kSuccessText)), qPrintable(c.status->text()), 40000);
        QVERIFY(sawUploadState);
        const QStringList images = ReceivedImages();
        QCOMPARE(images.size(), 1);
        QFile stored(QDir(received.path()).filePath(images.first()));
        QVERIFY(stored.open(QIODevice::ReadOnly));
        QVERIFY(stored.readAll() == image);

        QTRY_VERIFY_WITH_TIMEOUT(c.status->isHidden(), kHideWaitMs);
        QCOMPARE(c.status->text(), QString::fromUtf8(kSuccessText));
    }

    void secondClickDuringUploadIsIgnored()
    {
        const QString imagePath = ImageFile("small.zpxfw", "firmware");
        QVERIFY(!imagePath.isEmpty());
        DialogSettings dialog(nullptr, nullptr);
        const FirmwareControls c = Controls(dialog);
        c.path->setText(imagePath);

        // A click reaching the slot while the upload runs must not start a second upload.
        QTimer::singleShot(0, &dialog, [&] { dialog.UpdateFirmware(); });
        c.upload->click();

        QTRY_VERIFY_WITH_TIMEOUT(Settled(c, QString::fromUtf8(kSuccessText)), 40000);
        QCOMPARE(ReceivedImages().size(), 1);
    }

    void failedUploadReportsOpenFailure_data()
    {
        QTest::addColumn<bool>("createEmptyFile");
        QTest::newRow("empty path") << false;
        // The device refuses an empty image with an error answer.
        QTest::newRow("empty file") << true;
    }

    void failedUploadReportsOpenFailure()
    {
        QFETCH(bool, createEmptyFile);
        DialogSettings dialog(nullptr, nullptr);
        const FirmwareControls c = Controls(dialog);
        if (createEmptyFile) {
            const QString emptyPath = ImageFile("empty.zpxfw", QByteArray());
            QVERIFY(!emptyPath.isEmpty());
            c.path->setText(emptyPath);
        }

        dialog.UpdateFirmware(); // the button itself is off without a file
        QTRY_VERIFY2_WITH_TIMEOUT(Settled(c, QStringLiteral("open Firmware failed!")), qPrintable(c.status->text()), 40000);
        QVERIFY(ReceivedImages().isEmpty());
    }

    void unreachableDeviceReportsUploadFailure()
    {
        const uint16_t port = ClosedLocalPort();
        QVERIFY(port != 0);
        QVERIFY(WriteAppIni(*home, DeviceSection("127.0.0.1", port)));
        DialogSettings dialog(nullptr, nullptr);
        const FirmwareControls c = Controls(dialog);
        c.path->setText(QStringLiteral("/nonexistent/scanner.zpxfw"));

        c.upload->click();
        QTRY_VERIFY2_WITH_TIMEOUT(Settled(c, QStringLiteral("Firmware upload failed!")), qPrintable(c.status->text()), 40000);
    }
};

QTEST_MAIN(DialogSettingsFirmwareTest)
#include "DialogSettingsFirmwareTest.moc"
