// The firmware update from the settings dialog, against the simulator: the status texts,
// the buttons held during the upload, and the label hidden later.
#include "DialogSettings.h"
#include "SimProcess.h"
#include "test_app_fixture.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>

using namespace apptest;

namespace {

const QString kSuccess = QStringLiteral("Firmware successfully uploaded!\n\nPlease wait for the device to restart. This may take several minutes");

class DialogSettingsFirmware : public AppTest {
protected:
    // Where the simulator keeps uploaded images, and the simulator.
    static inline QTemporaryDir* received = nullptr;
    static inline ondrel::testsupport::SimProcess* sim = nullptr;
    static void SetUpTestSuite()
    {
        received = new QTemporaryDir;
        sim = new ondrel::testsupport::SimProcess({ "--firmware-dir", received->path().toStdString() });
    }
    static void TearDownTestSuite() { delete sim, delete received; }

    // The dialog, with a firmware image file of these bytes named in it.
    void Open(const QByteArray& image, uint16_t port = sim->port())
    {
        ASSERT_TRUE(home.write(DeviceSection(port)));
        for (const QString& name : Received()) {
            QFile::remove(QDir(received->path()).filePath(name));
        }
        dialog = std::make_unique<DialogSettings>(nullptr, nullptr);
        QFile file(files.filePath(QStringLiteral("scanner.zpxfw")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(image) == image.size());
        Child<QLineEdit>(*dialog, "edit_fwPath")->setText(file.fileName());
    }
    QStringList Received() const { return QDir(received->path()).entryList(QDir::Files); }
    QPushButton* Button(const char* name) const { return Child<QPushButton>(*dialog, name); }
    QLabel* Status() const { return Child<QLabel>(*dialog, "lbl_fwUpdate"); }
    // The result shown and the dialog's buttons usable again.
    void ExpectSettled(const QString& text) const
    {
        EXPECT_EQ(Status()->text(), text);
        EXPECT_TRUE(!Status()->isHidden() && Button("btn_ok")->isEnabled() && Button("btn_cancel")->isEnabled());
    }

    QTemporaryDir files;
    std::unique_ptr<DialogSettings> dialog;
};

} // namespace

TEST_F(DialogSettingsFirmware, AnUploadHoldsTheButtonsReportsSuccessThenHidesTheLabel)
{
    QByteArray image(256 * 1024, 0);
    for (int i = 0; i < image.size(); ++i) {
        image[i] = static_cast<char>((i * 31 + i / 256) & 0xff);
    }
    Open(image);
    dialog->show();
    // Runs in the slot's first event pass, before the upload blocks.
    bool sawUploadState = false;
    QTimer::singleShot(0, dialog.get(), [&] {
        sawUploadState = !Status()->isHidden() && Button("btn_uploadFW")->isEnabled() && !Button("btn_ok")->isEnabled()
            && !Button("btn_cancel")->isEnabled()
            && Status()->text() == QStringLiteral("Firmware upload is in progress.\n\nPlease do not close the application or "
                                                  "disconnect the device from the power source.");
    });
    Button("btn_uploadFW")->click();
    EXPECT_TRUE(sawUploadState);
    ExpectSettled(kSuccess);
    ASSERT_EQ(Received().size(), 1);
    QFile stored(QDir(received->path()).filePath(Received().first()));
    EXPECT_TRUE(stored.open(QIODevice::ReadOnly) && stored.readAll() == image);
    // Hidden 5000 ms after the result is shown; allow for a loaded machine.
    EXPECT_TRUE(QTest::qWaitFor([&] { return Status()->isHidden(); }, 15000));
}

// The upload button stays enabled; a click reaching the slot's event pass must not start
// a second upload.
TEST_F(DialogSettingsFirmware, ASecondClickDuringTheUploadIsIgnored)
{
    Open("firmware");
    QTimer::singleShot(0, dialog.get(), [&] { Button("btn_uploadFW")->click(); });
    Button("btn_uploadFW")->click();
    EXPECT_EQ(Status()->text(), kSuccess);
    EXPECT_EQ(Received().size(), 1);
}

// The device refuses an empty image with an error answer.
TEST_F(DialogSettingsFirmware, NoFileOrAnEmptyOneFailsToOpenAndAnUnreachableDeviceFailsTheUpload)
{
    Open({});
    Button("btn_uploadFW")->click();
    ExpectSettled(QStringLiteral("open Firmware failed!"));
    Child<QLineEdit>(*dialog, "edit_fwPath")->clear();
    Button("btn_uploadFW")->click();
    ExpectSettled(QStringLiteral("open Firmware failed!"));
    EXPECT_TRUE(Received().isEmpty());

    Open("firmware", DeadPort());
    Button("btn_uploadFW")->click();
    ExpectSettled(QStringLiteral("Firmware upload failed!"));
}
