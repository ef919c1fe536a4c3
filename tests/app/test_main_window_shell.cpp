// The main window's shell: connecting, automatic login, the dialog's device view, closing.
#include "DialogSettings.h"
#include "RunsWindow.h"
#include "SettingsDeviceRelay.h"
#include "test_app_fixture.h"

#include <QDir>
#include <QFileInfo>
#include <QKeySequence>
#include <QLineEdit>
#include <QScreen>
#include <QTemporaryDir>
#include <QWindow>

#include <iostream>
#include <sstream>

#include <sys/stat.h>

using namespace apptest;

namespace {

class MainWindowShell : public WindowTest {
protected:
    DialogSettings* Dialog() const { return window->findChild<DialogSettings*>(); }
    QString ShownGroup() const { return Child<QLabel>(*Dialog(), "lbl_authGroup_current")->text(); }
};

} // namespace

// Everything that needs a window without a connection is checked here.
TEST_F(MainWindowShell, StartsUnconnectedAfterOneBoxWhenNoServerListens)
{
    const uint16_t port = DeadPort();
    QTemporaryDir base;
    const QString partial = base.filePath(QStringLiteral("P-1/05_12_26_14_03_09/.4L.partial"));
    ASSERT_TRUE(QDir().mkpath(partial));
    ASSERT_TRUE(home.write(DeviceSection(port) + "[SaveSettings]\nBasePath=" + base.path().toUtf8() + "\n"));
    window = std::make_unique<app_ondrel>();
    // A mode that an earlier run left half-stored is named at the start, and kept.
    EXPECT_EQ(Label("lbl_Run"), QStringLiteral("A mode that was not stored to the end is kept in ") + partial);
    EXPECT_TRUE(QFileInfo(partial).isDir());

    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().title, QStringLiteral("Error"));
    const QString expected = QStringLiteral("Unable to connect to device server.\nIP: 127.0.0.1\nPort: %1\nError: ").arg(port);
    EXPECT_TRUE(boxes.last().text.startsWith(expected) && boxes.last().text.size() > expected.size()) << boxes.last().text.toStdString();
    EXPECT_FALSE(window->IsConnected());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Ondrel App 0.3.0"));
    EXPECT_EQ(Label("lbl_Link"), QStringLiteral("Not connected"));
    // A window larger than the screen is fitted into it.
    ShowActive();
    const QRect available = window->windowHandle()->screen()->availableGeometry();
    ASSERT_LT(available.width(), 1333);
    EXPECT_LE(window->frameGeometry().width(), available.width());
    // The person field's "unknown" is replaced by what the operator types, not added to.
    auto* person = Child<QLineEdit>(*window, "edit_Person");
    person->setText(QStringLiteral("unknown"));
    person->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return person->selectedText() == QStringLiteral("unknown"); }, 2000));
    QTest::keyClicks(person, QStringLiteral("P-0042"));
    EXPECT_EQ(person->text(), QStringLiteral("P-0042"));

    // A start tries the connection alone: nothing is sent without one.
    boxes.clear();
    window->StartWorkflow();
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_TRUE(boxes.last().text.endsWith(QStringLiteral("\nError: quorvel::Device::Connect(): quorvel error - connection refused")))
        << boxes.last().text.toStdString();
    ExpectIdle();
    // The runs window opens without a device.
    Button("btn_Runs")->click();
    ASSERT_NE(window->findChild<RunsWindow*>(), nullptr);
    EXPECT_TRUE(window->findChild<RunsWindow*>()->isVisible());
    EXPECT_EQ(Label("lbl_Link"), QStringLiteral("Not connected"));
    EXPECT_EQ(Label("lbl_Run"), QStringLiteral("The workflow could not start."));

    window->OpenSettingsWindow();
    EXPECT_EQ(ShownGroup(), QString::fromLatin1(kRelayNotConnected));
    // Authentication is not refused up front; the operation reports its own failure.
    boxes.clear();
    emit Dialog()->authRequested("GUEST", "");
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().text, QStringLiteral("quorvel::Device::Send(): quorvel error - socket not open"));
}

// The first link fails its greeting; on the second the device refuses the start, then it is
// gone: one box each, and the window stays idle. A start then connects anew and runs.
TEST_F(MainWindowShell, FailedStartsLeaveTheWindowIdleWithOneBoxEachAndAStartRetriesTheConnection)
{
    Behaviour refused, refusing;
    refused.first = MessageType::PING;
    refusing.refuseStart = true;
    for (const Behaviour& b : { refused, refusing, Behaviour() }) {
        scanner.Serve(b);
    }
    OpenWindow();
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_TRUE(boxes.last().text.endsWith(QStringLiteral("\nError: unexpected MessageType PING"))) << boxes.last().text.toStdString();
    EXPECT_FALSE(window->IsConnected());
    window->StartWorkflow();
    ASSERT_EQ(boxes.count(), 2);
    EXPECT_TRUE(boxes.last().text.startsWith(QStringLiteral("quorvel::Device::Start"))) << boxes.last().text.toStdString();
    ExpectIdle();
    // The refusing device closed the link: the idle window says so, and the next start
    // reconnects instead of failing on the closed link.
    EXPECT_TRUE(QTest::qWaitFor([&] { return Label("lbl_Link") == QStringLiteral("Not connected"); }, 5000));
    EXPECT_FALSE(window->IsConnected());

    WhenReady stop([&] { return scanner.Count(MessageType::CAPTURE, 2) >= 4; }, [&] { Button("btn_AutoWorkflow")->click(); });
    window->StartWorkflow();
    EXPECT_TRUE(stop.Done());
    EXPECT_TRUE(window->IsConnected());
    EXPECT_EQ(boxes.count(), 2);
    ASSERT_FALSE(scanner.Received(2).empty());
    EXPECT_EQ(scanner.Received(2).front().header.id, MessageType::START_CAPTURE_MODE);
}

