// Whole workflow runs of the main window against ondrel-sim: what lands on disk, how a stop
// click, a forced capture, a lost link, unwritable storage and closing end up.
#include "SimProcess.h"
#include "test_main_window_fixture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSettings>

#include <string>
#include <vector>

using namespace mainwindowtest;
using ondrel::testsupport::SimProcess;

namespace {

const QStringList kModes = { QStringLiteral("4R"), QStringLiteral("4L"), QStringLiteral("2T") };

// Every save option, which needs the extended mode.
const QByteArray kSaveEverything = "[UserSettings]\nUser=5307\n"
                                   "[SaveSettings]\nRawData=true\nCaptureTimes=true\nPreviewImage=true\n"
                                   "FinalImage=true\nCalibrationFile=true\nSegmentInformations=true\nSegments=true\n";

class WorkflowE2E : public ::testing::Test {
protected:
    void Start(const std::vector<std::string>& simArgs, const QByteArray& extraSettings)
    {
        std::vector<std::string> args = { "--width", "640", "--height", "512" };
        args.insert(args.end(), simArgs.begin(), simArgs.end());
        sim = std::make_unique<SimProcess>(args);
        ASSERT_TRUE(results.isValid());
        WriteSettings(home, sim->port(),
                      "[WorkflowSettings]\nMinWorkflowDelayMs=0\n[SaveSettings]\nBasePath="
                              + (basePath.isEmpty() ? results.path() : basePath).toUtf8() + "\n"
                          + extraSettings);
        LaunchOptions options;
        options.person = QStringLiteral("e2e");
        window = std::make_unique<app_ondrel>(nullptr, options);
        ASSERT_TRUE(window->IsConnected());
    }

    // The one run directory under <base>/e2e, or an empty string.
    QString RunDirectory() const
    {
        const QDir person(results.path() + QStringLiteral("/e2e"));
        const QStringList runs = person.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        return runs.size() == 1 ? person.filePath(runs.front()) : QString();
    }

    QPushButton* ButtonNamed(const char* name) { return Button(*window, name); }

    void ExpectIdle()
    {
        EXPECT_FALSE(window->IsRunning());
        EXPECT_FALSE(ButtonNamed("btn_captureRight")->isEnabled());
        EXPECT_FALSE(ButtonNamed("btn_captureLeft")->isEnabled());
        EXPECT_FALSE(ButtonNamed("btn_captureThumbs")->isEnabled());
        EXPECT_TRUE(ButtonNamed("btn_AutoWorkflow")->isEnabled());
        EXPECT_EQ(IconImage(ButtonNamed("btn_AutoWorkflow")->icon()),
                  IconImage(QStringLiteral(":/settings/icons/Autoscan_black.png")));
        EXPECT_TRUE(SceneEmpty(*window));
    }

    QTemporaryDir results;
    QString basePath; // results.path() when empty
    TempSettingsHome home;
    MessageBoxCloser boxes;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<app_ondrel> window;
    RunWatchdog watchdog{ [this] { return window.get(); }, 30000 };
};

bool Blue(QPushButton* button, const char* mode)
{
    return IconImage(button->icon()) == IconImage(QStringLiteral(":/impressions/icons/%1_blue.png").arg(QLatin1String(mode)));
}

} // namespace

TEST_F(WorkflowE2E, CompleteRunStoresEveryFileOfAllThreeModes)
{
    Start({ "--settle-ms", "150" }, kSaveEverything);
    window->StartWorkflow();

    EXPECT_EQ(boxes.count(), 0) << boxes.last().text.toStdString();
    EXPECT_TRUE(window->LastRunStoredAllModes());
    ExpectIdle();

    const QString run = RunDirectory();
    ASSERT_FALSE(run.isEmpty());
    QFile cfg(run + QStringLiteral("/cfg.txt"));
    ASSERT_TRUE(cfg.open(QIODevice::ReadOnly));
    EXPECT_TRUE(cfg.readAll().startsWith("MinWorkflowStep: 0 ms\nThresholdTooHigh: 205 mm\n"));

    for (const QString& mode : kModes) {
        SCOPED_TRACE(mode.toStdString());
        const QString d = run + QLatin1Char('/') + mode;
        EXPECT_FALSE(QImage(d + QStringLiteral("/preview.png")).isNull());
        EXPECT_FALSE(QImage(d + QStringLiteral("/final.png")).isNull());

        const QSettings infos(d + QStringLiteral("/SegmentInfos.ini"), QSettings::IniFormat);
        const int segments = infos.value(QStringLiteral("Segments")).toInt();
        EXPECT_EQ(segments, mode == QLatin1String("2T") ? 2 : 4);
        for (int i = 0; i < segments; ++i) {
            EXPECT_TRUE(infos.contains(QStringLiteral("Segment%1/height").arg(i)));
            EXPECT_FALSE(QImage(d + QStringLiteral("/segments/%1.png").arg(i)).isNull()) << i;
        }
        EXPECT_FALSE(QFileInfo::exists(d + QStringLiteral("/segments/%1.png").arg(segments)));

        EXPECT_FALSE(QFileInfo::exists(d + QStringLiteral("/raw/frame0.png")));
        for (int i = 1; i <= 3; ++i) {
            EXPECT_FALSE(QImage(d + QStringLiteral("/raw/frame%1.png").arg(i)).isNull()) << i;
        }
        EXPECT_GT(QFileInfo(d + QStringLiteral("/calibration.calib")).size(), 0);

        QFile times(d + QStringLiteral("/times.txt"));
        ASSERT_TRUE(times.open(QIODevice::ReadOnly | QIODevice::Text));
        const QStringList lines = QString::fromUtf8(times.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 3);
        EXPECT_TRUE(lines[0].startsWith(QStringLiteral("FinalProc: ")));
        EXPECT_TRUE(lines[1].startsWith(QStringLiteral("RawDataRequest: ")));
        EXPECT_TRUE(lines[2].startsWith(QStringLiteral("FullWorkflowStep: ")));
    }
}

