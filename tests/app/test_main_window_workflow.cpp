// The capture workflow against the fake scanner: the order of the modes and their icons,
// stop and forced captures, failures, closing, keeping the device to the run, and how
// frames are shown and stored.
#include "DialogSettings.h"
#include "SettingsDeviceRelay.h"
#include "test_app_fixture.h"

#include <QApplication>
#include <QDirIterator>
#include <QTemporaryDir>

using namespace apptest;

namespace {

// No storage, no pause: only the live view and the device's capture requests remain.
const QByteArray kNoStorage = "[WorkflowSettings]\nMinWorkflowDelayMs=0\n"
                              "[SaveSettings]\nFinalImage=false\nSegmentInformations=false\nSegments=false\n";

class MainWindowWorkflow : public WindowTest {
protected:
    void Open(Behaviour behaviour, const QByteArray& settings = kNoStorage)
    {
        scanner.Serve(behaviour);
        OpenWindow(settings);
        ASSERT_TRUE(window->IsConnected());
        right = Button("btn_captureRight");
        left = Button("btn_captureLeft");
        thumbs = Button("btn_captureThumbs");
        workflow = Button("btn_AutoWorkflow");
    }
    void ExpectIdle() const
    {
        EXPECT_FALSE(window->IsRunning());
        EXPECT_FALSE(right->isEnabled() || left->isEnabled() || thumbs->isEnabled());
        EXPECT_TRUE(workflow->isEnabled());
        EXPECT_TRUE(Shows(right, ":/impressions/icons/4R_black.png"));
        EXPECT_TRUE(Shows(left, ":/impressions/icons/4L_black.png"));
        EXPECT_TRUE(Shows(thumbs, ":/impressions/icons/2T_black.png"));
        EXPECT_TRUE(Shows(workflow, ":/settings/icons/Autoscan_black.png"));
        EXPECT_TRUE(Scene()->items().isEmpty());
    }
    bool LeftActive() const { return Shows(left, ":/impressions/icons/4L_blue.png"); }

    QPushButton* right = nullptr;
    QPushButton* left = nullptr;
    QPushButton* thumbs = nullptr;
    QPushButton* workflow = nullptr;
};

Behaviour Hands(Behaviour::Hands hands)
{
    Behaviour b;
    b.hands = hands;
    return b;
}

} // namespace

TEST_F(MainWindowWorkflow, ACompleteRunCapturesRightLeftThumbsAndEndsWithStop)
{
    Open(Hands(Behaviour::Hands::Ready));
    WhenReady leftActive([&] { return LeftActive(); }, [&] {
        EXPECT_TRUE(Shows(right, ":/impressions/icons/4R_green.png"));
        EXPECT_TRUE(Shows(thumbs, ":/impressions/icons/2T_black.png"));
        EXPECT_TRUE(thumbs->isEnabled());
        EXPECT_TRUE(Shows(workflow, ":/settings/icons/Cross_black.png"));
        EXPECT_FALSE(Shown().isNull());
    });
    window->StartWorkflow();

    EXPECT_TRUE(leftActive.Done());
    EXPECT_EQ(boxes.count(), 0);
    EXPECT_EQ(scanner.Requests().front(), MessageType::START_CAPTURE_MODE);
    EXPECT_EQ(scanner.Requests().back(), MessageType::STOP_CAPTURE_MODE);
    EXPECT_EQ(scanner.Count(MessageType::PLAY_SOUND), 3u);
    EXPECT_EQ(scanner.Count(MessageType::STOP_CAPTURE_MODE), 1u);
    for (const Message& m : scanner.Received()) {
        if (m.header.id == MessageType::PLAY_SOUND) {
            EXPECT_EQ(m.body, (std::vector<uint8_t> { 2, 0, 0, 0 })); // every sound is sound 2
        }
    }
    ExpectIdle();
}

