// The capture workflow against the fake scanner: modes, icons, status line, stop and forced
// captures, failures, closing, the run's own settings, and frames shown and stored.
#include "DialogSettings.h"
#include "SettingsDeviceRelay.h"
#include "SimProcess.h"
#include "StatusLine.h"
#include "test_app_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>

using namespace apptest;

namespace {

// No storage, no pause: only the live view and the device's capture requests remain.
const QByteArray kNoStorage = "[WorkflowSettings]\nMinWorkflowDelayMs=0\n"
                              "[SaveSettings]\nFinalImage=false\nSegmentInformations=false\nSegments=false\n";
const QString kNotOpen = QStringLiteral("quorvel::Device::Send(): quorvel error - socket not open");

class MainWindowWorkflow : public WindowTest {
protected:
    void Open(Behaviour behaviour, const QByteArray& settings = kNoStorage)
    {
        scanner.Serve(behaviour);
        OpenWindow(settings);
        ASSERT_TRUE(window->IsConnected());
    }
    bool Active(const char* button, const char* mode) const
    {
        return Shows(Button(button), qPrintable(QStringLiteral(":/impressions/icons/%1_blue.png").arg(mode)));
    }
};

Behaviour Ready() { return Behaviour{ MessageType::CONNECTED, false, false, "USER", true }; }

} // namespace

// Enter in the person field starts it, after a reconnection (to a second link).
TEST_F(MainWindowWorkflow, ACompleteRunCapturesRightLeftThumbsWithSoundTwoAndEndsWithStop)
{
    QTemporaryDir results;
    scanner.Serve();
    Open(Ready(), "[WorkflowSettings]\nMinWorkflowDelayMs=0\n[SaveSettings]\nBasePath=" + results.path().toUtf8() + "\n");
    ShowActive();
    window->ConnectToDevice();
    WhenReady leftActive([&] { return Active("btn_captureLeft", "4L"); },
                         [&] {
                             EXPECT_TRUE(Shows(Button("btn_captureRight"), ":/impressions/icons/4R_green.png"));
                             EXPECT_TRUE(Button("btn_captureThumbs")->isEnabled());
                             EXPECT_TRUE(Shows(Button("btn_AutoWorkflow"), ":/settings/icons/Cross_black.png"));
                             EXPECT_FALSE(Shown().isNull());
                         });
    QTest::keyClick(Child<QLineEdit>(*window, "edit_Person"), Qt::Key_Return);
    EXPECT_TRUE(leftActive.Done());
    EXPECT_EQ(boxes.count(), 0);
    ASSERT_FALSE(scanner.Received(1).empty());
    EXPECT_EQ(scanner.Received(1).front().header.id, MessageType::START_CAPTURE_MODE);
    EXPECT_EQ(scanner.Last(1), MessageType::STOP_CAPTURE_MODE);
    EXPECT_EQ(scanner.Count(MessageType::PLAY_SOUND, 1), 3u);
    EXPECT_EQ(scanner.Count(MessageType::STOP_CAPTURE_MODE, 1), 1u);
    for (const Message& m : scanner.Received(1)) {
        EXPECT_TRUE(m.header.id != MessageType::PLAY_SOUND || m.body == (std::vector<uint8_t>{ 2, 0, 0, 0 })); // sound 2
    }
    ExpectIdle();
}

