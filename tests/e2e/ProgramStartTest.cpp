// Starting the program without a usable display: usage errors and display problems are
// reported in one line with an exit code, never by the toolkit's abort; an unattended run
// needs no display at all.
#include "ProgramRun.h"
#include "SimProcess.h"
#include "TempSettingsHome.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(ProgramStart, WithoutADisplayUsageErrorsAndDisplayProblemsAreReportedWithExitCodeTwo)
{
    const TempSettingsHome home;
    const QTemporaryDir workingDirectory;
    struct Case {
        QStringList arguments;
        const char* display; // DISPLAY, or nullptr for none
        const char* message;
    };
    const Case cases[] = {
        { { QStringLiteral("--bogus") }, nullptr, "OndrelApp: Unknown option 'bogus'.\nTry 'OndrelApp --help'.\n" },
        { { QStringLiteral("--person") }, nullptr, "OndrelApp: Missing value after '--person'." },
        { { QStringLiteral("--device"), QStringLiteral("scanner") }, nullptr, "'scanner' is not a device address" },
        { { QStringLiteral("--device"), QStringLiteral("host:70000") }, nullptr, "is not a device address" },
        { { QStringLiteral("stray") }, nullptr, "Unexpected argument 'stray'." },
        { {}, nullptr, "OndrelApp: no display found (DISPLAY is not set). To run without a display: OndrelApp "
                       "--person ID --quit-after-workflow\n" },
        { { QStringLiteral("--person"), QStringLiteral("P1") }, ":4711",
          "OndrelApp: cannot open the display ':4711'. To run without a display:" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        QProcessEnvironment environment = EnvironmentWithoutDisplay();
        if (c.display != nullptr) {
            environment.insert(QStringLiteral("DISPLAY"), QLatin1String(c.display));
        }
        const ProgramRun run = RunOndrelApp(c.arguments, environment, workingDirectory.path());
        EXPECT_EQ(run.exitCode, 2) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QLatin1String(c.message))) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    }
}

// An unattended run picks the offscreen platform itself and gets as far as the device.
TEST(ProgramStart, UnattendedRunWithoutADisplayRunsOffscreen)
{
    const TempSettingsHome home;
    const QTemporaryDir workingDirectory;
    ondrel::testsupport::SimProcess gone;
    const uint16_t port = gone.port();
    gone.Stop(); // nothing listens there now

    const ProgramRun run = RunOndrelApp({ QStringLiteral("--device"), QStringLiteral("127.0.0.1:%1").arg(port),
                                          QStringLiteral("--autostart"), QStringLiteral("--quit-after-workflow") },
                                        EnvironmentWithoutDisplay(), workingDirectory.path());
    EXPECT_EQ(run.exitCode, 2) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("Error: Unable to connect to device server.\nIP: 127.0.0.1\nPort: %1\n").arg(port)))
        << run.err.toStdString();
}