// The second window's login is refused: one box, and the link stays.
TEST_F(MainWindowShell, AutomaticLoginAuthenticatesOnceAfterConnectingAndARefusalIsOneBox)
{
    Behaviour refusing;
    refusing.refuseAuth = true;
    scanner.Serve();
    scanner.Serve(refusing);
    OpenWindow("[Auth]\nAuthAutoLogin=true\nAuthGroup=GUEST\n");
    EXPECT_EQ(boxes.count(), 0);
    ASSERT_EQ(scanner.Received().size(), 1u);
    EXPECT_EQ(scanner.Received()[0].header.id, MessageType::AUTH_RESPONSE);
    EXPECT_EQ(scanner.Received()[0].body, (std::vector<uint8_t>{ 'G', 'U', 'E', 'S', 'T', 0 }));
    window = std::make_unique<app_ondrel>();
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().text, QStringLiteral("Authentification as GUEST failed."));
    EXPECT_TRUE(window->IsConnected());
}

// A key file others can read is told once per key: in the status line, on standard error when
// unattended and in a box when chosen in the dialog. Each login goes on.
TEST_F(MainWindowShell, AKeyFileOthersCanReadIsToldOnceAndTheLoginGoesOn)
{
    const ondrel::testsupport::KeyPairs keys;
    const QString user = QString::fromStdString(keys.Key("USER")), admin = QString::fromStdString(keys.Key("ADMIN"));
    ASSERT_TRUE(keys.made && ::chmod(keys.Key("USER").c_str(), 0644) == 0 && ::chmod(keys.Key("ADMIN").c_str(), 0640) == 0);
    const auto warning = [](const QString& key) {
        return QStringLiteral("The key file %1 can be read by other users; restrict it with chmod 600").arg(key);
    };
    scanner.Serve();
    scanner.Serve();
    const QByteArray autoLogin = "[Auth]\nAuthAutoLogin=true\nAuthGroup=USER\nAuthPrivateKeyFile=" + user.toUtf8() + "\n";
    std::ostringstream err;
    std::streambuf* const cerr = std::cerr.rdbuf(err.rdbuf());
    LaunchOptions unattended;
    unattended.unattended = true;
    OpenWindow(autoLogin, unattended);
    std::cerr.rdbuf(cerr);
    EXPECT_EQ(err.str(), "Warning: " + warning(user).toStdString() + "\n");

    OpenWindow(autoLogin);
    EXPECT_EQ(Label("lbl_Run"), warning(user));
    EXPECT_EQ(Label("lbl_Link"), QStringLiteral("Connected to 127.0.0.1:%1 \u00b7 access level USER").arg(scanner.Port()));
    EXPECT_EQ(scanner.Last(1), MessageType::AUTH_RESPONSE);
    const struct {
        QString key;
        bool told;
    } chosen[] = { { user, false }, { admin, true }, { admin, false } };
    for (const auto& c : chosen) {
        SCOPED_TRACE(c.key.toStdString());
        boxes.clear();
        const std::size_t logins = scanner.Count(MessageType::AUTH_RESPONSE, 1);
        DialogSettings::Choosers choosers = DialogSettings::NativeChoosers();
        choosers.openFile = [&c](QWidget*, const QString&, const QString&, const QString&) { return c.key; };
        Dialog()->setChoosers(choosers);
        Dialog()->BrowsePrivKeyFile();
        EXPECT_EQ(boxes.count(), c.told ? 1 : 0);
        EXPECT_EQ(boxes.last().text, c.told ? warning(c.key) : QString());
        EXPECT_EQ(Label("lbl_Run"), warning(c.key));
        EXPECT_EQ(scanner.Count(MessageType::AUTH_RESPONSE, 1), logins + 1);
    }
}

TEST_F(MainWindowShell, TheSettingsKeyOpensTheDialogBothShowTheGroupTheDeviceGrantsAndClosingDisconnects)
{
    Behaviour admin;
    admin.authGroup = "ADMIN";
    scanner.Serve(admin);
    OpenWindow();
    ShowActive();
    QKeySequence preferences(QKeySequence::Preferences); // the settings key opens it
    QTest::keySequence(window.get(), preferences.isEmpty() ? QKeySequence(Qt::CTRL | Qt::Key_Comma) : preferences);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Dialog()->isVisible(); }, 5000));
    EXPECT_EQ(ShownGroup(), QStringLiteral("ADMIN"));
    EXPECT_EQ(Label("lbl_Link"), QStringLiteral("Connected to 127.0.0.1:%1 \u00b7 access level ADMIN").arg(scanner.Port()));
    EXPECT_EQ(scanner.Last(), MessageType::GET);
    EXPECT_EQ(scanner.Received().back().body, (std::vector<uint8_t>{ 'a', 'u', 't', 'h', '_', 'g', 'r', 'o', 'u', 'p', 0 }));
    EXPECT_EQ(boxes.count(), 0);

    // Closing the idle window disconnects without stopping the device.
    Dialog()->close();
    EXPECT_TRUE(window->close());
    window.reset();
    EXPECT_TRUE(scanner.Server().WaitPeerClosed(0));
    EXPECT_EQ(scanner.Count(MessageType::STOP_CAPTURE_MODE), 0u);
}
