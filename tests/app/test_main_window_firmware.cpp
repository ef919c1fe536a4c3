// The main window while the settings dialog uploads firmware to the device it talks to: the
// device restarts when the upload ends, so nothing starts on it meanwhile, and the program
// never goes while the upload runs.
#include "DialogSettings.h"
#include "test_app_fixture.h"

#include <QLineEdit>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryFile>

#include <future>

using namespace apptest;

namespace {

class MainWindowFirmware : public WindowTest {
protected:
    // The window connected, and an upload that the device answers only once released.
    void StartHeldUpload()
    {
        scanner.Serve();
        scanner.Server().Serve(ondrel::testsupport::Script().SendConnected().ReadMessage().Do([released = released](Peer& peer) {
            if (released.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
                throw ondrel::testsupport::StepFailed("the upload was never released");
            }
            peer.Send(Message(MessageType::UPDATE_FIRMWARE));
        }));
        OpenWindow("[Auth]\nAuthAutoLogin=true\nAuthGroup=GUEST\n");
        ASSERT_TRUE(image.open() && image.write("firmware") == 8 && image.flush());
        Child<QLineEdit>(*Dialog(), "edit_fwPath")->setText(image.fileName());
        Child<QPushButton>(*Dialog(), "btn_uploadFW")->click();
        ASSERT_TRUE(QTest::qWaitFor([&] { return scanner.Server().ReceivedMessages(1).size() == 1; }, 5000));
    }
    DialogSettings* Dialog() const { return window->findChild<DialogSettings*>(); }
    QString FirmwareStatus() const { return Child<QLabel>(*Dialog(), "lbl_fwUpdate")->text(); }
    bool StatusLineShows(const QString& text) const
    {
        const auto labels = window->statusBar()->findChildren<QLabel*>();
        return std::any_of(labels.begin(), labels.end(), [&](QLabel* l) { return l->isVisibleTo(window.get()) && l->text() == text; });
    }

    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    QTemporaryFile image;
};

const QString kUploading = QStringLiteral("Firmware upload running\u2026");

} // namespace

// The workflow button, Return in the person field, a login asked for by the dialog and one
// asked for directly are all refused while the upload runs.
TEST_F(MainWindowFirmware, NoRunOrLoginStartsWhileTheUploadRunsAndTheStatusLineSaysItRuns)
{
    StartHeldUpload();
    const std::size_t requests = scanner.Received().size();
    EXPECT_TRUE(StatusLineShows(kUploading));
    Button("btn_AutoWorkflow")->click();
    QTest::keyClick(Child<QLineEdit>(*window, "edit_Person"), Qt::Key_Return);
    Child<QPushButton>(*Dialog(), "btn_authClear")->click();
    emit Dialog()->authRequested("GUEST", "");
    const QString noCapture = QStringLiteral("A capture cannot start while a firmware upload is running. Please wait until it has ended.");
    const QString noLogin =
        QStringLiteral("Authentication is not possible while a firmware upload is running. Please wait until it has ended.");
    ASSERT_EQ(boxes.count(), 4);
    EXPECT_EQ(QStringList({ boxes.boxes()[0].text, boxes.boxes()[1].text, boxes.boxes()[2].text, boxes.boxes()[3].text }),
              QStringList({ noCapture, noCapture, noLogin, noLogin }));
    EXPECT_EQ(scanner.Received().size(), requests);
    EXPECT_EQ(Dialog()->settings().authGroup, std::string("GUEST"));
    EXPECT_TRUE(Dialog()->settings().authAutoLogin);

    release.set_value();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !Dialog()->IsFirmwareUploadRunning(); }, 10000));
    EXPECT_TRUE(FirmwareStatus().startsWith(QStringLiteral("Firmware successfully uploaded!")));
    EXPECT_FALSE(StatusLineShows(kUploading));
    ExpectIdle();
}

// Asked to wait, the program stays; asked to close when done, it keeps the upload's progress
// in view and ends once the device has answered.
TEST_F(MainWindowFirmware, ClosingDuringTheUploadAsksAndEndsTheProgramOnlyOnceTheUploadHasEnded)
{
    StartHeldUpload();
    window->show();
    Dialog()->hide();
    window->close(); // the box's escape answer is to wait
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().title, QStringLiteral("Firmware upload running"));
    EXPECT_TRUE(window->isVisible() && Dialog()->isVisible());

    int asked = 0;
    DialogSettings::Choosers choosers = DialogSettings::NativeChoosers();
    choosers.closeAfterUpload = [&](QWidget*) {
        ++asked;
        return true;
    };
    Dialog()->setChoosers(choosers);
    const auto* tabs = Child<QTabWidget>(*Dialog(), "tabWidget");
    WhenReady answer([&] { return asked == 1; },
                     [&] {
                         window->close(); // a second request while the first waits changes nothing
                         EXPECT_TRUE(window->isVisible() && Dialog()->isVisible() && StatusLineShows(kUploading));
                         EXPECT_EQ(tabs->currentWidget()->objectName(), QStringLiteral("FwUpdate"));
                         release.set_value();
                     });
    QTimer::singleShot(0, window.get(), &QWidget::close);
    QTimer deadline; // a program that never ended would be ended with 99
    QObject::connect(&deadline, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    deadline.start(20000);
    EXPECT_EQ(QApplication::exec(), 0);
    ASSERT_TRUE(answer.Done());
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(window->isVisible() || Dialog()->isVisible() || Dialog()->IsFirmwareUploadRunning());
    EXPECT_TRUE(FirmwareStatus().startsWith(QStringLiteral("Firmware successfully uploaded!")));
}
