// The program as a user or a script starts it: version, help and usage errors, and unattended
// runs against ondrel-sim with what they store, log and print, and their exit codes.
#include "GeneratedRun.h"
#include "InterchangeFile.h"
#include "GeneratedRuns.h"
#include "SimProcess.h"
#include "TempSettingsHome.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>

#include <gtest/gtest.h>

#include <map>
#include <memory>

#include <sys/stat.h>

namespace {

struct Outcome {
    int exitCode = -1; // also when the program crashed or did not end
    QString out, err;
};

// Runs the program in its own directory, as the run command does.
Outcome RunProgram(const QStringList& arguments, const QProcessEnvironment& environment)
{
    QProcess process;
    process.setWorkingDirectory(QFileInfo(QStringLiteral(ONDREL_APP_PATH)).absolutePath());
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(ONDREL_APP_PATH), arguments);
    Outcome outcome;
    if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit) {
        outcome.exitCode = process.exitCode();
    } else {
        process.kill();
        process.waitForFinished(5000);
    }
    outcome.out = QString::fromUtf8(process.readAllStandardOutput());
    outcome.err = QString::fromUtf8(process.readAllStandardError());
    return outcome;
}

// Every file below `directory` with its bytes, by its relative path.
std::map<QString, QByteArray> Snapshot(const QString& directory)
{
    std::map<QString, QByteArray> files;
    for (QDirIterator it(directory, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        QFile file(it.next());
        files[QDir(directory).relativeFilePath(file.fileName())] = file.open(QIODevice::ReadOnly) ? file.readAll() : "?";
    }
    return files;
}

const QStringList kUnattended = { QStringLiteral("--person"), QStringLiteral("P 17"), QStringLiteral("--autostart"),
                                  QStringLiteral("--quit-after-workflow") };

class Program : public ::testing::Test {
protected:
    // The simulator with `simArgs`, and settings that point the program at it.
    void StartSim(const std::vector<std::string>& simArgs, const QByteArray& extraSettings = {})
    {
        std::vector<std::string> args = { "--width", "640", "--height", "512" };
        args.insert(args.end(), simArgs.begin(), simArgs.end());
        sim = std::make_unique<ondrel::testsupport::SimProcess>(args);
        ASSERT_TRUE(home.write("[DeviceSettings]\nDeviceIp=127.0.0.1\nDevicePort=" + QByteArray::number(sim->port())
                               + "\n[WorkflowSettings]\nMinWorkflowDelayMs=0\n[SaveSettings]\nBasePath=" + results.path().toUtf8() + "\n"
                               + extraSettings));
    }
    Outcome RunUnattended() const { return RunProgram(kUnattended, environment); }

    QTemporaryDir results;
    TempSettingsHome home;
    std::unique_ptr<ondrel::testsupport::SimProcess> sim;
    // The home's settings and log, and no display or platform chosen.
    QProcessEnvironment environment = [] {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        for (const char* name : { "QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY" }) {
            e.remove(QLatin1String(name));
        }
        return e;
    }();
};

} // namespace