// A whole run against the simulator: the status line tells the link, each hand's guidance
// as the hand approaches and what the run stored, in this order.
TEST_F(MainWindowWorkflow, AWholeRunAgainstTheSimulatorTellsTheLinkEachHandsGuidanceAndWhatWasStored)
{
    ondrel::testsupport::SimProcess sim({ "--settle-ms", "300", "--width", "640", "--height", "512" });
    QTemporaryDir results;
    LaunchOptions options;
    options.person = QStringLiteral("P-7");
    options.deviceHost = "127.0.0.1";
    options.devicePort = sim.port();
    OpenWindow("[WorkflowSettings]\nMinWorkflowDelayMs=0\n[SaveSettings]\nBasePath=" + results.path().toUtf8() + "\n", options);
    QStringList shown;
    QObject::connect(window->findChild<StatusLine*>(), &StatusLine::textShown, [&shown](const QString& text) { shown << text; });
    window->ConnectToDevice(); // a reconnection names the address while it waits
    window->StartWorkflow();
    EXPECT_EQ(boxes.count(), 0);
    EXPECT_TRUE(window->LastRunStoredAllModes());

    const QString address = QStringLiteral("127.0.0.1:%1").arg(sim.port());
    const QDir person(results.filePath(QStringLiteral("P-7")));
    const QStringList runs = person.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(runs.size(), 1);
    QStringList expected = { QStringLiteral("Connecting to %1\u2026").arg(address), QStringLiteral("Connected to ") + address };
    for (const auto& [step, mode] :
         { std::pair{ "Step 1 of 3 \u00b7 Right hand: ", "4R" }, std::pair{ "Step 2 of 3 \u00b7 Left hand: ", "4L" },
           std::pair{ "Step 3 of 3 \u00b7 Thumbs: ", "2T" } }) {
        const QString captured = QString::fromUtf8(step) + QStringLiteral("captured");
        // Once stored, the fingers' scores, "Step 1 of 3 · 4R quality 94 · 93 · 93 · 93".
        expected << QString::fromUtf8(step) + QStringLiteral("ready") << captured << QStringLiteral("Storing %1\u2026").arg(mode)
                 << captured << QString::fromUtf8(step).section(QStringLiteral(" \u00b7 "), 0, 0) + QStringLiteral(" \u00b7 %1 quality ").arg(mode);
    }
    expected << QStringLiteral("Stored 3 of 3 modes in ") + person.filePath(runs.front()) + QStringLiteral("; 4R quality ");
    // In between only the guidance of the hand that comes next: the approaching hand is
    // told to move closer or to hold still before it is ready.
    int next = 0;
    int guidance = 0;
    for (const QString& text : shown) {
        const bool prefix = expected.value(next).endsWith(QStringLiteral(" quality "));
        if (next < expected.size() && (prefix ? text.startsWith(expected[next]) : text == expected[next])) {
            ++next;
        } else {
            ++guidance;
            EXPECT_TRUE(next >= 2 && next < expected.size() - 1
                        && text.startsWith(expected[next].section(QLatin1Char(':'), 0, 0) + QStringLiteral(": ")))
                << text.toStdString();
        }
    }
    EXPECT_EQ(next, expected.size()) << shown.join(QLatin1Char('\n')).toStdString();
    EXPECT_GT(guidance, 0) << shown.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(Label("lbl_Run").startsWith(expected.back()) && Label("lbl_Run").contains(QStringLiteral("; 2T quality ")));
    EXPECT_TRUE(Child<QLabel>(*window, "lbl_OpenFolder")->isVisibleTo(window.get()));
}

// A failed frame request skips its mode with one box; frames that cannot be shown do so
// in every mode, each after the two warm-up frames with no request in flight.
TEST_F(MainWindowWorkflow, AFailedOrUnshowableFrameSkipsTheModeWithOneBoxAndTheRunGoesOn)
{
    Behaviour failing = Ready();
    failing.failFrame = 3; // the first request made while a frame is shown
    Behaviour floats = Ready();
    floats.frameType = CV_32FC1;
    const std::tuple<Behaviour, QString, std::size_t> rows[] = {
        { failing, QStringLiteral("frame lost"), 2 },
        { floats, QStringLiteral("The device sent a live frame that cannot be shown (type 5, 160 x 120 pixels)."), 0 }
    };
    for (std::size_t i = 0; i < 2; ++i) {
        const auto& [behaviour, text, sounds] = rows[i];
        SCOPED_TRACE(text.toStdString());
        boxes.clear();
        Open(behaviour);
        window->StartWorkflow();
        ASSERT_EQ(boxes.count(), 3 - static_cast<int>(sounds));
        for (const MessageBoxCloser::Box& box : boxes.boxes()) {
            EXPECT_EQ(box.text, text);
        }
        EXPECT_EQ(scanner.Count(MessageType::PLAY_SOUND, i), sounds);
        EXPECT_TRUE(sounds > 0 || scanner.Count(MessageType::CAPTURE, i) == 6u);
        EXPECT_EQ(scanner.Last(i), MessageType::STOP_CAPTURE_MODE);
        EXPECT_TRUE(window->IsConnected());
        ExpectIdle();
    }
}

TEST_F(MainWindowWorkflow, ALinkLostInTheFirstModeIsReportedForEachModeAndTheRunStillEnds)
{
    Behaviour behaviour;
    behaviour.closeAfter = 5; // START, two warm-up frames and two more
    Open(behaviour);
    window->StartWorkflow();
    ASSERT_EQ(boxes.count(), 4);
    EXPECT_NE(boxes.boxes()[0].text, kNotOpen); // the request that saw the link go
    for (int i = 1; i < 4; ++i) {
        EXPECT_EQ(boxes.boxes()[i].text, kNotOpen) << i; // left, thumbs, then Stop
    }
    EXPECT_FALSE(window->IsConnected());
    ExpectIdle();
}

