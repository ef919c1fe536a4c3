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

const QString kSuccessText = QStringLiteral("Firmware successfully uploaded!\n\n"
                                            "Please wait for the device to restart. This may take several minutes");

class DialogSettingsFirmware : public AppTest {
protected:
    static void SetUpTestSuite()
    {
        received = new QTemporaryDir;
        sim = new ondrel::testsupport::SimProcess({ "--firmware-dir", received->path().toStdString() });
    }
    static void TearDownTestSuite()
    {
        delete sim;
        delete received;
    }

    void Open(uint16_t port = sim->port())
    {
        ASSERT_TRUE(home.write(DeviceSection(port)));
        QDir(received->path()).removeRecursively();
        QDir().mkpath(received->path());
        dialog = std::make_unique<DialogSettings>(nullptr, nullptr);
        path = Child<QLineEdit>(*dialog, "edit_fwPath");
        upload = Child<QPushButton>(*dialog, "btn_uploadFW");
        status = Child<QLabel>(*dialog, "lbl_fwUpdate");
    }
    // A firmware image file with these bytes, named in the dialog.
    void Image(const QByteArray& bytes)
    {
        QFile file(files.filePath(QStringLiteral("scanner.zpxfw")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        path->setText(file.fileName());
    }
    QStringList Received() const { return QDir(received->path()).entryList(QDir::Files); }
    // The result shown and the dialog's buttons usable again.
    bool Settled(const QString& text) const
    {
        return status->text() == text && !status->isHidden() && Child<QPushButton>(*dialog, "btn_ok")->isEnabled()
            && Child<QPushButton>(*dialog, "btn_cancel")->isEnabled();
    }

    static inline QTemporaryDir* received = nullptr; // where the simulator keeps uploaded images
    static inline ondrel::testsupport::SimProcess* sim = nullptr;
    QTemporaryDir files;
    std::unique_ptr<DialogSettings> dialog;
    QLineEdit* path = nullptr;
    QPushButton* upload = nullptr;
    QLabel* status = nullptr;
};

} // namespace

TEST_F(DialogSettingsFirmware, AnUploadHoldsTheButtonsReportsSuccessThenHidesTheLabel)
{
    Open();
    QByteArray image(256 * 1024, 0);
    for (int i = 0; i < image.size(); ++i) {
        image[i] = static_cast<char>((i * 31 + i / 256) & 0xff);
    }
    Image(image);
    dialog->show();
    // Runs in the slot's first event pass, before the upload blocks.
    bool sawUploadState = false;
    QTimer::singleShot(0, dialog.get(), [&] {
        sawUploadState = !status->isHidden() && upload->isEnabled() && !Child<QPushButton>(*dialog, "btn_ok")->isEnabled()
            && status->text() == QStringLiteral("Firmware upload is in progress.\n\nPlease do not close the application or "
                                                "disconnect the device from the power source.");
    });
    upload->click();
    EXPECT_TRUE(sawUploadState);
    EXPECT_TRUE(Settled(kSuccessText)) << status->text().toStdString();
    ASSERT_EQ(Received().size(), 1);
    QFile stored(QDir(received->path()).filePath(Received().first()));
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
    EXPECT_TRUE(stored.readAll() == image);
    // Hidden 5000 ms after the result is shown; allow for a loaded machine.
    EXPECT_TRUE(QTest::qWaitFor([&] { return status->isHidden(); }, 15000));
}

// The upload button stays enabled; a click reaching the slot's event pass must not start
// a second upload.
TEST_F(DialogSettingsFirmware, ASecondClickDuringTheUploadIsIgnored)
{
    Open();
    Image("firmware");
    QTimer::singleShot(0, dialog.get(), [&] { upload->click(); });
    upload->click();
    EXPECT_EQ(status->text(), kSuccessText);
    EXPECT_EQ(Received().size(), 1);
}

TEST_F(DialogSettingsFirmware, NoFileOrAnEmptyOneFailsToOpenAndAnUnreachableDeviceFailsTheUpload)
{
    Open();
    upload->click();
    EXPECT_TRUE(Settled(QStringLiteral("open Firmware failed!"))) << status->text().toStdString();
    Image(QByteArray()); // the device refuses an empty image with an error answer
    upload->click();
    EXPECT_TRUE(Settled(QStringLiteral("open Firmware failed!"))) << status->text().toStdString();
    EXPECT_TRUE(Received().isEmpty());

    Open(DeadPort());
    path->setText(QStringLiteral("/nonexistent/scanner.zpxfw"));
    upload->click();
    EXPECT_TRUE(Settled(QStringLiteral("Firmware upload failed!"))) << status->text().toStdString();
}