TEST_F(Program, VersionHelpAndUsageErrorsNeedNoDisplayAndUsageErrorsExitWithTwo)
{
    const Outcome version = RunProgram({ QStringLiteral("--version") }, environment);
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, QStringLiteral("OndrelApp 0.3.0\n"));
    const Outcome help = RunProgram({ QStringLiteral("--help") }, environment);
    EXPECT_EQ(help.exitCode, 0);
    for (const char* option : { "--person <id>", "--autostart", "--quit-after-workflow", "--version", "--export-an2k <RUN_DIR>", "--missing",
                                "--runs-csv <base-dir>" }) {
        EXPECT_TRUE(help.out.contains(QLatin1String(option))) << option;
    }
    const struct {
        const char* arguments; // split at spaces
        const char* display;   // DISPLAY, or nullptr for none
        const char* message;
    } cases[] = {
        { "--bogus", nullptr, "OndrelApp: Unknown option 'bogus'.\nTry 'OndrelApp --help'.\n" },
        { "--person", nullptr, "OndrelApp: Missing value after '--person'." },
        { "--device scanner", nullptr, "'scanner' is not a device address" },
        { "--device host:70000", nullptr, "is not a device address" },
        { "stray", nullptr, "Unexpected argument 'stray'." },
        { "--export-an2k", nullptr, "OndrelApp: Missing value after '--export-an2k'." },
        { "--export-an2k run out stray", nullptr, "Unexpected argument 'stray'." },
        { "--export-an2k run --quit-after-workflow", nullptr, "--export-an2k cannot be combined with --quit-after-workflow." },
        { "--missing 11", nullptr, "--missing: \"11\" is no finger position from 1 to 10." },
        { "--missing 3:AB", nullptr, "--missing: \"3:AB\": the code is XX or UP." },
        { "--missing 3,3:UP", nullptr, "--missing: finger 3 is given twice." },
        { "--missing 3,", nullptr, "--missing: empty finger position" },
        { "", nullptr,
          "OndrelApp: no display found (DISPLAY is not set). To run without a display: OndrelApp --person ID --quit-after-workflow\n" },
        { "--person P1", ":4711", "OndrelApp: cannot open the display ':4711'. To run without a display:" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        QProcessEnvironment withDisplay = environment;
        if (c.display != nullptr) {
            withDisplay.insert(QStringLiteral("DISPLAY"), QLatin1String(c.display));
        }
        const Outcome run = RunProgram(QString::fromLatin1(c.arguments).split(QLatin1Char(' '), Qt::SkipEmptyParts), withDisplay);
        EXPECT_EQ(run.exitCode, 2) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QLatin1String(c.message))) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    }
}