TEST_F(MainWindowWorkflow, StorageThatCannotBeWrittenIsReportedOncePerModeAndTheRunGoesOn)
{
    QTemporaryDir base;
    QFile blocker(base.filePath(QStringLiteral("not-a-directory")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    Open(Ready(), "[WorkflowSettings]\nMinWorkflowDelayMs=0\n[SaveSettings]\nBasePath=" + blocker.fileName().toUtf8() + "\n");
    window->StartWorkflow();
    ASSERT_EQ(boxes.count(), 3);
    for (const MessageBoxCloser::Box& box : boxes.boxes()) {
        EXPECT_TRUE(box.text.startsWith("The capture results could not be written to:\n" + blocker.fileName() + "/"))
            << box.text.toStdString();
    }
    EXPECT_EQ(scanner.Count(MessageType::PLAY_SOUND), 3u);
    EXPECT_FALSE(window->LastRunStoredAllModes());
    ExpectIdle();
}

// The first run forces each mode as it comes; in the pause after the last one the operator
// clicks capture, then stop. In the second neither these clicks nor one between the runs
// counts: it runs until Escape stops it.
TEST_F(MainWindowWorkflow, ClicksLeftOverFromOneRunNeverReachTheNextAndEveryRunEndsWithStop)
{
    Open({}, QByteArray(kNoStorage).replace("=0\n", "=400\n"));
    ShowActive();
    bool firstRun = true;
    QTimer forcer;
    QObject::connect(&forcer, &QTimer::timeout, [&] {
        for (const auto& [button, mode] : kModeButtons) {
            if (firstRun && Active(button, mode)) {
                Button(button)->click();
            }
        }
    });
    forcer.start(5);
    WhenReady lastPause([&] { return Shows(Button("btn_captureThumbs"), ":/impressions/icons/2T_green.png"); },
                        [&] {
                            Button("btn_captureThumbs")->click();
                            Button("btn_AutoWorkflow")->click();
                        });
    window->StartWorkflow();
    ASSERT_TRUE(lastPause.Done());

    firstRun = false;
    window->ForcedCapturing(); // nor does one while no run lasts
    Button("btn_captureRight")->click();
    const std::size_t framesBefore = scanner.Count(MessageType::CAPTURE);
    WhenReady stop([&] { return scanner.Count(MessageType::CAPTURE) >= framesBefore + 6; },
                   [&] {
                       QTest::keyClick(window.get(), Qt::Key_Escape);
                       // The buttons go idle at once, before the run has ended.
                       EXPECT_FALSE(Button("btn_captureRight")->isEnabled());
                       EXPECT_TRUE(Shows(Button("btn_AutoWorkflow"), ":/settings/icons/Autoscan_black.png"));
                   });
    window->StartWorkflow();
    EXPECT_TRUE(stop.Done());
    EXPECT_EQ(scanner.Count(MessageType::PLAY_SOUND), 3u);
    EXPECT_EQ(scanner.Count(MessageType::STOP_CAPTURE_MODE), 2u);
    EXPECT_EQ(scanner.Last(), MessageType::STOP_CAPTURE_MODE);
    EXPECT_EQ(boxes.count(), 0);
    EXPECT_TRUE(Label("lbl_Run").endsWith(QStringLiteral("; not stored: 4R (stopped), 4L, 2T (not reached)"))) << Label("lbl_Run").toStdString();
    ExpectIdle();
}

// With the dialog open from before the run, the operator turns storage on, tries a firmware
// update and a new login, then forces the first mode and stops in the second; opening the
// dialog again shows nothing.
TEST_F(MainWindowWorkflow, ARunKeepsItsSettingsAndTheSettingsDialogNeverReachesTheDevice)
{
    QTemporaryDir results;
    Open({}, kNoStorage + "BasePath=" + results.path().toUtf8() + "\n");
    window->OpenSettingsWindow();
    auto* dialog = window->findChild<DialogSettings*>();
    const AppSettings before = dialog->settings();
    Child<QLineEdit>(*dialog, "edit_fwPath")->setText(QStringLiteral("/nonexistent/fw.zpxfw"));
    WhenReady meddle([&] { return scanner.Count(MessageType::CAPTURE) >= 4; },
                     [&] {
                         Child<QCheckBox>(*dialog, "check_finalImg")->click();
                         Child<QPushButton>(*dialog, "btn_uploadFW")->click();
                         Child<QPushButton>(*dialog, "btn_authClear")->click();
                         EXPECT_EQ(window->GetAuthGroupText(), std::string(kRelayCaptureRunning));
                         dialog->hide();
                         window->OpenSettingsWindow();
                         EXPECT_FALSE(dialog->isVisible());
                         Button("btn_captureThumbs")->click(); // any capture button forces the mode there is
                     });
    WhenReady stop([&] { return Active("btn_captureLeft", "4L"); }, [&] { Button("btn_AutoWorkflow")->click(); });
    window->StartWorkflow();
    ASSERT_TRUE(stop.Done());
    // Stopped in the second mode: the device stopped, no third mode.
    EXPECT_EQ(scanner.Count(MessageType::PLAY_SOUND), 1u);
    EXPECT_EQ(scanner.Count(MessageType::STOP_CAPTURE_MODE), 1u);
    // The change counts from the next run on; this one stores nothing, as it started.
    EXPECT_TRUE(dialog->settings().saveFinalImage);
    EXPECT_EQ(scanner.Count(MessageType::GET_FINAL_FRAME), 0u);
    EXPECT_TRUE(QDir(results.path()).isEmpty());
    // Device actions are refused with a box each, and change nothing.
    ASSERT_EQ(boxes.count(), 2);
    EXPECT_EQ(boxes.boxes()[0].text,
              QStringLiteral("A firmware update is not possible while a capture is running. "
                             "Please try again when the workflow has ended."));
    EXPECT_EQ(boxes.boxes()[1].text,
              QStringLiteral("Authentication is not possible while a capture is running. "
                             "Please try again when the workflow has ended."));
    EXPECT_TRUE(dialog->settings().authGroup == before.authGroup && dialog->settings().authAutoLogin == before.authAutoLogin);
    EXPECT_EQ(scanner.Count(MessageType::GET), 1u); // the dialog's opening before the run
    EXPECT_EQ(scanner.Count(MessageType::AUTH_RESPONSE) + scanner.Count(MessageType::AUTH_REQUEST), 0u);
    emit dialog->authRequested("GUEST", ""); // after the run it goes through
    EXPECT_EQ(boxes.count(), 2);
    EXPECT_EQ(scanner.Count(MessageType::AUTH_RESPONSE), 1u);
}

TEST_F(MainWindowWorkflow, AnUnusablePersonIdentifierIsRefusedBeforeAnythingIsSent)
{
    Open({});
    Child<QLineEdit>(*window, "edit_Person")->setText(QStringLiteral("../x"));
    window->StartWorkflow();
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().text, QStringLiteral("The person identifier \"../x\" cannot be used: it must not contain '/' or '\\'."));
    EXPECT_TRUE(scanner.Received().empty());
    ExpectIdle();
}

// Stop and close are clicked the moment the first mode starts storing: the mode is stored
// whole, then the window closes.
TEST_F(MainWindowWorkflow, AStopAndACloseWhileAModeIsStoredLetItFinishFirst)
{
    QTemporaryDir base;
    Open(Ready(), "[WorkflowSettings]\nMinWorkflowDelayMs=0\n[SaveSettings]\nBasePath=" + base.path().toUtf8() + "\n");
    window->show();
    QObject::connect(window->findChild<StatusLine*>(), &StatusLine::textShown, [&](const QString& text) {
        if (text == QStringLiteral("Storing 4R\u2026")) {
            window->StartWorkflow();
            window->close();
        }
    });
    QTimer::singleShot(0, window.get(), &app_ondrel::StartWorkflow);
    QTimer::singleShot(20000, [] { QCoreApplication::exit(99); });
    EXPECT_EQ(QApplication::exec(), 0);
    const QStringList runs = QDir(base.filePath(QStringLiteral("unknown"))).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(runs.size(), 1);
    const QDir run(base.filePath(QStringLiteral("unknown/") + runs.front()));
    EXPECT_EQ(run.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList({ "4R", "cfg.txt", "run.ini" }));
    EXPECT_TRUE(QFileInfo::exists(run.filePath(QStringLiteral("4R/final.png"))));
    EXPECT_EQ(scanner.Count(MessageType::GET_FINAL_FRAME), 1u);
    EXPECT_EQ(scanner.Last(), MessageType::STOP_CAPTURE_MODE);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(MainWindowWorkflow, ClosingDuringARunStopsTheDeviceDisconnectsAndEndsTheProgram)
{
    Open({});
    window->show();
    WhenReady closeNow([&] { return scanner.Count(MessageType::CAPTURE) >= 4; }, [&] { window->close(); });
    // The program's event loop, as main runs it; a window that stayed open would keep it
    // running until the timer below ends it with 99.
    QTimer::singleShot(0, window.get(), &app_ondrel::StartWorkflow);
    QTimer::singleShot(20000, [] { QCoreApplication::exit(99); });
    EXPECT_EQ(QApplication::exec(), 0);
    ASSERT_TRUE(closeNow.Done());
    EXPECT_FALSE(window->IsRunning() || window->IsConnected() || window->isVisible());
    EXPECT_TRUE(scanner.Server().WaitPeerClosed(0));
    EXPECT_EQ(scanner.Last(), MessageType::STOP_CAPTURE_MODE);
    EXPECT_EQ(scanner.Count(MessageType::STOP_CAPTURE_MODE), 1u);
    EXPECT_EQ(scanner.Count(MessageType::PLAY_SOUND), 0u);
    EXPECT_EQ(boxes.count(), 0);
}

// Channel 0 is shown as red; an all-black first channel is shown white, and one lit pixel
// keeps the image as it is.
TEST_F(MainWindowWorkflow, AnImageIsShownFirstChannelRedAndWhiteWhenThatChannelIsBlack)
{
    Open({});
    cv::Mat lit(30, 40, CV_8UC3, cv::Scalar(0, 80, 160));
    lit.at<cv::Vec3b>(29, 39)[0] = 1;
    window->ShowImage(lit);
    EXPECT_EQ(Shown().pixelColor(0, 0), QColor(0, 80, 160));
    EXPECT_EQ(Scene()->sceneRect(), QRectF(0, 0, 40, 30));
    const cv::Mat black(30, 40, CV_8UC3, cv::Scalar(0, 80, 160));
    window->ShowImage(black);
    EXPECT_EQ(Shown().pixelColor(20, 15), QColor(255, 255, 255));
    EXPECT_EQ(black.at<cv::Vec3b>(15, 20), cv::Vec3b(0, 80, 160)); // whitened in a copy, not in the caller's image
    EXPECT_EQ(Scene()->items().size(), 1);
}

// Every mode shows frames that are not ready before the one it captures, so display images
// converted while the previous frame was shown are used too.
TEST_F(MainWindowWorkflow, TheStoredPreviewAndTheCheckMarkAreTheFrameWhoseResultsAreFetched)
{
    QTemporaryDir base;
    Behaviour behaviour = Ready();
    behaviour.readyEvery = 3;
    Open(behaviour,
         "[UserSettings]\nUser=5307\n[WorkflowSettings]\nMinWorkflowDelayMs=0\n[SaveSettings]\nBasePath=" + base.path().toUtf8()
             + "\nPreviewImage=true\nFinalImage=true\nSegmentInformations=false\nSegments=false\n");
    // The frame's grey value under every check mark shown; (2, 2) is clear of every overlay.
    std::vector<int> underCheckmarks;
    QObject::connect(Scene(), &QGraphicsScene::changed, [&] {
        const QImage shown = Shown();
        // The check-mark frame is shown again with the fingers' scores on it.
        if (!shown.isNull() && shown.pixelColor(80, 60) == QColor(0, 200, 0)
            && (underCheckmarks.empty() || underCheckmarks.back() != qGray(shown.pixel(2, 2)))) {
            underCheckmarks.push_back(qGray(shown.pixel(2, 2)));
        }
    });
    window->StartWorkflow();
    EXPECT_EQ(boxes.count(), 0) << boxes.last().text.toStdString();
    std::vector<uint32_t> fetched;
    for (const Message& m : scanner.Received()) {
        if (m.header.id == MessageType::GET_FINAL_FRAME && m.body.size() >= 4) {
            fetched.push_back(m.body[0] | m.body[1] << 8 | m.body[2] << 16 | uint32_t{ m.body[3] } << 24);
        }
    }
    ASSERT_EQ(fetched.size(), 3u);
    ASSERT_EQ(underCheckmarks.size(), 3u);
    const QStringList runs = QDir(base.filePath(QStringLiteral("unknown"))).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(runs.size(), 1);
    for (int i = 0; i < 3; ++i) {
        const QString mode = QStringList{ "4R", "4L", "2T" }[i];
        const QImage preview(base.filePath(QStringLiteral("unknown/%1/%2/preview.png").arg(runs[0], mode)));
        ASSERT_FALSE(preview.isNull()) << mode.toStdString();
        EXPECT_EQ(qGray(preview.pixel(80, 60)), FrameValue(fetched[i]))
            << mode.toStdString() << ": not the frame whose results were fetched";
        EXPECT_EQ(underCheckmarks[i], FrameValue(fetched[i])) << mode.toStdString();
    }
}