TEST_F(MainWindowWorkflow, AStopClickInTheSecondModeEndsTheRunWithoutStopOrThirdMode)
{
    Open(Hands(Behaviour::Hands::RightOnly));
    WhenReady stop([&] { return LeftActive(); }, [&] {
        workflow->click();
        // The buttons go idle at once, before the run has ended.
        EXPECT_FALSE(right->isEnabled());
        EXPECT_TRUE(Shows(workflow, ":/settings/icons/Autoscan_black.png"));
    });
    window->StartWorkflow();
    ASSERT_TRUE(stop.Done());
    EXPECT_EQ(scanner.Count(MessageType::PLAY_SOUND), 1u);
    EXPECT_EQ(scanner.Count(MessageType::STOP_CAPTURE_MODE), 0u);
    EXPECT_FALSE(window->IsRunning());
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(MainWindowWorkflow, AnyCaptureButtonForcesTheCurrentMode)
{
    Open({}); // hands never in range
    WhenReady force([&] { return scanner.Frames() >= 4; }, [&] { thumbs->click(); });
    WhenReady stop([&] { return force.Done() && LeftActive(); }, [&] {
        EXPECT_TRUE(Shows(right, ":/impressions/icons/4R_green.png"));
        workflow->click();
    });
    window->StartWorkflow();
    EXPECT_TRUE(stop.Done());
    EXPECT_EQ(scanner.Count(MessageType::PLAY_SOUND), 1u);
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(MainWindowWorkflow, AFailedFrameRequestSkipsTheModeWithOneBoxAndTheRunGoesOn)
{
    Behaviour behaviour = Hands(Behaviour::Hands::Ready);
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

TEST_F(MainWindowWorkflow, ALinkLostInTheFirstModeIsReportedForEachModeAndTheRunStillEnds)
{
    Behaviour behaviour;
    behaviour.closeAfter = 5; // START, two warm-up frames and two more
    Open(behaviour);
    window->StartWorkflow();
    ASSERT_EQ(boxes.count(), 4);
    const QString notOpen = QStringLiteral("quorvel::Device::Send(): quorvel error - socket not open");
    EXPECT_NE(boxes.boxes()[0].text, notOpen); // the request that saw the link go
    for (int i = 1; i < 4; ++i) {
        EXPECT_EQ(boxes.boxes()[i].text, notOpen) << i; // left, thumbs, then Stop
    }
    EXPECT_FALSE(window->IsConnected());
    ExpectIdle();
}

TEST_F(MainWindowWorkflow, FramesThatCannotBeShownAreReportedAsDeviceErrors)
{
    Behaviour floats = Hands(Behaviour::Hands::Ready);
    floats.frameType = CV_32FC1;
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

TEST_F(MainWindowWorkflow, DuringARunTheSettingsDialogNeverReachesTheDevice)
{
    Open({});
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
    for (MessageType type : { MessageType::GET, MessageType::AUTH_RESPONSE, MessageType::AUTH_REQUEST }) {
        EXPECT_EQ(scanner.Count(type), 0u);
    }
    // After the run the same request goes through.
    emit dialog->authRequested("GUEST", "");
    EXPECT_EQ(boxes.count(), 1);
    EXPECT_EQ(scanner.Count(MessageType::AUTH_RESPONSE), 1u);
}

TEST_F(MainWindowWorkflow, ClosingDuringARunStopsTheDeviceDisconnectsAndEndsTheProgram)
{
    Open({});
    window->show();
    WhenReady closeNow([&] { return scanner.Frames() >= 4; }, [&] { window->close(); });
    // The program's event loop, as main runs it; a window that stayed open would keep it
    // running until the timer below ends it with 99.
    QTimer::singleShot(0, window.get(), &app_ondrel::StartWorkflow);
    QTimer::singleShot(20000, [] { QCoreApplication::exit(99); });
    EXPECT_EQ(QApplication::exec(), 0);
    ASSERT_TRUE(closeNow.Done());
    EXPECT_FALSE(window->IsRunning() || window->IsConnected() || window->isVisible());
    EXPECT_TRUE(scanner.Server().WaitPeerClosed(0));
    EXPECT_EQ(scanner.Requests().back(), MessageType::STOP_CAPTURE_MODE);
    EXPECT_EQ(scanner.Count(MessageType::STOP_CAPTURE_MODE), 1u);
    EXPECT_EQ(scanner.Count(MessageType::PLAY_SOUND), 0u);
    EXPECT_EQ(boxes.count(), 0);
}

// --- frames shown and stored ---

TEST_F(MainWindowWorkflow, AnImageIsShownRedFirstWhiteWhenItsFirstChannelIsBlackAndFromItsOwnPixels)
{
    Open({});
    cv::Mat image(30, 40, CV_8UC3, cv::Scalar(200, 100, 50));
    image.at<cv::Vec3b>(5, 7) = cv::Vec3b(1, 2, 3);
    window->ShowImage(image);
    ASSERT_EQ(Shown().size(), QSize(40, 30));
    EXPECT_EQ(Shown().pixelColor(0, 0), QColor(200, 100, 50));
    EXPECT_EQ(Shown().pixelColor(7, 5), QColor(1, 2, 3));
    EXPECT_EQ(Scene()->sceneRect(), QRectF(0, 0, 40, 30));
    EXPECT_EQ(Scene()->items().size(), 1);

    // An all-black first channel is shown white; one lit pixel keeps the image as it is.
    cv::Mat black(30, 40, CV_8UC3, cv::Scalar(0, 80, 160));
    window->ShowImage(black);
    EXPECT_EQ(Shown().pixelColor(20, 15), QColor(255, 255, 255));
    cv::Mat lit(30, 40, CV_8UC3, cv::Scalar(0, 80, 160));
    lit.at<cv::Vec3b>(29, 39)[0] = 1;
    window->ShowImage(lit);
    EXPECT_EQ(Shown().pixelColor(0, 0), QColor(0, 80, 160));

    // A view into a larger image does not own contiguous rows.
    cv::Mat whole(80, 100, CV_8UC3);
    for (int y = 0; y < whole.rows; ++y) {
        for (int x = 0; x < whole.cols; ++x) {
            whole.at<cv::Vec3b>(y, x) = cv::Vec3b(static_cast<uchar>(x * 2), static_cast<uchar>(y * 3), 7);
        }
    }
    window->ShowImage(whole(cv::Rect(10, 20, 37, 41)));
    ASSERT_EQ(Shown().size(), QSize(37, 41));
    for (const QPoint p : { QPoint(0, 0), QPoint(36, 0), QPoint(0, 40), QPoint(36, 40), QPoint(18, 22) }) {
        EXPECT_EQ(Shown().pixelColor(p), QColor((10 + p.x()) * 2, (20 + p.y()) * 3, 7)) << p.x() << "," << p.y();
    }
}

// Every mode shows frames that are not ready before the one it captures, so display images
// converted while the previous frame was shown are used too.
TEST_F(MainWindowWorkflow, TheStoredPreviewAndTheCheckMarkAreTheFrameWhoseResultsAreFetched)
{
    QTemporaryDir base;
    Behaviour behaviour = Hands(Behaviour::Hands::Ready);
    behaviour.readyEvery = 3;
    Open(behaviour, "[UserSettings]\nUser=5307\n[WorkflowSettings]\nMinWorkflowDelayMs=0\n[SaveSettings]\nBasePath="
            + base.path().toUtf8() + "\nPreviewImage=true\nFinalImage=true\nSegmentInformations=false\nSegments=false\n");
    // The frame's grey value under every check mark shown; (2, 2) is clear of every overlay.
    std::vector<int> underCheckmarks;
    QObject::connect(Scene(), &QGraphicsScene::changed, [&] {
        const QImage shown = Shown();
        if (!shown.isNull() && shown.pixelColor(80, 60) == QColor(0, 200, 0)) {
            underCheckmarks.push_back(qGray(shown.pixel(2, 2)));
        }
    });
    window->StartWorkflow();

    EXPECT_EQ(boxes.count(), 0) << boxes.last().text.toStdString();
    std::vector<uint32_t> fetched;
    for (const Message& m : scanner.Received()) {
        if (m.header.id == MessageType::GET_FINAL_FRAME && m.body.size() >= 4) {
            fetched.push_back(m.body[0] | m.body[1] << 8 | m.body[2] << 16 | uint32_t { m.body[3] } << 24);
        }
    }
    ASSERT_EQ(fetched.size(), 3u);
    ASSERT_EQ(underCheckmarks.size(), 3u);
    const char* const modes[] = { "4R", "4L", "2T" };
    for (std::size_t i = 0; i < 3; ++i) {
        QDirIterator previews(base.path(), { QStringLiteral("preview.png") }, QDir::Files, QDirIterator::Subdirectories);
        QImage preview;
        while (previews.hasNext() && preview.isNull()) {
            const QString path = previews.next();
            preview = path.endsWith(QStringLiteral("/%1/preview.png").arg(modes[i])) ? QImage(path) : QImage();
        }
        ASSERT_FALSE(preview.isNull()) << modes[i];
        EXPECT_EQ(qGray(preview.pixel(80, 60)), FrameValue(fetched[i])) << modes[i] << ": not the frame whose results were fetched";
        EXPECT_EQ(underCheckmarks[i], FrameValue(fetched[i])) << modes[i];
    }
}

TEST_F(MainWindowWorkflow, StorageThatCannotBeWrittenIsReportedOncePerModeAndTheRunGoesOn)
{
    QTemporaryDir base;
    QFile blocker(base.filePath(QStringLiteral("not-a-directory")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    Open(Hands(Behaviour::Hands::Ready), "[WorkflowSettings]\nMinWorkflowDelayMs=0\n[SaveSettings]\nBasePath="
            + blocker.fileName().toUtf8() + "\n");
    window->StartWorkflow();
    ASSERT_EQ(boxes.count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(boxes.boxes()[i].text.startsWith(QStringLiteral("The capture results could not be written to:\n")
                        + blocker.fileName() + QLatin1Char('/')))
            << boxes.boxes()[i].text.toStdString();
    }
    EXPECT_EQ(scanner.Count(MessageType::PLAY_SOUND), 3u);
    EXPECT_FALSE(window->LastRunStoredAllModes());
    ExpectIdle();
}
