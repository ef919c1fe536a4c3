// The capture workflow against a fake scanner that records every request: order of the
// modes, button icons, stop and forced captures, failures, closing, and keeping the
// device to the run.
#include "DialogSettings.h"
#include "test_main_window_fixture.h"

#include <QApplication>

#include <algorithm>

using namespace mainwindowtest;

namespace {

const char* const kIcons = ":/impressions/icons/";

QImage ModeIcon(const char* mode, const char* colour)
{
    return IconImage(QStringLiteral("%1%2_%3.png").arg(QLatin1String(kIcons), QLatin1String(mode), QLatin1String(colour)));
}

bool Shows(QPushButton* button, const QImage& icon) { return IconImage(button->icon()) == icon; }

// No storage, no pause: only the live view and the device's capture requests remain.
const QByteArray kNoStorage = "[WorkflowSettings]\nMinWorkflowDelayMs=0\n"
                              "[SaveSettings]\nFinalImage=false\nSegmentInformations=false\nSegments=false\n";

class MainWindowWorkflow : public MainWindowTest {
protected:
    void Open(FakeScanner::Behaviour behaviour)
    {
        scanner.Serve(behaviour);
        OpenWindow(kNoStorage);
        ASSERT_TRUE(window->IsConnected());
        right = Button(*window, "btn_captureRight");
        left = Button(*window, "btn_captureLeft");
        thumbs = Button(*window, "btn_captureThumbs");
        workflow = Button(*window, "btn_AutoWorkflow");
    }

    void ExpectIdle()
    {
        EXPECT_FALSE(window->IsRunning());
        EXPECT_FALSE(right->isEnabled());
        EXPECT_FALSE(left->isEnabled());
        EXPECT_FALSE(thumbs->isEnabled());
        EXPECT_TRUE(workflow->isEnabled());
        EXPECT_TRUE(Shows(right, ModeIcon("4R", "black")));
        EXPECT_TRUE(Shows(left, ModeIcon("4L", "black")));
        EXPECT_TRUE(Shows(thumbs, ModeIcon("2T", "black")));
        EXPECT_TRUE(Shows(workflow, IconImage(QStringLiteral(":/settings/icons/Autoscan_black.png"))));
        EXPECT_TRUE(SceneEmpty(*window));
    }

    QPushButton* right = nullptr;
    QPushButton* left = nullptr;
    QPushButton* thumbs = nullptr;
    QPushButton* workflow = nullptr;
};

FakeScanner::Behaviour HandsReady()
{
    FakeScanner::Behaviour b;
    b.hands = FakeScanner::Hands::Ready;
    return b;
}

} // namespace

TEST_F(MainWindowWorkflow, CompleteRunCapturesRightLeftThumbsAndEndsWithStop)
{
    Open(HandsReady());

    bool sawLeftActive = false;
    WhenReady leftActive([&] { return Shows(left, ModeIcon("4L", "blue")); }, [&] {
        sawLeftActive = true;
        EXPECT_TRUE(Shows(right, ModeIcon("4R", "green")));
        EXPECT_TRUE(Shows(thumbs, ModeIcon("2T", "black")));
        EXPECT_TRUE(thumbs->isEnabled());
        EXPECT_TRUE(Shows(workflow, IconImage(QStringLiteral(":/settings/icons/Cross_black.png"))));
        EXPECT_FALSE(ShownImage(*window).isNull());
    });
    window->StartWorkflow();

    EXPECT_TRUE(sawLeftActive);
    EXPECT_EQ(boxes.count(), 0);
    const std::vector<MessageType> requests = scanner.Requests();
    ASSERT_GE(requests.size(), 2u);
    EXPECT_EQ(requests.front(), MessageType::START_CAPTURE_MODE);
    EXPECT_EQ(requests.back(), MessageType::STOP_CAPTURE_MODE);
    EXPECT_EQ(scanner.Count(MessageType::PLAY_SOUND), 3u);
    EXPECT_EQ(scanner.Count(MessageType::STOP_CAPTURE_MODE), 1u);
    // Every sound is sound 2, and each follows the frames of its own mode.
    for (const Message& m : scanner.Server().ReceivedMessages(0)) {
        if (m.header.id == MessageType::PLAY_SOUND) {
            EXPECT_EQ(m.body, (std::vector<uint8_t>{ 2, 0, 0, 0 }));
        }
    }
    ExpectIdle();
}

