#pragma once

// What the window and dialog tests share: settings home, box closer, controls by name, and a
// fake scanner that answers by request type and records every request. A workflow run is one
// long, event-processing call, so tests act from inside it with WhenReady.

#include "DeviceBytes.h"
#include "MessageBoxCloser.h"
#include "ScriptedServer.h"
#include "TempSettingsHome.h"
#include "app_ondrel.h"
#include "test_segments.h"

#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QLabel>
#include <QMap>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>
#include <opencv2/core.hpp>

#include <algorithm>
#include <functional>
#include <memory>

namespace apptest {

using ondrel::testsupport::DeadPort;
using ondrel::testsupport::Peer;
using ondrel::testsupport::ScriptedServer;
using quorvel::SegmentInfo;
using quorvel::tcp::Message;
using quorvel::tcp::MessageType;

// The settings file's entries as "Section/Key" -> raw value text.
inline QMap<QString, QString> IniEntries(const QByteArray& text)
{
    QMap<QString, QString> entries;
    QString section;
    for (const QByteArray& raw : text.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2);
        } else if (const int eq = line.indexOf(QLatin1Char('=')); eq > 0) {
            entries.insert(section + QLatin1Char('/') + line.left(eq), line.mid(eq + 1));
        }
    }
    return entries;
}

template <typename T> T* Child(const QObject& parent, const char* name) { return parent.findChild<T*>(QString::fromLatin1(name)); }

inline QByteArray DeviceSection(uint16_t port)
{
    return "[DeviceSettings]\nDeviceIp=127.0.0.1\nDevicePort=" + QByteArray::number(port) + "\n";
}

// Hands in range for a 160 x 120 frame: four segments whose first lies above (right) or
// below (left) the fourth, or two thumbs; and one segment far too low, never ready.
inline std::vector<SegmentInfo> Hand(int hand)
{
    const std::vector<SegmentInfo> hands[] = {
        { MakeSegment(35, 35, 15, 40), MakeSegment(55, 36, 15, 40), MakeSegment(75, 37, 15, 40), MakeSegment(95, 38, 15, 40) },
        { MakeSegment(35, 38, 15, 40), MakeSegment(55, 37, 15, 40), MakeSegment(75, 36, 15, 40), MakeSegment(95, 35, 15, 40) },
        { MakeSegment(40, 35, 20, 40), MakeSegment(90, 35, 20, 40) },
        { MakeSegment(40, 35, 20, 40, 100.0f) }
    };
    return hands[hand];
}
constexpr int kNeverReady = 3;

// Every live frame is one grey value, so a stored or shown image tells which frame it was.
inline uint8_t FrameValue(uint32_t frameId) { return static_cast<uint8_t>(20 + 7 * frameId); }

// How the fake scanner treats one connection.
struct Behaviour {
    MessageType first = MessageType::CONNECTED; // anything else makes Connect fail
    bool refuseAuth = false;
    bool refuseStart = false; // refuse the first START, then close the link
    std::string authGroup = "USER";
    bool handsReady = false;
    uint32_t readyEvery = 1; // hands are ready only on frames whose id this divides
    uint32_t frameType = 0;  // OpenCV element type of the live frames
    int failFrame = 0;       // answer this CAPTURE (1-based) with an error
    int closeAfter = -1;     // close the link on the request after this many answers
};

// A scanner that answers every request by its type. The hands follow the workflow: right
// four after START, then left four and thumbs, one per PLAY_SOUND.
class FakeScanner {
public:
    FakeScanner()
        : server(std::chrono::seconds(60))
    {
    }

    // The behaviour of the next accepted connection; call once per expected connection.
    void Serve(Behaviour behaviour = {})
    {
        server.Serve([behaviour](Peer& peer) { Run(peer, behaviour); });
    }
    uint16_t Port() const { return server.Port(); }
    ScriptedServer& Server() { return server; }
    std::vector<Message> Received(std::size_t connection = 0) const { return server.ReceivedMessages(connection); }
    std::size_t Count(MessageType type, std::size_t connection = 0) const
    {
        const auto received = Received(connection);
        return std::count_if(received.begin(), received.end(), [type](const Message& m) { return m.header.id == type; });
    }
    MessageType Last(std::size_t connection = 0) const { return Received(connection).back().header.id; }

private:
    static void Run(Peer& peer, const Behaviour& b)
    {
        peer.Send(Message(b.first));
        int hand = 0;
        uint32_t frameId = 0;
        for (int answered = 0;; ++answered) {
            const Message request = peer.ReadMessage();
            if (answered == b.closeAfter) {
                break; // the request in flight finds the link closed
            }
            Message response(request.header.id);
            const std::string text(request.body.begin(), request.body.end());
            if (request.header.id == MessageType::START_CAPTURE_MODE && b.refuseStart) {
                response.header.error = true;
                peer.Send(response.AppendString("busy"));
                break; // and the device is gone
            } else if (request.header.id == MessageType::START_CAPTURE_MODE) {
                hand = 0;
            } else if (request.header.id == MessageType::PLAY_SOUND) {
                hand = (hand + 1) % 3;
            } else if (request.header.id == MessageType::AUTH_RESPONSE && b.refuseAuth) {
                response.header.error = true;
                response.AppendString("refused");
            } else if (request.header.id == MessageType::GET) {
                text == std::string("auth_group", 11) ? response.AppendString(b.authGroup) : response.Append(int32_t{ 0 });
            } else if (request.header.id == MessageType::GET_FINAL_FRAME) {
                const uint8_t pixel = 1;
                response.Append(uint64_t{ 1 }).Append(uint32_t{ 0 }).Append(uint32_t{ 1 }).Append(uint32_t{ 1 }).AppendBytes(&pixel, 1);
            } else if (request.header.id == MessageType::CAPTURE && static_cast<int>(++frameId) == b.failFrame) {
                hand = (hand + 1) % 3; // the mode is skipped without a sound
                response.header.error = true;
                response.AppendString("frame lost");
            } else if (request.header.id == MessageType::CAPTURE) {
                response = Frame(frameId, b.frameType, b.handsReady && frameId % b.readyEvery == 0 ? Hand(hand) : Hand(kNeverReady));
            }
            peer.Send(response);
        }
        peer.Close();
    }

