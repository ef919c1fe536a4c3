// The main window's status line and keys: a whole run against the simulator, and a start
// that fails for want of a server.
#include "DialogSettings.h"
#include "SimProcess.h"
#include "StatusLine.h"
#include "test_main_window_fixture.h"

#include <QDir>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QWindow>

using namespace mainwindowtest;
using ondrel::testsupport::SimProcess;

namespace {

class MainWindowStatus : public MainWindowTest {
protected:
    QString Shown(const char* label) { return Child<QLabel>(*window, label)->text(); }

    void ShowActive()
    {
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
};

} // namespace

TEST_F(MainWindowStatus, TellsTheLinkEachHandsGuidanceAndWhatTheRunStored)
{
    SimProcess sim({ "--settle-ms", "300", "--width", "640", "--height", "512" });
    QTemporaryDir results;
    WriteSettings(home, sim.port(),
                  "[WorkflowSettings]\nMinWorkflowDelayMs=0\n[SaveSettings]\nBasePath=" + results.path().toUtf8() + "\n");
    window = std::make_unique<app_ondrel>(nullptr, LaunchOptions{ QStringLiteral("P-7"), false, 0, {}, 0 });
    const QString address = QStringLiteral("127.0.0.1:%1").arg(sim.port());
    EXPECT_EQ(Shown("lbl_Link"), QStringLiteral("Connected to ") + address);
    ShowActive();

    QStringList shown;
    QObject::connect(window->findChild<StatusLine*>(), &StatusLine::textShown,
                     [&shown](const QString& text) { shown << text; });
    window->ConnectToDevice(); // a reconnection names the address while it waits
    QTest::keyClick(Child<QLineEdit>(*window, "edit_Person"), Qt::Key_Return);

    EXPECT_EQ(boxes.count(), 0);
    const QDir person(results.path() + QStringLiteral("/P-7"));
    const QStringList runs = person.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(runs.size(), 1);
    const QString runDirectory = person.filePath(runs.front());
    const QString step1 = QStringLiteral("Step 1 of 3 \u00b7 Right hand: ");
    const QString step2 = QStringLiteral("Step 2 of 3 \u00b7 Left hand: ");
    const QString step3 = QStringLiteral("Step 3 of 3 \u00b7 Thumbs: ");
    const QStringList expected = {
        QStringLiteral("Connecting to %1\u2026").arg(address), QStringLiteral("Connected to ") + address,
        step1 + QStringLiteral("ready"), step1 + QStringLiteral("captured"),
        step2 + QStringLiteral("ready"), step2 + QStringLiteral("captured"),
        step3 + QStringLiteral("ready"), step3 + QStringLiteral("captured"),
        QStringLiteral("Stored 3 of 3 modes in ") + runDirectory,
    };
    // In this order; in between only the guidance of the hand that comes next.
    int next = 0;
    for (const QString& text : shown) {
        if (next < expected.size() && text == expected[next]) {
            ++next;
        } else {
            EXPECT_TRUE(next >= 2 && next < expected.size() - 1
                        && text.startsWith(expected[next].section(QLatin1Char(':'), 0, 0) + QStringLiteral(": ")))
                << text.toStdString();
        }
    }
    EXPECT_EQ(next, expected.size()) << shown.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(Shown("lbl_Run"), expected.back());
    EXPECT_TRUE(Child<QLabel>(*window, "lbl_OpenFolder")->isVisible());

    // The settings key opens the dialog, which reads the access level for the link too.
    QKeySequence preferences(QKeySequence::Preferences);
    if (preferences.isEmpty()) {
        preferences = QKeySequence(Qt::CTRL | Qt::Key_Comma);
    }
    QTest::keySequence(window.get(), preferences);
    auto* dialog = window->findChild<DialogSettings*>();
    QTRY_VERIFY_WITH_TIMEOUT(dialog->isVisible(), 5000);
    EXPECT_TRUE(Shown("lbl_Link").startsWith(QStringLiteral("Connected to %1 \u00b7 access level ").arg(address)));
    dialog->close();

    // Escape stops the next run; the modes it did not reach are named.
    ShowActive();
    WhenReady escape([&] { return Shown("lbl_Run").startsWith(step1) || Shown("lbl_Run").startsWith(step2); },
                     [&] { QTest::keyClick(window.get(), Qt::Key_Escape); });
    window->StartWorkflow();
    ASSERT_TRUE(escape.Done());
    EXPECT_FALSE(window->IsRunning());
    EXPECT_TRUE(Shown("lbl_Run").endsWith(QStringLiteral("2T (stopped)"))) << Shown("lbl_Run").toStdString();
}

TEST_F(MainWindowStatus, AFailedStartLeavesTheWindowIdleAndNotConnected)
{
    uint16_t deadPort = 0;
    {
        ScriptedServer gone;
        deadPort = gone.Port();
    }
    WriteSettings(home, deadPort);
    window = std::make_unique<app_ondrel>();
    EXPECT_EQ(Shown("lbl_Link"), QStringLiteral("Not connected"));

    // A window larger than the screen is fitted into it.
    window->show();
    const QRect available = window->windowHandle()->screen()->availableGeometry();
    ASSERT_LT(available.width(), 1333);
    EXPECT_LE(window->frameGeometry().width(), available.width());

    boxes.clear();
    window->StartWorkflow();

    EXPECT_EQ(boxes.count(), 1); // the connection alone: nothing is sent without one
    EXPECT_FALSE(window->IsRunning());
    EXPECT_FALSE(Button(*window, "btn_captureRight")->isEnabled());
    EXPECT_FALSE(Button(*window, "btn_captureLeft")->isEnabled());
    EXPECT_FALSE(Button(*window, "btn_captureThumbs")->isEnabled());
    EXPECT_TRUE(Button(*window, "btn_AutoWorkflow")->isEnabled());
    EXPECT_EQ(IconImage(Button(*window, "btn_AutoWorkflow")->icon()),
              IconImage(QStringLiteral(":/settings/icons/Autoscan_black.png")));
    EXPECT_EQ(Shown("lbl_Link"), QStringLiteral("Not connected"));
    EXPECT_EQ(Shown("lbl_Run"), QStringLiteral("The workflow could not start."));
}
