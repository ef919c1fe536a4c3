// What an operator can do to a run: clicks left over from the last run, starts that fail,
// settings changed while a run lasts, unusable person identifiers, and unattended runs
// whose hands never come into range.
#include "DialogSettings.h"
#include "test_main_window_fixture.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>

#include <iostream>
#include <sstream>

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

TEST_F(OperatorFaults, ARunKeepsItsSettingsAndAnOpenDialogCannotReachTheDevice)
{
    QTemporaryDir results;
    scanner.Serve(); // hands never in range
    OpenWindow(kNoStorage + "BasePath=" + results.path().toUtf8() + "\n[WorkflowSettings]\nMinWorkflowDelayMs=0\n");
    window->OpenSettingsWindow();
    auto* dialog = window->findChild<DialogSettings*>();
    const AppSettings before = dialog->settings();
    Child<QLineEdit>(*dialog, "edit_fwPath")->setText(QStringLiteral("/nonexistent/fw.zpxfw"));

    // With the dialog open from before the run, the operator turns storage on, tries a
    // firmware update and a new login, then forces the first mode.
    WhenReady meddle([&] { return scanner.Frames() >= 4; }, [&] {
        Child<QCheckBox>(*dialog, "check_finalImg")->click();
        Child<QPushButton>(*dialog, "btn_uploadFW")->click();
        Child<QPushButton>(*dialog, "btn_authClear")->click();
        Button(*window, "btn_captureRight")->click();
    });
    WhenReady stop([&] { return Shows(Button(*window, "btn_captureLeft"), HandIcon("4L", "blue")); },
                   [&] { Button(*window, "btn_AutoWorkflow")->click(); });
    window->StartWorkflow();

    ASSERT_TRUE(stop.Done());
    EXPECT_EQ(scanner.Count(MessageType::PLAY_SOUND), 1u);
    // The change counts from the next run on; this one stores nothing, as it started.
    EXPECT_TRUE(dialog->settings().saveFinalImage);
    EXPECT_EQ(scanner.Count(MessageType::GET_FINAL_FRAME), 0u);
    EXPECT_TRUE(QDir(results.path()).isEmpty());
    // Device actions are refused with a box each, and change nothing.
    ASSERT_EQ(boxes.count(), 2);
    EXPECT_EQ(boxes.boxes()[0].text, QStringLiteral("A firmware update is not possible while a capture is running. "
                                                    "Please try again when the workflow has ended."));
    EXPECT_EQ(boxes.boxes()[1].text, QStringLiteral("Authentication is not possible while a capture is running. "
                                                    "Please try again when the workflow has ended."));
    EXPECT_EQ(dialog->settings().authGroup, before.authGroup);
    EXPECT_EQ(dialog->settings().authAutoLogin, before.authAutoLogin);
    EXPECT_EQ(scanner.Count(MessageType::AUTH_REQUEST) + scanner.Count(MessageType::AUTH_RESPONSE), 0u);
}

TEST_F(OperatorFaults, AnUnusablePersonIdentifierIsRefusedBeforeAnythingIsSent)
{
    scanner.Serve();
    OpenWindow();
    Child<QLineEdit>(*window, "edit_Person")->setText(QStringLiteral("../x"));
    window->StartWorkflow();

    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().text, QStringLiteral("The person identifier \"../x\" cannot be used: it must not contain '/' or '\\'."));
    EXPECT_TRUE(scanner.Requests().empty());
    ExpectIdle(*window);
}

TEST_F(OperatorFaults, UnattendedRunGivesUpOnEachModeAtItsTimeLimitAndGoesOn)
{
    scanner.Serve(); // hands never in range
    WriteSettings(home, scanner.Port(), kNoStorage + "[WorkflowSettings]\nMinWorkflowDelayMs=0\n");
    LaunchOptions options;
    options.unattended = true;
    options.modeTimeLimitMs = 300;
    window = std::make_unique<app_ondrel>(nullptr, options);

    std::ostringstream out;
    std::streambuf* const console = std::cout.rdbuf(out.rdbuf());
    window->StartWorkflow();
    std::cout.rdbuf(console);

    for (const char* mode : { "4R", "4L", "2T" }) {
        EXPECT_NE(out.str().find(std::string("Not captured: ") + mode + " (time limit of 0.3 s reached)\n"), std::string::npos)
            << out.str();
    }
    EXPECT_EQ(scanner.Count(MessageType::PLAY_SOUND), 0u);
    EXPECT_EQ(scanner.Requests().back(), MessageType::STOP_CAPTURE_MODE);
    EXPECT_FALSE(window->LastRunStoredAllModes());
    ExpectIdle(*window);
}
