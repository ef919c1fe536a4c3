#pragma once

// What the main window tests share: a fake scanner on a ScriptedServer that answers by
// request type and records every request, a settings file pointing at it, and helpers to
// act from inside a running workflow (which is one long, event-processing call).

#include "MessageBoxCloser.h"
#include "ScriptedServer.h"
#include "TempSettingsHome.h"
#include "TestSegments.h"
#include "app_ondrel.h"

#include "Message.h"
#include "SegmentInfo.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QObject>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>
#include <opencv2/core.hpp>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace mainwindowtest {

using ondrel::testsupport::MakeMessage;
using ondrel::testsupport::Peer;
using ondrel::testsupport::ScriptedServer;
using quorvel::SegmentInfo;
using quorvel::tcp::Message;
using quorvel::tcp::MessageType;

// A live frame as the fake scanner sends it.
struct FakeFrame {
    int cols = 160;
    int rows = 120;
    uint32_t type = 0;           // OpenCV element type; 0 is 8-bit grey
    std::vector<uint8_t> pixels; // empty: every byte 90
    std::vector<SegmentInfo> segments;
};

// Hands in range for a 160 x 120 frame: four segments whose first lies above (Right4) or
// below (Left4) the fourth, or two for the thumbs.
inline std::vector<SegmentInfo> ReadyRight() { return { MakeSegment(35, 35, 15, 40), MakeSegment(55, 36, 15, 40), MakeSegment(75, 37, 15, 40), MakeSegment(95, 38, 15, 40) }; }
inline std::vector<SegmentInfo> ReadyLeft() { return { MakeSegment(35, 38, 15, 40), MakeSegment(55, 37, 15, 40), MakeSegment(75, 36, 15, 40), MakeSegment(95, 35, 15, 40) }; }
inline std::vector<SegmentInfo> ReadyThumbs() { return { MakeSegment(40, 35, 20, 40), MakeSegment(90, 35, 20, 40) }; }
// One segment far too low: drawn, never ready, and no slow-down for empty frames.
inline std::vector<SegmentInfo> NeverReady() { return { MakeSegment(40, 35, 20, 40, 100.0f) }; }

inline Message FrameResponse(uint32_t frameId, const FakeFrame& frame)
{
    Message m(MessageType::CAPTURE);
    m.Append(frameId);
    std::vector<uint8_t> pixels = frame.pixels;
    if (pixels.empty()) {
        const std::size_t bytes = static_cast<std::size_t>(frame.cols) * frame.rows
                                  * CV_ELEM_SIZE(static_cast<int>(frame.type));
        pixels.assign(bytes, 90);
    }
    m.Append(static_cast<uint64_t>(pixels.size()));
    m.Append(frame.type);
    m.Append(static_cast<uint32_t>(frame.cols));
    m.Append(static_cast<uint32_t>(frame.rows));
    m.AppendBytes(pixels.data(), pixels.size());
    m.Append(static_cast<uint8_t>(0));
    m.Append(static_cast<int32_t>(frame.segments.size()));
    for (const SegmentInfo& s : frame.segments) {
        m.Append(s.posX).Append(s.posY).Append(s.width).Append(s.height);
        m.Append(s.distance).Append(s.moveX).Append(s.moveY).Append(s.moveZ);
        for (int i = 0; i < 6; ++i) {
            m.Append(static_cast<uint8_t>(0));
        }
    }
    return m;
}

// Which hands the fake scanner presents.
enum class ScannerHands { Ready, RightOnly, NeverReady, Custom };

// How the fake scanner treats one connection.
struct ScannerBehaviour {
    MessageType first = MessageType::CONNECTED; // anything else makes Connect fail
    bool refuseAuth = false;
    std::string authGroup = "USER";
    ScannerHands hands = ScannerHands::NeverReady;
    FakeFrame custom;                            // for ScannerHands::Custom
    int failFrameNumber = 0;                     // answer this CAPTURE (1-based) with an error
};

// A scanner that answers every request by its type and never stores results. Each
// connection gets the behaviour set when it is accepted; the hands follow the workflow:
// right four after START, then left four and thumbs, one per PLAY_SOUND.
class FakeScanner {
public:
    using Hands = ScannerHands;
    using Behaviour = ScannerBehaviour;

    FakeScanner()
        : server(std::chrono::seconds(60))
    {
    }

    // The behaviour of the next accepted connection; call once per expected connection.
    void Serve(Behaviour behaviour = Behaviour{})
    {
        server.Serve([this, behaviour](Peer& peer) { Run(peer, behaviour); });
    }

    uint16_t Port() const { return server.Port(); }
    ScriptedServer& Server() { return server; }

    std::vector<MessageType> Requests(std::size_t connection = 0) const
    {
        std::vector<MessageType> types;
        for (const Message& m : server.ReceivedMessages(connection)) {
            types.push_back(m.header.id);
        }
        return types;
    }

    std::size_t Count(MessageType type, std::size_t connection = 0) const
    {
        std::size_t n = 0;
        for (MessageType t : Requests(connection)) {
            n += t == type ? 1 : 0;
        }
        return n;
    }

