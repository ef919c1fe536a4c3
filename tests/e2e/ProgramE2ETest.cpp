// The OndrelApp program as a user starts it: version and help without a display, and the
// unattended run against ondrel-sim with its progress, errors and exit codes.
#include "SimProcess.h"
#include "TempSettingsHome.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

using ondrel::testsupport::SimProcess;

namespace {

struct Outcome {
    int exitCode = -1;
    bool finished = false;
    QString out;
    QString err;
};

// Runs the program in its own directory, as the run command does, with `environment`.
Outcome RunProgram(const QStringList& arguments, const QProcessEnvironment& environment, int timeoutMs = 60000)
{
    QProcess process;
    process.setProgram(QStringLiteral(ONDREL_APP_PATH));
    process.setArguments(arguments);
    process.setWorkingDirectory(QFileInfo(QStringLiteral(ONDREL_APP_PATH)).absolutePath());
    process.setProcessEnvironment(environment);
    process.start();
    Outcome outcome;
    outcome.finished = process.waitForStarted(10000) && process.waitForFinished(timeoutMs);
    if (!outcome.finished) {
        process.kill();
        process.waitForFinished(5000);
    }
    outcome.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    outcome.out = QString::fromUtf8(process.readAllStandardOutput());
    outcome.err = QString::fromUtf8(process.readAllStandardError());
    return outcome;
}

class HeadlessRun : public ::testing::Test {
protected:
    // The simulator with `simArgs`, and a settings home that points the program at it.
    void StartSim(const std::vector<std::string>& simArgs, const QByteArray& extraSettings = {})
    {
        std::vector<std::string> args = { "--width", "640", "--height", "512" };
        args.insert(args.end(), simArgs.begin(), simArgs.end());
        sim = std::make_unique<SimProcess>(args);
        const QByteArray ini = "[DeviceSettings]\nDeviceIp=127.0.0.1\nDevicePort=" + QByteArray::number(sim->port())
                               + "\n[WorkflowSettings]\nMinWorkflowDelayMs=0\n[SaveSettings]\nBasePath="
                               + results.path().toUtf8() + "\n" + extraSettings;
        ASSERT_TRUE(home.writeIniFile(QStringLiteral("Quorvel GmbH"), QStringLiteral("OndrelApp"), ini));
    }

    QProcessEnvironment Environment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        return environment;
    }

    QTemporaryDir results;
    TempSettingsHome home;
    std::unique_ptr<SimProcess> sim;
};

} // namespace

TEST(Program, VersionAndHelpNeedNoDisplay)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));

    const Outcome version = RunProgram({ QStringLiteral("--version") }, environment);
    ASSERT_TRUE(version.finished);
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, QStringLiteral("OndrelApp 0.2.1\n"));

    const Outcome help = RunProgram({ QStringLiteral("--help") }, environment);
    ASSERT_TRUE(help.finished);
    EXPECT_EQ(help.exitCode, 0);
    for (const char* option : { "--person <id>", "--autostart", "--quit-after-workflow", "--version" }) {
        EXPECT_TRUE(help.out.contains(QLatin1String(option))) << option;
    }
}

TEST_F(HeadlessRun, CapturesAllThreeModesPrintsWhereTheyWentAndExitsZero)
{
    StartSim({ "--settle-ms", "150" });
    const Outcome run = RunProgram({ QStringLiteral("--person"), QStringLiteral("P 17"), QStringLiteral("--autostart"),
                                     QStringLiteral("--quit-after-workflow") },
                                   Environment());
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains(QStringLiteral("Error: "))) << run.err.toStdString();

    const QDir person(results.path() + QStringLiteral("/P 17"));
    const QStringList runs = person.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(runs.size(), 1);
    const QString runDirectory = person.filePath(runs.front());
    for (const QString& mode : { QStringLiteral("4R"), QStringLiteral("4L"), QStringLiteral("2T") }) {
        EXPECT_FALSE(QImage(runDirectory + QLatin1Char('/') + mode + QStringLiteral("/final.png")).isNull()) << mode.toStdString();
        EXPECT_TRUE(run.out.contains(QStringLiteral("Captured %1 -> %2/%1 (final.png)\n").arg(mode, runDirectory)))
            << run.out.toStdString();
    }
    EXPECT_TRUE(run.out.contains(QStringLiteral("Run directory: ") + runDirectory + QLatin1Char('\n')));
    EXPECT_TRUE(run.out.contains(QStringLiteral("Stored 3 of 3 modes: 4R, 4L, 2T\n")));
}

TEST_F(HeadlessRun, ErrorsGoToStandardErrorAndTheExitCodeSaysTheRunWasIncomplete)
{
    StartSim({ "--settle-ms", "100", "--error-type", "129" }); // every final image request fails
    const Outcome run = RunProgram({ QStringLiteral("--autostart"), QStringLiteral("--quit-after-workflow") }, Environment());
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.count(QStringLiteral("Error: ")), 3) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("Stored 0 of 3 modes\n"))) << run.out.toStdString();
}