// Every save option (which needs the extended mode): each file in its place, exit code 0; a
// blurred right middle finger is scored below the minimum and named; the run's ANSI/NIST-ITL
// file is the one --export-an2k makes of it.
TEST_F(Program, AWholeRunStoresEveryFileLogsItselfAndNoLaterFailedRunTouchesIt)
{
    StartSim({ "--settle-ms", "150", "--degrade", "3:blur=3" },
             "[UserSettings]\nUser=5307\n[SaveSettings]\nRawData=true\nCaptureTimes=true\n"
             "PreviewImage=true\nFinalImage=true\nCalibrationFile=true\nSegmentInformations=true\nSegments=true\n");
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR")); // which the platform remarks on
    const Outcome run = RunUnattended();
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList runs = QDir(results.path() + QStringLiteral("/P 17")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(runs.size(), 1);
    const QString runDirectory = results.path() + QStringLiteral("/P 17/") + runs.front();
    EXPECT_TRUE(run.out.contains(QStringLiteral("Run directory: ") + runDirectory + QLatin1Char('\n'))) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("Stored 3 of 3 modes: 4R, 4L, 2T\n")));

    std::set<QString> expected = { QStringLiteral("cfg.txt"), QStringLiteral("run.ini"), QStringLiteral("run.an2") };
    const QByteArray record = Snapshot(runDirectory)[QStringLiteral("run.ini")];
    for (const QString mode : { "4R", "4L", "2T" }) {
        EXPECT_TRUE(record.contains(QStringLiteral("[%1]\noutcome=captured\nattempts=1\ntimeToCaptureMs=").arg(mode).toUtf8())) << record.toStdString();
        EXPECT_TRUE(run.out.contains(QStringLiteral("Captured %1 -> %2/%1 (").arg(mode, runDirectory))) << run.out.toStdString();
        const int segments = QSettings(runDirectory + "/" + mode + "/SegmentInfos.ini", QSettings::IniFormat).value("Segments").toInt();
        EXPECT_EQ(segments, mode == "2T" ? 2 : 4);
        for (const char* name : { "preview.png", "final.png", "SegmentInfos.ini", "quality.ini", "calibration.calib", "times.txt", "raw/frame1.png",
                                  "raw/frame2.png", "raw/frame3.png" }) {
            expected.insert(mode + "/" + name);
        }
        for (int i = 0; i < segments; ++i) {
            expected.insert(QStringLiteral("%1/segments/%2.png").arg(mode).arg(i));
        }
    }
    std::set<QString> files;
    for (const auto& [path, bytes] : Snapshot(runDirectory)) {
        files.insert(path);
        EXPECT_FALSE(bytes.isEmpty()) << path.toStdString();
        EXPECT_TRUE(!path.endsWith(".png") || !QImage(runDirectory + "/" + path).isNull()) << path.toStdString();
    }
    EXPECT_EQ(files, expected);
    EXPECT_TRUE(run.out.contains(QRegularExpression(QStringLiteral("Quality 4R: \\d+ \\d+ \\d+ \\d+\n")))) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QRegularExpression(QStringLiteral("4R: finger 3, right middle, quality \\d+, below 40\n"))));
    const QSettings quality(runDirectory + QStringLiteral("/4R/quality.ini"), QSettings::IniFormat);
    EXPECT_EQ(quality.value(QStringLiteral("Segment1/position")).toInt(), 3);
    EXPECT_LT(quality.value(QStringLiteral("Segment1/quality")).toInt(), 40);
    EXPECT_GE(quality.value(QStringLiteral("Segment0/quality")).toInt(), 40);
    const QByteArray interchange = Snapshot(runDirectory)[QStringLiteral("run.an2")];
    ASSERT_TRUE(QFile::remove(runDirectory + QStringLiteral("/run.an2")));
    EXPECT_EQ(RunProgram({ QStringLiteral("--export-an2k"), runDirectory }, environment).exitCode, 0);
    EXPECT_EQ(Snapshot(runDirectory)[QStringLiteral("run.an2")], interchange);
    // The log: every line timestamped, and start, connection, run and exit in this order.
    QFile logFile(home.dataPath() + QStringLiteral("/Quorvel GmbH/OndrelApp/OndrelApp.log"));
    ASSERT_TRUE(logFile.open(QIODevice::ReadOnly));
    const QString log = QString::fromUtf8(logFile.readAll());
    const QRegularExpression unformatted(QStringLiteral("^(?!\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}(Z|[+-]\\d\\d:\\d\\d) "
                                                        "(info|warning|critical) [a-z.]+: \\S).+$"),
                                         QRegularExpression::MultilineOption);
    EXPECT_FALSE(unformatted.match(log).hasMatch()) << unformatted.match(log).captured().toStdString();
    const QString address = QStringLiteral("127.0.0.1:%1").arg(sim->port());
    QString inOrder;
    for (const QString& text :
         { QStringLiteral("info ondrel.app: OndrelApp 0.3.0 started: "), QStringLiteral("info ondrel.device: Connected to ") + address,
           QStringLiteral("info ondrel.run: Run started: person \"P 17\", directory %1/P 17/").arg(results.path()),
           QStringLiteral("info ondrel.run: Run ended: Stored 3 of 3 modes in %1/P 17/").arg(results.path()),
           QStringLiteral("info ondrel.device: Disconnected from ") + address,
           QStringLiteral("info ondrel.app: OndrelApp 0.3.0 exits with code 0") }) {
        inOrder += QRegularExpression::escape(text) + QStringLiteral(".*");
    }
    EXPECT_TRUE(QRegularExpression(inOrder, QRegularExpression::DotMatchesEverythingOption).match(log).hasMatch()) << log.toStdString();
    // The platform's own warnings go to the log, not among the run's lines on the terminal.
    for (const QString warning : { "XDG_RUNTIME_DIR not set", "This plugin does not support propagateSizeHints()" }) {
        EXPECT_TRUE(log.contains(warning)) << log.toStdString();
        EXPECT_FALSE(run.err.contains(warning)) << run.err.toStdString();
    }
    // A broken or hostile device fails the run with errors (exit code 1: incomplete); the
    // program ends normally and every file of the run above stays byte for byte as it was.
    const auto stored = Snapshot(results.path());
    const std::vector<std::string> broken[] = { { "--error-type", "129" } /* every final image request fails */,
                                                { "--hostile", "bad-image-type" },
                                                { "--hostile", "bad-byte-count" },
                                                { "--hostile", "bad-count" },
                                                { "--hostile", "huge-size" } };
    for (const std::vector<std::string>& args : broken) {
        SCOPED_TRACE(args.back());
        sim.reset();
        StartSim({ "--settle-ms", "100", args[0], args[1] });
        const Outcome failed = RunUnattended();
        EXPECT_EQ(failed.exitCode, 1) << failed.err.toStdString();
        EXPECT_TRUE(failed.err.contains(QStringLiteral("Error: "))) << failed.err.toStdString();
        if (args[0] == "--error-type") {
            EXPECT_EQ(failed.err.count(QStringLiteral("Error: ")), 3) << failed.err.toStdString();
            EXPECT_TRUE(failed.out.contains(QStringLiteral("Stored 0 of 3 modes\n"))) << failed.out.toStdString();
        }
        auto now = Snapshot(results.path());
        for (const auto& [path, bytes] : stored) {
            EXPECT_TRUE(path.endsWith(QLatin1String("cfg.txt")) || now[path] == bytes) << path.toStdString();
        }
    }
}

