// What an operator can do to a run: clicks left over from the last run, starts that fail,
// settings changed while a run lasts, unusable person identifiers, and unattended runs
// whose hands never come into range.
#include "test_main_window_fixture.h"

using namespace mainwindowtest;
using ondrel::testsupport::Script;

namespace {

const QByteArray kNoStorage = "[SaveSettings]\nFinalImage=false\nSegmentInformations=false\nSegments=false\n";

bool Shows(QPushButton* button, const QString& icon) { return IconImage(button->icon()) == IconImage(icon); }
QString HandIcon(const char* mode, const char* colour)
{
    return QStringLiteral(":/impressions/icons/%1_%2.png").arg(QLatin1String(mode), QLatin1String(colour));
}

void ExpectIdle(app_ondrel& window)
{
    EXPECT_FALSE(window.IsRunning());
    for (const char* name : { "btn_captureRight", "btn_captureLeft", "btn_captureThumbs" }) {
        EXPECT_FALSE(Button(window, name)->isEnabled()) << name;
    }
    EXPECT_TRUE(Shows(Button(window, "btn_AutoWorkflow"), QStringLiteral(":/settings/icons/Autoscan_black.png")));
}

} // namespace

using OperatorFaults = MainWindowTest;

TEST_F(OperatorFaults, ClicksLeftOverFromOneRunNeverReachTheNextAndEveryRunEndsWithStop)
{
    scanner.Serve(); // hands never in range: only clicks capture
    OpenWindow(kNoStorage + "[WorkflowSettings]\nMinWorkflowDelayMs=400\n");
    QPushButton* workflow = Button(*window, "btn_AutoWorkflow");
    QPushButton* thumbs = Button(*window, "btn_captureThumbs");

    // First run: each mode forced as it comes; in the pause after the last one the operator
    // clicks capture, then stop.
    bool firstRun = true;
    QTimer forcer;
    QObject::connect(&forcer, &QTimer::timeout, [&] {
        const std::pair<const char*, const char*> modes[] = { { "btn_captureRight", "4R" }, { "btn_captureLeft", "4L" },
                                                              { "btn_captureThumbs", "2T" } };
        for (const auto& [name, mode] : modes) {
            if (firstRun && Shows(Button(*window, name), HandIcon(mode, "blue"))) {
                Button(*window, name)->click();
            }
        }
    });
    forcer.start(5);
    WhenReady lastPause([&] { return Shows(thumbs, HandIcon("2T", "green")); }, [&] {
        thumbs->click();
        workflow->click();
    });
    window->StartWorkflow();
    ASSERT_TRUE(lastPause.Done());
    ASSERT_EQ(scanner.Count(MessageType::PLAY_SOUND), 3u);
    ASSERT_EQ(scanner.Count(MessageType::STOP_CAPTURE_MODE), 1u);

    // Second run: neither click counts; it runs until stopped, and stopping stops the device.
    firstRun = false;
    const int framesBefore = scanner.Frames();
    WhenReady stop([&] { return scanner.Frames() >= framesBefore + 6; }, [&] { workflow->click(); });
    window->StartWorkflow();

    EXPECT_TRUE(stop.Done());
    EXPECT_EQ(scanner.Count(MessageType::PLAY_SOUND), 3u);
    EXPECT_EQ(scanner.Count(MessageType::STOP_CAPTURE_MODE), 2u);
    EXPECT_EQ(scanner.Requests().back(), MessageType::STOP_CAPTURE_MODE);
    EXPECT_EQ(boxes.count(), 0);
    ExpectIdle(*window);
}

TEST_F(OperatorFaults, FailedStartsLeaveTheWindowIdleWithOneMessageEach)
{
    auto device = std::make_unique<ScriptedServer>();
    device->Serve(Script()
                      .SendConnected()
                      .Answer(MakeMessage(MessageType::START_CAPTURE_MODE, { 'b', 'u', 's', 'y' }, true))
                      .Close());
    WriteSettings(home, device->Port());
    window = std::make_unique<app_ondrel>();
    ASSERT_TRUE(window->IsConnected());

    // The device refuses, then it is gone, then nothing listens at its address any more.
    window->StartWorkflow();
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_TRUE(boxes.last().text.startsWith(QStringLiteral("quorvel::Device::Start"))) << boxes.last().text.toStdString();
    ExpectIdle(*window);

    ASSERT_TRUE(device->WaitFinished());
    window->StartWorkflow();
    EXPECT_EQ(boxes.count(), 2);
    EXPECT_FALSE(window->IsConnected());
    ExpectIdle(*window);

    device.reset();
    window->StartWorkflow();
    ASSERT_EQ(boxes.count(), 3);
    EXPECT_TRUE(boxes.last().text.endsWith(QStringLiteral("\nError: quorvel::Device::Connect(): quorvel error - connection refused")))
        << boxes.last().text.toStdString();
    ExpectIdle(*window);
}
