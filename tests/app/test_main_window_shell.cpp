// The main window's shell: connecting at start-up, automatic login, the settings dialog's
// view of the device, and closing.
#include "DialogSettings.h"
#include "test_main_window_fixture.h"

#include <QLabel>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace mainwindowtest;

namespace {

// A port on 127.0.0.1 that nobody listens on.
uint16_t DeadPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), length);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

class MainWindowShell : public MainWindowTest {
protected:
    DialogSettings* Dialog() { return window->findChild<DialogSettings*>(); }
    QString ShownGroup() { return Child<QLabel>(*Dialog(), "lbl_authGroup_current")->text(); }
};

void ExpectIdleButtons(app_ondrel& window)
{
    EXPECT_FALSE(Button(window, "btn_captureRight")->isEnabled());
    EXPECT_FALSE(Button(window, "btn_captureLeft")->isEnabled());
    EXPECT_FALSE(Button(window, "btn_captureThumbs")->isEnabled());
    EXPECT_TRUE(Button(window, "btn_AutoWorkflow")->isEnabled());
}

} // namespace

// Everything that needs a window without a connection is checked here.
TEST_F(MainWindowShell, StartsUnconnectedAfterOneBoxWhenNoServerListens)
{
    const uint16_t port = DeadPort();
    WriteSettings(home, port);
    window = std::make_unique<app_ondrel>();

    ASSERT_EQ(boxes.count(), 1);
    const MessageBoxCloser::Box box = boxes.last();
    EXPECT_EQ(box.title, QStringLiteral("Error"));
    EXPECT_EQ(box.icon, QMessageBox::Critical);
    EXPECT_FALSE(box.hadParent);
    const QStringList lines = box.text.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], QStringLiteral("Unable to connect to device server."));
    EXPECT_EQ(lines[1], QStringLiteral("IP: 127.0.0.1"));
    EXPECT_EQ(lines[2], QStringLiteral("Port: %1").arg(port));
    EXPECT_TRUE(lines[3].startsWith(QStringLiteral("Error: "))) << lines[3].toStdString();
    EXPECT_GT(lines[3].size(), 7);

    EXPECT_FALSE(window->IsConnected());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Ondrel App 0.2.1"));
    ExpectIdleButtons(*window);

    // The settings dialog opens and says so.
    window->OpenSettingsWindow();
    EXPECT_TRUE(Dialog()->isVisible());
    EXPECT_EQ(ShownGroup(), QString::fromLatin1(kRelayNotConnected));
    EXPECT_EQ(window->GetAuthGroupText(), std::string(kRelayNotConnected));

    // Authentication is not refused up front; the operation reports its own failure.
    boxes.clear();
    emit Dialog()->authRequested("GUEST", "");
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().text, QStringLiteral("quorvel::Device::Send(): quorvel error - socket not open"));
}

TEST_F(MainWindowShell, WorkflowStartRetriesAFailedStartupConnection)
{
    FakeScanner::Behaviour refused;
    refused.first = MessageType::PING;
    scanner.Serve(refused);
    scanner.Serve();
    OpenWindow();
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_TRUE(boxes.last().text.endsWith(QStringLiteral("\nError: unexpected MessageType PING"))) << boxes.last().text.toStdString();
    EXPECT_FALSE(window->IsConnected());

    WhenReady stop([&] { return scanner.Frames() >= 4; }, [&] { Button(*window, "btn_AutoWorkflow")->click(); });
    window->StartWorkflow();

    EXPECT_TRUE(stop.Done());
    EXPECT_TRUE(window->IsConnected());
    EXPECT_EQ(boxes.count(), 1);
    ASSERT_FALSE(scanner.Requests(1).empty());
    EXPECT_EQ(scanner.Requests(1).front(), MessageType::START_CAPTURE_MODE);
}

TEST_F(MainWindowShell, AutomaticLoginAuthenticatesOnceAfterConnecting)
{
    scanner.Serve();
    OpenWindow("[Auth]\nAuthAutoLogin=true\nAuthGroup=GUEST\n");

    EXPECT_EQ(boxes.count(), 0);
    EXPECT_TRUE(window->IsConnected());
    const std::vector<Message> requests = scanner.Server().ReceivedMessages(0);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].header.id, MessageType::AUTH_RESPONSE);
    EXPECT_EQ(requests[0].body, (std::vector<uint8_t>{ 'G', 'U', 'E', 'S', 'T', 0 }));
}

TEST_F(MainWindowShell, RefusedAutomaticLoginShowsOneBoxAndStaysConnected)
{
    FakeScanner::Behaviour refusing;
    refusing.refuseAuth = true;
    scanner.Serve(refusing);
    OpenWindow("[Auth]\nAuthAutoLogin=true\nAuthGroup=GUEST\n");

    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().text, QStringLiteral("Authentification as GUEST failed."));
    EXPECT_TRUE(window->IsConnected());
    EXPECT_EQ(scanner.Count(MessageType::AUTH_RESPONSE), 1u);
}

TEST_F(MainWindowShell, SettingsDialogShowsTheLevelTheDeviceGrants)
{
    FakeScanner::Behaviour admin;
    admin.authGroup = "ADMIN";
    scanner.Serve(admin);
    OpenWindow();

    window->OpenSettingsWindow();
    EXPECT_TRUE(Dialog()->isVisible());
    EXPECT_EQ(ShownGroup(), QStringLiteral("ADMIN"));
    const std::vector<Message> requests = scanner.Server().ReceivedMessages(0);
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back().header.id, MessageType::GET);
    const std::string key(requests.back().body.begin(), requests.back().body.end());
    EXPECT_EQ(key, std::string("auth_group", 11));
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(MainWindowShell, ClosingAnIdleWindowDisconnectsWithoutStoppingTheDevice)
{
    scanner.Serve();
    OpenWindow();
    window->show();
    ASSERT_TRUE(window->IsConnected());

    EXPECT_TRUE(window->close());
    EXPECT_FALSE(window->isVisible());
    window.reset();

    EXPECT_TRUE(scanner.Server().WaitPeerClosed(0));
    EXPECT_EQ(scanner.Count(MessageType::STOP_CAPTURE_MODE), 0u);
}

TEST_F(MainWindowShell, CaptureButtonsDoNothingWhileNoWorkflowRuns)
{
    scanner.Serve(); // hands never in range: only a forced capture could capture
    OpenWindow();
    ExpectIdleButtons(*window);

    window->ForcedCapturing();
    Button(*window, "btn_captureRight")->click();
    EXPECT_TRUE(scanner.Requests().empty());

    // Had the click been kept, the first frame of the next run would be captured.
    WhenReady stop([&] { return scanner.Frames() >= 5; }, [&] { Button(*window, "btn_AutoWorkflow")->click(); });
    window->StartWorkflow();

    EXPECT_EQ(scanner.Count(MessageType::PLAY_SOUND), 0u);
    EXPECT_EQ(boxes.count(), 0);
}