// An address given on the command line (winning over the settings') where nothing listens.
TEST_F(Program, NoDeviceServerEndsAtOnceWithExitCodeTwo)
{
    StartSim({});
    ondrel::testsupport::SimProcess gone;
    const uint16_t dead = gone.port();
    gone.Stop();
    const Outcome run =
        RunProgram(kUnattended + QStringList{ QStringLiteral("--device"), QStringLiteral("127.0.0.1:%1").arg(dead) }, environment);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains(QStringLiteral("Error: Unable to connect to device server.\nIP: 127.0.0.1\nPort: %1\n").arg(dead)))
        << run.err.toStdString();
    EXPECT_TRUE(QDir(results.path()).isEmpty());
}

// An unusable person identifier ends the program before anything is written.
TEST_F(Program, AnUnusableIdentifierEndsAtOnceAndAnUnattendedRunGivesUpOnAModeAtItsTimeLimit)
{
    StartSim({ "--settle-ms", "600000" }); // the hand never comes into range
    const Outcome refused =
        RunProgram({ QStringLiteral("--person"), QStringLiteral(".."), QStringLiteral("--quit-after-workflow") }, environment);
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("Error: The person identifier \"..\" cannot be used"))) << refused.err.toStdString();
    EXPECT_TRUE(QDir(results.path()).isEmpty());
    const Outcome run = RunProgram(kUnattended + QStringList{ QStringLiteral("--mode-time-limit"), QStringLiteral("1") }, environment);
    EXPECT_EQ(run.exitCode, 1);
    for (const char* mode : { "4R", "4L", "2T" }) {
        EXPECT_TRUE(run.out.contains(QStringLiteral("Not captured: %1 (time limit of 1 s reached)\n").arg(QLatin1String(mode))))
            << run.out.toStdString();
    }
    EXPECT_TRUE(run.out.contains(QStringLiteral("Stored 0 of 3 modes\n")));
}