TEST_F(MainWindowWorkflow, StopClickDuringTheSecondModeStopsTheDeviceWithoutTheThirdMode)
{
    FakeScanner::Behaviour behaviour;
    behaviour.hands = FakeScanner::Hands::RightOnly;
    Open(behaviour);
    int soundsAtStop = -1;
    WhenReady stop([&] { return Shows(left, ModeIcon("4L", "blue")); }, [&] {
        soundsAtStop = static_cast<int>(scanner.Count(MessageType::PLAY_SOUND));
        workflow->click();
        // The buttons go idle at once, before the run has ended.
        EXPECT_FALSE(right->isEnabled());
        EXPECT_TRUE(Shows(workflow, IconImage(QStringLiteral(":/settings/icons/Autoscan_black.png"))));
    });
    window->StartWorkflow();

    ASSERT_TRUE(stop.Done());
    EXPECT_EQ(soundsAtStop, 1);
    EXPECT_EQ(scanner.Count(MessageType::PLAY_SOUND), 1u);
    EXPECT_EQ(scanner.Count(MessageType::STOP_CAPTURE_MODE), 1u);
    EXPECT_FALSE(window->IsRunning());
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(MainWindowWorkflow, AnyCaptureButtonForcesTheCurrentMode)
{
    Open(FakeScanner::Behaviour{}); // hands never in range
    WhenReady force([&] { return scanner.Frames() >= 4; }, [&] { thumbs->click(); });
    bool checked = false;
    WhenReady stop([&] { return force.Done() && Shows(left, ModeIcon("4L", "blue")); }, [&] {
        checked = true;
        EXPECT_TRUE(Shows(right, ModeIcon("4R", "green")));
        EXPECT_TRUE(Shows(thumbs, ModeIcon("2T", "black")));
        workflow->click();
    });
    window->StartWorkflow();

    EXPECT_TRUE(checked);
    EXPECT_EQ(scanner.Count(MessageType::PLAY_SOUND), 1u);
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(MainWindowWorkflow, FailedFrameRequestSkipsTheModeWithOneBoxAndTheRunGoesOn)
{
    FakeScanner::Behaviour behaviour = HandsReady();
    behaviour.failFrameNumber = 3; // the first request made while a frame is shown
    Open(behaviour);
    window->StartWorkflow();

    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().text, QStringLiteral("frame lost"));
    EXPECT_EQ(scanner.Count(MessageType::PLAY_SOUND), 2u);
    EXPECT_EQ(scanner.Count(MessageType::STOP_CAPTURE_MODE), 1u);
    EXPECT_TRUE(window->IsConnected());
    ExpectIdle();
}

TEST_F(MainWindowWorkflow, ClosingDuringARunStopsTheDeviceDisconnectsAndEndsTheProgram)
{
    Open(FakeScanner::Behaviour{});
    window->show();
    WhenReady closeNow([&] { return scanner.Frames() >= 4; }, [&] { window->close(); });
    // The program's event loop, as main runs it; a window that stayed open would keep it
    // running until the watchdog ends it with 99.
    QTimer::singleShot(0, window.get(), &app_ondrel::StartWorkflow);
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    watchdog.start(20000);
    const int exitCode = QApplication::exec();

    EXPECT_EQ(exitCode, 0);
    ASSERT_TRUE(closeNow.Done());
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->IsRunning());
    EXPECT_FALSE(window->IsConnected());
    EXPECT_TRUE(scanner.Server().WaitPeerClosed(0));
    EXPECT_EQ(scanner.Requests().back(), MessageType::STOP_CAPTURE_MODE);
    EXPECT_EQ(scanner.Count(MessageType::STOP_CAPTURE_MODE), 1u);
    EXPECT_EQ(scanner.Count(MessageType::PLAY_SOUND), 0u);
    EXPECT_EQ(boxes.count(), 0);
    window.reset(); // nothing left to wait for
}

TEST_F(MainWindowWorkflow, DuringARunTheSettingsDialogNeverReachesTheDevice)
{
    Open(FakeScanner::Behaviour{});
    auto* dialog = window->findChild<DialogSettings*>();
    std::string relayAnswer;
    WhenReady meddle([&] { return scanner.Frames() >= 4; }, [&] {
        window->OpenSettingsWindow();
        EXPECT_FALSE(dialog->isVisible());
        relayAnswer = window->GetAuthGroupText();
        emit dialog->authRequested("GUEST", "");
        workflow->click();
    });
    window->StartWorkflow();

    ASSERT_TRUE(meddle.Done());
    EXPECT_EQ(relayAnswer, std::string(kRelayCaptureRunning));
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_TRUE(boxes.last().text.startsWith(QStringLiteral("Authentication is not possible while a capture is running.")));
    EXPECT_EQ(scanner.Count(MessageType::GET), 0u);
    EXPECT_EQ(scanner.Count(MessageType::AUTH_RESPONSE), 0u);
    EXPECT_EQ(scanner.Count(MessageType::AUTH_REQUEST), 0u);

    // After the run the same request goes through.
    emit dialog->authRequested("GUEST", "");
    EXPECT_EQ(boxes.count(), 1);
    EXPECT_EQ(scanner.Count(MessageType::AUTH_RESPONSE), 1u);
}

TEST_F(MainWindowWorkflow, FramesThatCannotBeShownAreReportedAsDeviceErrors)
{
    FakeScanner::Behaviour floats;
    floats.hands = FakeScanner::Hands::Custom;
    floats.custom.type = CV_32FC1;
    floats.custom.segments = ReadyRight();
    Open(floats);
    window->StartWorkflow();

    // Each mode shows its box and is skipped; the run still ends with Stop.
    ASSERT_EQ(boxes.count(), 3);
    for (const MessageBoxCloser::Box& box : boxes.boxes()) {
        EXPECT_EQ(box.text, QStringLiteral("The device sent a live frame that cannot be shown (type 5, 160 x 120 pixels)."));
    }
    // Each mode: the two warm-up frames, then the box, with no request in flight.
    EXPECT_EQ(scanner.Count(MessageType::CAPTURE), 6u);
    EXPECT_EQ(scanner.Count(MessageType::PLAY_SOUND), 0u);
    EXPECT_EQ(scanner.Requests().back(), MessageType::STOP_CAPTURE_MODE);
    ExpectIdle();
}