TEST_F(HeadlessRun, NoDeviceServerEndsAtOnceWithExitCodeTwo)
{
    StartSim({ "--first-type", "6" }); // answers PING where CONNECTED belongs
    const Outcome run = RunProgram({ QStringLiteral("--autostart"), QStringLiteral("--quit-after-workflow") }, Environment());
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains(QStringLiteral("Error: Unable to connect to device server.\nIP: 127.0.0.1\nPort: %1\n")
                                     .arg(sim->port())))
        << run.err.toStdString();
    EXPECT_TRUE(QDir(results.path()).isEmpty());
}

TEST_F(HeadlessRun, UnattendedRunStartsByItselfAndGivesUpOnAModeAtItsTimeLimit)
{
    StartSim({ "--settle-ms", "600000" }); // the hand never comes into range
    const Outcome run = RunProgram({ QStringLiteral("--quit-after-workflow"), QStringLiteral("--mode-time-limit"),
                                     QStringLiteral("1") },
                                   Environment());
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1);
    for (const char* mode : { "4R", "4L", "2T" }) {
        EXPECT_TRUE(run.out.contains(QStringLiteral("Not captured: %1 (time limit of 1 s reached)\n").arg(QLatin1String(mode))))
            << run.out.toStdString();
    }
    EXPECT_TRUE(run.out.contains(QStringLiteral("Stored 0 of 3 modes\n")));
}

TEST_F(HeadlessRun, UnusablePersonIdentifierEndsWithAnErrorBeforeAnythingIsWritten)
{
    StartSim({});
    const Outcome run = RunProgram({ QStringLiteral("--person"), QStringLiteral(".."), QStringLiteral("--quit-after-workflow") },
                                   Environment());
    ASSERT_TRUE(run.finished);
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(run.err.contains(QStringLiteral("Error: The person identifier \"..\" cannot be used"))) << run.err.toStdString();
    EXPECT_TRUE(QDir(results.path()).isEmpty());
}

namespace {

// Every file below `directory` with its bytes, keyed by its path relative to `directory`.
std::map<QString, QByteArray> Snapshot(const QString& directory)
{
    std::map<QString, QByteArray> files;
    QDirIterator it(directory, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            files[QDir(directory).relativeFilePath(path)] = file.readAll();
        }
    }
    return files;
}

} // namespace

// A broken or hostile device makes the run fail with errors on standard error; the program
// ends normally and what an earlier run stored is left exactly as it was.
TEST_F(HeadlessRun, HostileDeviceNeverCrashesTheProgramOrTouchesEarlierResults)
{
    StartSim({ "--settle-ms", "100" });
    const QStringList arguments = { QStringLiteral("--person"), QStringLiteral("P1"), QStringLiteral("--autostart"),
                                    QStringLiteral("--quit-after-workflow") };
    const Outcome first = RunProgram(arguments, Environment());
    ASSERT_TRUE(first.finished);
    ASSERT_EQ(first.exitCode, 0) << first.err.toStdString();
    const auto stored = Snapshot(results.path());
    ASSERT_GE(stored.size(), 4u); // cfg.txt and three final images

    for (const char* kind : { "bad-image-type", "bad-byte-count", "bad-count", "huge-size" }) {
        SCOPED_TRACE(kind);
        sim.reset();
        StartSim({ "--settle-ms", "100", "--hostile", kind });
        const Outcome hostile = RunProgram(arguments, Environment());
        ASSERT_TRUE(hostile.finished);
        EXPECT_EQ(hostile.exitCode, 1) << hostile.err.toStdString();
        EXPECT_TRUE(hostile.err.contains(QStringLiteral("Error: "))) << hostile.err.toStdString();
        // The hostile run stores no image; everything of the first run is byte for byte intact.
        for (const auto& [path, bytes] : stored) {
            QFile file(results.path() + QLatin1Char('/') + path);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
            if (!path.endsWith(QLatin1String("cfg.txt"))) {
                EXPECT_EQ(file.readAll(), bytes) << path.toStdString();
            }
        }
    }
}

// A settings file of garbage still starts the program: what does not read keeps its
// default, and the run goes on. (Thresholds stay sane here so that the hand can be captured.)
TEST_F(HeadlessRun, GarbageSettingsFileStillStartsTheProgram)
{
    StartSim({ "--settle-ms", "100" });
    QByteArray garbage("\xff\xfe junk without a key\n[[[\n[UserSettings]\nUser=abc\n[DeviceSettings]\nDeviceIp=127.0.0.1\n"
                       "DevicePort=");
    garbage += QByteArray::number(sim->port());
    garbage += "\n[WorkflowSettings]\nMinWorkflowDelayMs=fast\n[SaveSettings]\nFinalImage=\xc3\x28\nRawData=\x01\x02\n"
               "BasePath=";
    garbage += results.path().toUtf8();
    garbage += "\n[Auth]\nAuthGroup=\xc3\nAuthAutoLogin=maybe\n[LiveViewSettings]\nDrawFPS=@Variant(\x00\x00\x00\x7f";
    ASSERT_TRUE(home.writeIniFile(QStringLiteral("Quorvel GmbH"), QStringLiteral("OndrelApp"), garbage));

    const Outcome run = RunProgram({ QStringLiteral("--autostart"), QStringLiteral("--quit-after-workflow") }, Environment());
    ASSERT_TRUE(run.finished);
    EXPECT_NE(run.exitCode, -1) << "the program crashed: " << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("Run directory: "))) << run.out.toStdString();
}