// A person without a right middle finger: marked, the hand is captured with three fingers
// and recorded; unmarked, the hand is given up at the time limit.
TEST_F(Program, AMissingFingerMarkedIsCapturedWithoutItAndUnmarkedIsGivenUpAtTheTimeLimit)
{
    StartSim({ "--settle-ms", "150", "--missing-fingers", "3" });
    const QStringList timeLimit = { QStringLiteral("--mode-time-limit"), QStringLiteral("2") };
    const Outcome marked = RunProgram(kUnattended + timeLimit + QStringList{ QStringLiteral("--missing"), QStringLiteral("3") }, environment);
    EXPECT_EQ(marked.exitCode, 0) << marked.out.toStdString() << marked.err.toStdString();
    EXPECT_TRUE(marked.out.contains(QStringLiteral("Stored 3 of 3 modes: 4R, 4L, 2T\n"))) << marked.out.toStdString();
    const Outcome unmarked = RunProgram(kUnattended + timeLimit, environment);
    EXPECT_EQ(unmarked.exitCode, 1);
    EXPECT_TRUE(unmarked.out.contains(QStringLiteral("Not captured: 4R (time limit of 2 s reached)\n"))) << unmarked.out.toStdString();

    std::map<QString, QByteArray> files = Snapshot(results.path() + QStringLiteral("/P 17"));
    QStringList fingerFiles, records;
    for (const auto& [path, bytes] : files) {
        if (path.endsWith(QLatin1String("fingers.ini"))) {
            fingerFiles << QString::fromUtf8(bytes);
        } else if (path.endsWith(QLatin1String("run.ini"))) {
            records << QString::fromUtf8(bytes);
        }
    }
    EXPECT_EQ(fingerFiles, QStringList{ QStringLiteral("[Fingers]\n3=XX\n") });
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(records.filter(QStringLiteral("[4R]\noutcome=captured\n")).size(), 1);
    EXPECT_EQ(records.filter(QStringLiteral("[4R]\noutcome=time limit\n")).size(), 1);
}

// A stored run's ANSI/NIST-ITL file without device or display: byte for byte the file the app
// writes, or exit code 1, an error and no file.
TEST_F(Program, ExportAn2kRegeneratesARunsFileAndRefusesBrokenRunsWithoutWritingOne)
{
    using namespace ondrel::testsupport;
    const auto readAll = [](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("none");
    };
    const QString run = results.filePath(QStringLiteral("M\u00fcller 7/07_12_26_09_15_02"));
    ASSERT_TRUE(WriteGeneratedRun(run, {}));
    ASSERT_TRUE(WriteRunInterchangeFile(run, run + "/run.an2", InterchangeValues{ "OTHER", "OTHER0000", 0 }));
    const QByteArray written = readAll(run + "/run.an2");
    ASSERT_TRUE(QFile::remove(run + "/run.an2"));
    const Outcome exported = RunProgram({ QStringLiteral("--export-an2k"), run }, environment);
    EXPECT_EQ(exported.exitCode, 0) << exported.err.toStdString();
    EXPECT_EQ(readAll(run + "/run.an2"), written);
    const Outcome elsewhere =
        RunProgram({ QStringLiteral("--export-an2k"), run, results.filePath(QStringLiteral("copy.an2")) }, environment);
    EXPECT_EQ(elsewhere.exitCode, 0) << elsewhere.err.toStdString();
    EXPECT_EQ(readAll(results.filePath(QStringLiteral("copy.an2"))), written);

    for (const RunFault fault : kRunFaults) {
        SCOPED_TRACE(static_cast<int>(fault));
        const QString broken = results.filePath(QStringLiteral("P/01_02_26_03_04_0%1").arg(static_cast<int>(fault)));
        ASSERT_TRUE(WriteGeneratedRun(broken, {}) && Spoil(broken, fault));
        const Outcome refused = RunProgram({ QStringLiteral("--export-an2k"), broken }, environment);
        EXPECT_EQ(refused.exitCode, 1);
        EXPECT_TRUE(refused.err.contains(QStringLiteral("Error: ") + broken)) << refused.err.toStdString();
        EXPECT_FALSE(QFile::exists(broken + "/run.an2"));
    }
}