    int Frames() const { return frames.load(); }

private:
    void Run(Peer& peer, const Behaviour& behaviour)
    {
        peer.Send(Message(behaviour.first));
        int hand = 0;
        int frameNumber = 0;
        while (true) {
            Message request = peer.ReadMessage();
            Message response(request.header.id);
            switch (request.header.id) {
            case MessageType::START_CAPTURE_MODE:
                hand = 0;
                break;
            case MessageType::PLAY_SOUND:
                hand = (hand + 1) % 3;
                break;
            case MessageType::AUTH_RESPONSE:
                if (behaviour.refuseAuth) {
                    response.header.error = true;
                    response.AppendString("refused");
                }
                break;
            case MessageType::GET:
                response.AppendString(behaviour.authGroup);
                break;
            case MessageType::CAPTURE: {
                ++frameNumber;
                ++frames;
                if (frameNumber == behaviour.failFrameNumber) {
                    // The mode is skipped without a sound; the next hand comes anyway.
                    hand = (hand + 1) % 3;
                    response.header.error = true;
                    response.AppendString("frame lost");
                    break;
                }
                FakeFrame frame = behaviour.custom;
                if (behaviour.hands == Hands::Ready) {
                    frame.segments = hand == 0 ? ReadyRight() : hand == 1 ? ReadyLeft() : ReadyThumbs();
                } else if (behaviour.hands == Hands::RightOnly) {
                    frame.segments = hand == 0 ? ReadyRight() : NeverReady();
                } else if (behaviour.hands == Hands::NeverReady) {
                    frame.segments = NeverReady();
                }
                response = FrameResponse(static_cast<uint32_t>(frameNumber), frame);
                break;
            }
            default:
                break;
            }
            peer.Send(response);
        }
    }

    ScriptedServer server;
    std::atomic<int> frames{0};
};

// A private settings home with the device address and the given extra INI lines.
inline void WriteSettings(const TempSettingsHome& home, uint16_t port, const QByteArray& extra = {})
{
    QByteArray ini = "[DeviceSettings]\nDeviceIp=127.0.0.1\nDevicePort=" + QByteArray::number(port) + "\n";
    ini += extra;
    ASSERT_TRUE(home.writeIniFile(QStringLiteral("Quorvel GmbH"), QStringLiteral("OndrelApp"), ini));
}

// Runs `action` once, from inside whatever event processing is going on (a running workflow
// included), as soon as `condition` holds.
class WhenReady : public QObject {
public:
    WhenReady(std::function<bool()> condition, std::function<void()> action)
        : condition(std::move(condition))
        , action(std::move(action))
    {
        connect(&timer, &QTimer::timeout, this, [this] {
            if (!done && this->condition()) {
                done = true;
                timer.stop();
                this->action();
            }
        });
        timer.start(5);
    }
    bool Done() const { return done; }

private:
    QTimer timer;
    std::function<bool()> condition;
    std::function<void()> action;
    bool done = false;
};

// Ends a run that would otherwise never end (a stop request, as the operator's click),
// and fails the test.
class RunWatchdog : public QObject {
public:
    explicit RunWatchdog(std::function<app_ondrel*()> window, int timeoutMs = 15000)
    {
        timer.setSingleShot(true);
        connect(&timer, &QTimer::timeout, this, [window] {
            if (app_ondrel* w = window(); w != nullptr && w->IsRunning()) {
                ADD_FAILURE() << "the workflow run did not end in time";
                w->StartWorkflow();
            }
        });
        timer.start(timeoutMs);
    }

private:
    QTimer timer;
};

// A window on a private settings home, talking to a fake scanner; its message boxes are
// closed and recorded, and a run that does not end is stopped.
class MainWindowTest : public ::testing::Test {
protected:
    // Call scanner.Serve first, once per connection the window will make.
    void OpenWindow(const QByteArray& extraSettings = {})
    {
        WriteSettings(home, scanner.Port(), extraSettings);
        window = std::make_unique<app_ondrel>();
    }

    TempSettingsHome home;
    MessageBoxCloser boxes;
    FakeScanner scanner;
    std::unique_ptr<app_ondrel> window;
    RunWatchdog watchdog{ [this] { return window.get(); } };
};

template <typename T>
T* Child(QObject& parent, const char* name)
{
    return parent.findChild<T*>(QString::fromLatin1(name));
}

inline QPushButton* Button(app_ondrel& window, const char* name) { return Child<QPushButton>(window, name); }

// The image the window's graphics view currently shows, or a null image.
inline QImage ShownImage(app_ondrel& window)
{
    auto* view = Child<QGraphicsView>(window, "graphicsView");
    if (view == nullptr || view->scene() == nullptr) {
        return {};
    }
    for (QGraphicsItem* item : view->scene()->items()) {
        if (auto* pixmapItem = dynamic_cast<QGraphicsPixmapItem*>(item)) {
            return pixmapItem->pixmap().toImage();
        }
    }
    return {};
}

inline bool SceneEmpty(app_ondrel& window)
{
    auto* view = Child<QGraphicsView>(window, "graphicsView");
    return view != nullptr && view->scene() != nullptr && view->scene()->items().isEmpty();
}

// An icon rendered small, to tell which of the resource images a button shows.
inline QImage IconImage(const QIcon& icon) { return icon.pixmap(32, 32).toImage(); }
inline QImage IconImage(const QString& path) { return QIcon(path).pixmap(32, 32).toImage(); }

} // namespace mainwindowtest
