// The application log: what a whole headless run leaves in it, its line format, and the
// bound that rotation keeps it to.
#include "AppLog.h"
#include "ProgramRun.h"
#include "SimProcess.h"
#include "TempSettingsHome.h"
#include "app_ondrel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QStringList ReadLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

TEST(AppLog, HeadlessRunLogsStartConnectionRunAndExitOneTimestampedLineEach)
{
    ondrel::testsupport::SimProcess sim({ "--settle-ms", "150", "--width", "640", "--height", "512" });
    const TempSettingsHome home;
    const QTemporaryDir results;
    ASSERT_TRUE(home.writeIniFile(QStringLiteral("Quorvel GmbH"), QStringLiteral("OndrelApp"),
                                  "[WorkflowSettings]\nMinWorkflowDelayMs=0\n[SaveSettings]\nBasePath="
                                      + results.path().toUtf8() + "\n"));
    const QString address = QStringLiteral("127.0.0.1:%1").arg(sim.port());
    const ProgramRun run = RunOndrelApp({ QStringLiteral("--person"), QStringLiteral("L1"), QStringLiteral("--device"),
                                          address, QStringLiteral("--autostart"), QStringLiteral("--quit-after-workflow") },
                                        EnvironmentWithoutDisplay(), results.path());
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();

    const QStringList lines = ReadLines(home.dataPath() + QStringLiteral("/Quorvel GmbH/OndrelApp/OndrelApp.log"));
    const QRegularExpression format(QStringLiteral(
        "^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}(Z|[+-]\\d\\d:\\d\\d) (info|warning|critical) [a-z.]+: \\S"));
    for (const QString& line : lines) {
        EXPECT_TRUE(format.match(line).hasMatch()) << line.toStdString();
    }
    const QString version = VersionText();
    const QStringList expected = {
        QStringLiteral("info ondrel.app: OndrelApp %1 started: ").arg(version),
        QStringLiteral("info ondrel.device: Connected to ") + address,
        QStringLiteral("info ondrel.run: Run started: person \"L1\", directory %1/L1/").arg(results.path()),
        QStringLiteral("info ondrel.run: Run ended: Stored 3 of 3 modes in %1/L1/").arg(results.path()),
        QStringLiteral("info ondrel.device: Disconnected from ") + address,
        QStringLiteral("info ondrel.app: OndrelApp %1 exits with code 0").arg(version),
    };
    int at = 0;
    for (const QString& text : expected) {
        while (at < lines.size() && !lines[at].contains(text)) {
            ++at;
        }
        EXPECT_LT(at, lines.size()) << "missing or out of order: " << text.toStdString() << "\nlog:\n"
                                    << lines.join(QLatin1Char('\n')).toStdString();
    }
}

TEST(AppLog, RotationKeepsTheFileAndOneOlderWithinTheBoundLosingNoRecentLine)
{
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("OndrelApp.log"));
    LogFile log(path, 1000);
    const QDateTime time = QDateTime::currentDateTime();
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(log.Write(FormatLogLine(time, QtInfoMsg, "ondrel.run", QStringLiteral("line %1").arg(i))));
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({ QStringLiteral("OndrelApp.log"), QStringLiteral("OndrelApp.log.1") }));
    EXPECT_LE(QFileInfo(path).size(), 1000);
    EXPECT_LE(QFileInfo(path + QStringLiteral(".1")).size(), 1000);
    // The older file ends right where the current one begins.
    const QStringList older = ReadLines(path + QStringLiteral(".1"));
    const QStringList current = ReadLines(path);
    ASSERT_FALSE(older.isEmpty());
    ASSERT_FALSE(current.isEmpty());
    EXPECT_TRUE(current.last().endsWith(QLatin1String(": line 199")));
    const int last = older.last().section(QLatin1Char(' '), -1).toInt();
    EXPECT_TRUE(current.first().endsWith(QStringLiteral(": line %1").arg(last + 1)));
}

// A device's text can neither split a log line nor put a terminal escape into the file.
TEST(AppLog, ControlCharactersAreMadeVisible)
{
    const QString line = FormatLogLine(QDateTime::currentDateTime(), QtWarningMsg, "ondrel.ui",
                                       QStringLiteral("Error shown: bad\x1b[2J\r\nnext\tend\x7f") + QChar(0x9b) + QChar(0));
    EXPECT_TRUE(line.endsWith(QStringLiteral(" warning ondrel.ui: Error shown: bad\\x1b[2J | next\\x09end\\x7f\\x9b\\x00\n")))
        << line.toStdString();
}