// The runs export needs neither a device nor a display.
TEST_F(Program, RunsCsvWritesTheStoredRunsAndFailsWithOneOrTwo)
{
    ondrel::testsupport::GenerateRuns(results.path(), 3, false);
    const Outcome toOutput = RunProgram({ QStringLiteral("--runs-csv"), results.path() }, environment);
    EXPECT_EQ(toOutput.exitCode, 0) << toOutput.err.toStdString();
    EXPECT_TRUE(toOutput.out.startsWith(QStringLiteral("person,started,run_directory,"))) << toOutput.out.toStdString();
    EXPECT_EQ(toOutput.out.count(QStringLiteral("\r\n")), 1 + 3 * 3);
    QTemporaryDir elsewhere;
    const QString file = elsewhere.filePath(QStringLiteral("runs.csv"));
    const Outcome toFile = RunProgram({ QStringLiteral("--runs-csv"), results.path(), file }, environment);
    EXPECT_EQ(toFile.exitCode, 0) << toFile.err.toStdString();
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), toOutput.out.toUtf8());

    const struct {
        QStringList arguments;
        int exitCode;
        const char* message;
    } cases[] = {
        { { "--runs-csv", elsewhere.filePath("none") }, 1, "Error: The base directory \"" },
        { { "--runs-csv", results.path(), elsewhere.filePath("no/such/dir.csv") }, 1, "Error: The CSV could not be written to" },
        { { "--runs-csv" }, 2, "Missing value after '--runs-csv'." },
        { { "--runs-csv", results.path(), "a.csv", "b.csv" }, 2, "Unexpected argument 'b.csv'." },
        { { "--runs-csv", results.path(), "--quit-after-workflow" }, 2, "--runs-csv starts no capture" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const Outcome run = RunProgram(c.arguments, environment);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_TRUE(run.err.contains(QLatin1String(c.message))) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
}

// Under an open creation mask, as on a shared workstation, every directory and file of a run
// and of its exports is its owner's alone by default, and readable by the group with the
// setting; the log and the settings file stay the owner's alone either way.
TEST_F(Program, RunsAndExportsAreOwnerOnlyOrGroupReadableAsSetWhateverTheUmaskAndLogAndSettingsOwnerOnly)
{
    const mode_t startedWith = ::umask(022);
    const auto modeOf = [](const QString& path) {
        struct stat status { };
        return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? QString::number(status.st_mode & 07777, 8) : QString();
    };
    const struct {
        const char* person;
        const char* setting;
        QString directories, files;
    } rows[] = { { "Owner", "", "700", "600" }, { "Group", "[SaveSettings]\nGroupReadable=true\n", "750", "640" } };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.person);
        sim.reset();
        StartSim({ "--settle-ms", "150" }, QByteArray("[SaveSettings]\nSegmentInformations=true\nSegments=true\n") + row.setting);
        const Outcome run = RunProgram({ "--person", row.person, "--quit-after-workflow" }, environment);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QString person = results.filePath(QLatin1String(row.person));
        const QStringList runs = QDir(person).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        ASSERT_EQ(runs.size(), 1);
        EXPECT_EQ(RunProgram({ "--export-an2k", person + "/" + runs.front() }, environment).exitCode, 0);
        QTemporaryDir exports;
        const QString csv = exports.filePath(QStringLiteral("runs.csv"));
        EXPECT_EQ(RunProgram({ "--runs-csv", results.path(), csv }, environment).exitCode, 0);

        QStringList checked = { person, csv };
        for (QDirIterator it(person, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
             it.hasNext();) {
            checked << it.next();
        }
        EXPECT_GT(checked.size(), 20) << checked.join(' ').toStdString();
        EXPECT_TRUE(checked.filter(QStringLiteral("/run.an2")).size() == 1
                    && checked.filter(QStringLiteral("/segments/0.png")).size() == 3);
        for (const QString& path : checked) {
            EXPECT_EQ(modeOf(path), QFileInfo(path).isDir() ? row.directories : row.files) << path.toStdString();
        }
        for (const QString& path :
             { home.dataPath() + "/Quorvel GmbH/OndrelApp/OndrelApp.log", home.path() + "/Quorvel GmbH/OndrelApp.ini" }) {
            EXPECT_EQ(modeOf(path), QStringLiteral("600")) << path.toStdString();
        }
    }
    ::umask(startedWith);
}
