// The main window's status line and keys over a whole run against the simulator.
#include "DialogSettings.h"
#include "SimProcess.h"
#include "StatusLine.h"
#include "test_app_fixture.h"

#include <QDir>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>

using namespace apptest;

namespace {

class MainWindowStatus : public WindowTest {
protected:
    QString Label(const char* name) const { return Child<QLabel>(*window, name)->text(); }
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
    ondrel::testsupport::SimProcess sim({ "--settle-ms", "300", "--width", "640", "--height", "512" });
    QTemporaryDir results;
    ASSERT_TRUE(home.write(DeviceSection(sim.port()) + "[WorkflowSettings]\nMinWorkflowDelayMs=0\n[SaveSettings]\nBasePath="
                           + results.path().toUtf8() + "\n"));
    LaunchOptions options;
    options.person = QStringLiteral("P-7");
    window = std::make_unique<app_ondrel>(nullptr, options);
    const QString address = QStringLiteral("127.0.0.1:%1").arg(sim.port());
    EXPECT_EQ(Label("lbl_Link"), QStringLiteral("Connected to ") + address);
    ShowActive();

    QStringList shown;
    QObject::connect(window->findChild<StatusLine*>(), &StatusLine::textShown, [&shown](const QString& text) { shown << text; });
    window->ConnectToDevice(); // a reconnection names the address while it waits
    QTest::keyClick(Child<QLineEdit>(*window, "edit_Person"), Qt::Key_Return);

    EXPECT_EQ(boxes.count(), 0);
    const QDir person(results.path() + QStringLiteral("/P-7"));
    const QStringList runs = person.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(runs.size(), 1);
    const QString step1 = QStringLiteral("Step 1 of 3 \u00b7 Right hand: ");
    const QString step2 = QStringLiteral("Step 2 of 3 \u00b7 Left hand: ");
    const QString step3 = QStringLiteral("Step 3 of 3 \u00b7 Thumbs: ");
    const QStringList expected = {
        QStringLiteral("Connecting to %1\u2026").arg(address), QStringLiteral("Connected to ") + address,
        step1 + QStringLiteral("ready"), step1 + QStringLiteral("captured"),
        step2 + QStringLiteral("ready"), step2 + QStringLiteral("captured"),
        step3 + QStringLiteral("ready"), step3 + QStringLiteral("captured"),
        QStringLiteral("Stored 3 of 3 modes in ") + person.filePath(runs.front()),
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
    EXPECT_EQ(Label("lbl_Run"), expected.back());
    EXPECT_TRUE(Child<QLabel>(*window, "lbl_OpenFolder")->isVisible());

    // The settings key opens the dialog, which reads the access level for the link too.
    QKeySequence preferences(QKeySequence::Preferences);
    if (preferences.isEmpty()) {
        preferences = QKeySequence(Qt::CTRL | Qt::Key_Comma);
    }
    QTest::keySequence(window.get(), preferences);
    auto* dialog = window->findChild<DialogSettings*>();
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog->isVisible(); }, 5000));
    EXPECT_TRUE(Label("lbl_Link").startsWith(QStringLiteral("Connected to %1 \u00b7 access level ").arg(address)));
    dialog->close();

    // Escape stops the next run; the modes it did not reach are named.
    ShowActive();
    WhenReady escape([&] { return Label("lbl_Run").startsWith(step1) || Label("lbl_Run").startsWith(step2); },
                     [&] { QTest::keyClick(window.get(), Qt::Key_Escape); });
    window->StartWorkflow();
    ASSERT_TRUE(escape.Done());
    EXPECT_FALSE(window->IsRunning());
    EXPECT_TRUE(Label("lbl_Run").endsWith(QStringLiteral("2T (stopped)"))) << Label("lbl_Run").toStdString();
}
