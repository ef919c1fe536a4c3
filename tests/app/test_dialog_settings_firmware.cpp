// The firmware update from the settings dialog, against the simulator: status texts, progress,
// the buttons held during the upload while the dialog stays usable, the label hidden later.
#include "DialogSettings.h"
#include "SimProcess.h"
#include "test_app_fixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace apptest;

namespace {

const QString kSuccess =
    QStringLiteral("Firmware successfully uploaded!\n\nPlease wait for the device to restart. This may take several minutes");

class DialogSettingsFirmware : public AppTest {
protected:
    // The dialog, with a firmware image file of these bytes named in it.
    void Open(const QByteArray& image, uint16_t port = 0)
    {
        ASSERT_TRUE(home.write(DeviceSection(port != 0 ? port : sim.port())));
        dialog = std::make_unique<DialogSettings>(nullptr, nullptr);
        QFile file(files.filePath(QStringLiteral("scanner.zpxfw")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(image) == image.size());
        Child<QLineEdit>(*dialog, "edit_fwPath")->setText(file.fileName());
    }
    QStringList Received() const { return QDir(received.path()).entryList(QDir::Files); }
    QPushButton* Button(const char* name) const { return Child<QPushButton>(*dialog, name); }
    QLabel* Status() const { return Child<QLabel>(*dialog, "lbl_fwUpdate"); }
    // Waits for the result shown and the dialog's buttons usable again.
    void ExpectSettled(const QString& text) const
    {
        EXPECT_TRUE(QTest::qWaitFor([&] { return Status()->text() == text && Button("btn_ok")->isEnabled(); }, 40000))
            << Status()->text().toStdString();
        EXPECT_TRUE(!Status()->isHidden() && Button("btn_ok")->isEnabled() && Button("btn_cancel")->isEnabled());
    }

    QTemporaryDir received, files;
    ondrel::testsupport::SimProcess sim{ { "--firmware-dir", received.path().toStdString() } };
    std::unique_ptr<DialogSettings> dialog;
};

} // namespace

// Failures first, as a successful upload restarts the device: the device refuses an empty
// image with an error answer; without a file the button stays usable and says the file
// failed. Each upload's start and end is announced once.
TEST_F(DialogSettingsFirmware, FailuresAreShownAndAnUploadShowsItsProgressWhileTheDialogStaysUsable)
{
    Open("firmware", DeadPort());
    Button("btn_uploadFW")->click();
    ExpectSettled(QStringLiteral("Firmware upload failed!"));
    Open({});
    QSignalSpy started(dialog.get(), &DialogSettings::firmwareUploadStarted);
    QSignalSpy finished(dialog.get(), &DialogSettings::firmwareUploadFinished);
    Button("btn_uploadFW")->click();
    ExpectSettled(QStringLiteral("open Firmware failed!"));
    Child<QLineEdit>(*dialog, "edit_fwPath")->clear();
    ASSERT_TRUE(Button("btn_uploadFW")->isEnabled());
    Button("btn_uploadFW")->click();
    ExpectSettled(QStringLiteral("open Firmware failed!"));
    EXPECT_TRUE(Received().isEmpty());
    EXPECT_EQ(std::pair(started.size(), finished.size()), std::pair(2, 2));

    const QByteArray image = QByteArray("firmware image of 19 ").repeated(300000); // misplaced chunks would show
    Open(image);
    dialog->show();
    auto* progress = Child<QProgressBar>(*dialog, "progress_fwUpload");
    QSignalSpy steps(progress, &QProgressBar::valueChanged);
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(0);
    Button("btn_uploadFW")->click();
    // The click returns with the upload under way; a second request must not start another.
    EXPECT_EQ(Status()->text(),
              QStringLiteral("Firmware upload is in progress.\n\nPlease do not close the application or "
                             "disconnect the device from the power source."));
    EXPECT_FALSE(Status()->isHidden() || Button("btn_uploadFW")->isEnabled() || Button("btn_ok")->isEnabled()
                 || Button("btn_cancel")->isEnabled());
    dialog->UpdateFirmware();

    ExpectSettled(kSuccess);
    QElapsedTimer shown;
    shown.start();
    EXPECT_GT(ticks, 0);
    EXPECT_EQ(progress->value(), 100);
    EXPECT_GT(steps.size(), 1);
    EXPECT_TRUE(Button("btn_uploadFW")->isEnabled());
    ASSERT_EQ(Received().size(), 1);
    QFile stored(QDir(received.path()).filePath(Received().first()));
    EXPECT_TRUE(stored.open(QIODevice::ReadOnly) && stored.readAll() == image);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Status()->isHidden(); }, 15000));
    // Hidden after its 5000 ms, never early (a coarse timer may fire up to 5 % early).
    EXPECT_GE(shown.elapsed(), 4800);
}