TEST_F(WorkflowE2E, StopClickDuringTheSecondModeKeepsOnlyTheFirst)
{
    Start({ "--settle-ms", "400" }, {});
    QPushButton* left = ButtonNamed("btn_captureLeft");
    WhenReady stop([&] { return Blue(left, "4L"); }, [&] { ButtonNamed("btn_AutoWorkflow")->click(); });
    window->StartWorkflow();

    ASSERT_TRUE(stop.Done());
    EXPECT_EQ(boxes.count(), 0);
    ExpectIdle();
    const QString run = RunDirectory();
    ASSERT_FALSE(run.isEmpty());
    EXPECT_TRUE(QFileInfo::exists(run + QStringLiteral("/4R/final.png")));
    EXPECT_FALSE(QFileInfo::exists(run + QStringLiteral("/4L")));
    EXPECT_FALSE(QFileInfo::exists(run + QStringLiteral("/2T")));
    EXPECT_FALSE(window->LastRunStoredAllModes());
}

TEST_F(WorkflowE2E, CaptureButtonForcesTheModeOnShow)
{
    Start({ "--settle-ms", "600000" }, {}); // the hand never comes into range
    QPushButton* right = ButtonNamed("btn_captureRight");
    QPushButton* left = ButtonNamed("btn_captureLeft");
    WhenReady force([&] { return Blue(right, "4R") && !ShownImage(*window).isNull(); }, [&] { left->click(); });
    WhenReady stop([&] { return force.Done() && Blue(left, "4L"); }, [&] { ButtonNamed("btn_AutoWorkflow")->click(); });
    window->StartWorkflow();

    ASSERT_TRUE(stop.Done());
    const QString run = RunDirectory();
    EXPECT_TRUE(QFileInfo::exists(run + QStringLiteral("/4R/final.png")));
    EXPECT_FALSE(QFileInfo::exists(run + QStringLiteral("/4L")));
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(WorkflowE2E, LinkLostInTheFirstModeReportsEachModeAndTheRunStillEnds)
{
    // START, two warm-up frames and two more; the sixth request finds the link closed.
    Start({ "--settle-ms", "600000", "--close-after", "5" }, {});
    window->StartWorkflow();

    ASSERT_EQ(boxes.count(), 4);
    const QString notOpen = QStringLiteral("quorvel::Device::Send(): quorvel error - socket not open");
    EXPECT_NE(boxes.boxes()[0].text, notOpen); // the frame request that saw the link go
    for (int i = 1; i < 4; ++i) {
        EXPECT_EQ(boxes.boxes()[i].text, notOpen) << i; // left, thumbs, then Stop
    }
    EXPECT_FALSE(window->IsConnected());
    ExpectIdle();
    EXPECT_TRUE(RunDirectory().isEmpty());
}

TEST_F(WorkflowE2E, UnwritableBaseDirectoryIsReportedOncePerModeAndTheRunGoesOn)
{
    const QString blocker = results.path() + QStringLiteral("/not-a-directory");
    {
        QFile file(blocker);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    basePath = blocker; // results would go below a regular file
    Start({ "--settle-ms", "100" }, {});
    window->StartWorkflow();

    ASSERT_EQ(boxes.count(), 3);
    for (int i = 0; i < 3; ++i) {
        const QString text = boxes.boxes()[i].text;
        EXPECT_TRUE(text.startsWith(QStringLiteral("The capture results could not be written to:\n"))) << text.toStdString();
        EXPECT_TRUE(text.contains(blocker + QStringLiteral("/e2e/"))) << text.toStdString();
        EXPECT_TRUE(text.contains(QLatin1Char('/') + kModes[i] + QStringLiteral("/final.png"))) << text.toStdString();
    }
    EXPECT_FALSE(window->LastRunStoredAllModes());
    ExpectIdle();
}

TEST_F(WorkflowE2E, ClosingDuringARunEndsTheProgramPromptly)
{
    Start({ "--settle-ms", "600000" }, {});
    window->show();
    WhenReady closeNow([&] { return !ShownImage(*window).isNull(); }, [&] { window->close(); });
    QTimer::singleShot(0, window.get(), &app_ondrel::StartWorkflow);
    QTimer hang;
    hang.setSingleShot(true);
    QObject::connect(&hang, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    hang.start(20000);

    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_TRUE(closeNow.Done());
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->IsRunning());
    EXPECT_FALSE(window->IsConnected());
    EXPECT_EQ(boxes.count(), 0);
}