    static Message Frame(uint32_t frameId, uint32_t type, const std::vector<SegmentInfo>& segments)
    {
        const std::vector<uint8_t> pixels(160 * 120 * CV_ELEM_SIZE(static_cast<int>(type)), FrameValue(frameId));
        Message m(MessageType::CAPTURE);
        m.Append(frameId).Append(static_cast<uint64_t>(pixels.size())).Append(type).Append(uint32_t{ 160 }).Append(uint32_t{ 120 });
        m.AppendBytes(pixels.data(), pixels.size()).Append(uint8_t{ 0 }).Append(static_cast<int32_t>(segments.size()));
        for (const SegmentInfo& s : segments) {
            m.Append(s.posX).Append(s.posY).Append(s.width).Append(s.height);
            m.Append(s.distance).Append(s.moveX).Append(s.moveY).Append(s.moveZ).AppendBytes(std::vector<uint8_t>(6, 0).data(), 6);
        }
        return m;
    }

    ScriptedServer server;
};

// Runs `action` once, from inside whatever event processing is going on (a running
// workflow included), as soon as `condition` holds.
class WhenReady : public QObject {
public:
    WhenReady(std::function<bool()> condition, std::function<void()> action)
    {
        connect(&timer, &QTimer::timeout, this, [this, condition, action] {
            if (timer.isActive() && condition()) {
                timer.stop();
                action();
            }
        });
        timer.start(5);
    }
    bool Done() const { return !timer.isActive(); }

private:
    QTimer timer;
};

// The capture buttons and their modes' icon names.
inline const std::pair<const char*, const char*> kModeButtons[] = { { "btn_captureRight", "4R" },
                                                                    { "btn_captureLeft", "4L" },
                                                                    { "btn_captureThumbs", "2T" } };

// Whether a button shows this resource image (which must exist), rendered small.
inline bool Shows(const QPushButton* button, const char* resource)
{
    const QImage wanted = QIcon(QString::fromLatin1(resource)).pixmap(32, 32).toImage();
    return !wanted.isNull() && button->icon().pixmap(32, 32).toImage() == wanted;
}

// A private settings home, with its message boxes closed and recorded.
class AppTest : public ::testing::Test {
protected:
    QMap<QString, QString> Stored() const { return IniEntries(home.read()); }

    TempSettingsHome home;
    MessageBoxCloser boxes;
};

// A window talking to the fake scanner. A run that does not end is stopped, as the
// operator's click would, and fails the test.
class WindowTest : public AppTest {
protected:
    // Call scanner.Serve first, once per connection the window will make.
    void OpenWindow(const QByteArray& extraSettings = {}, const LaunchOptions& options = {})
    {
        ASSERT_TRUE(home.write(DeviceSection(scanner.Port()) + extraSettings));
        window = std::make_unique<app_ondrel>(nullptr, options);
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [this] {
            if (window != nullptr && window->IsRunning()) {
                ADD_FAILURE() << "the workflow run did not end in time";
                window->StartWorkflow();
            }
        });
        watchdog.start(15000);
    }
    void ShowActive() const
    {
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    QPushButton* Button(const char* name) const { return Child<QPushButton>(*window, name); }
    QString Label(const char* name) const { return Child<QLabel>(*window, name)->text(); }
    // No run: the capture buttons off and black, start on, nothing shown.
    void ExpectIdle() const
    {
        EXPECT_FALSE(window->IsRunning());
        for (const auto& [button, mode] : kModeButtons) {
            EXPECT_FALSE(Button(button)->isEnabled()) << button;
            EXPECT_TRUE(Shows(Button(button), qPrintable(QStringLiteral(":/impressions/icons/%1_black.png").arg(mode)))) << button;
        }
        EXPECT_TRUE(Button("btn_AutoWorkflow")->isEnabled());
        EXPECT_TRUE(Shows(Button("btn_AutoWorkflow"), ":/settings/icons/Autoscan_black.png"));
        EXPECT_TRUE(Scene()->items().isEmpty());
    }
    QGraphicsScene* Scene() const { return Child<QGraphicsView>(*window, "graphicsView")->scene(); }
    // The image the view shows, or a null image.
    QImage Shown() const
    {
        for (QGraphicsItem* item : Scene()->items()) {
            if (auto* pixmap = dynamic_cast<QGraphicsPixmapItem*>(item)) {
                return pixmap->pixmap().toImage();
            }
        }
        return {};
    }

    FakeScanner scanner;
    std::unique_ptr<app_ondrel> window;
    QTimer watchdog;
};

} // namespace apptest
