// The live view draws from its own copies while the next frame is being fetched; the frame
// it stores as the preview must be the very frame whose results it asks the device for.
#include "test_main_window_fixture.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QImage>

#include <map>

using namespace mainwindowtest;

namespace {

// Every frame is one grey value, so a stored preview tells which frame it was.
uint8_t FrameValue(uint32_t frameId) { return static_cast<uint8_t>(20 + 7 * frameId); }

// A scanner whose frames differ, with hands in position on every frame whose id
// `readyEvery` divides and never ready on the others.
class NumberedFrameScanner {
public:
    NumberedFrameScanner(ScriptedServer& server, uint32_t readyEvery)
        : server(server)
        , readyEvery(readyEvery)
    {
        server.Serve([this](Peer& peer) { Run(peer); });
    }

    // The frame id of every final image request.
    std::vector<uint32_t> FinalImageRequests() const
    {
        std::vector<uint32_t> ids;
        for (const Message& m : server.ReceivedMessages(0)) {
            if (m.header.id == MessageType::GET_FINAL_FRAME) {
                uint32_t id = 0;
                std::memcpy(&id, m.body.data(), std::min<std::size_t>(4, m.body.size()));
                ids.push_back(id);
            }
        }
        return ids;
    }

private:
    void Run(Peer& peer)
    {
        peer.Send(Message(MessageType::CONNECTED));
        uint32_t frameId = 0;
        int hand = 0;
        while (true) {
            const Message request = peer.ReadMessage();
            Message response(request.header.id);
            switch (request.header.id) {
            case MessageType::PLAY_SOUND:
                hand = (hand + 1) % 3;
                break;
            case MessageType::CAPTURE: {
                FakeFrame frame;
                ++frameId;
                frame.pixels.assign(static_cast<std::size_t>(frame.cols) * frame.rows, FrameValue(frameId));
                frame.segments = frameId % readyEvery != 0 ? NeverReady()
                    : hand == 0                         ? ReadyRight()
                    : hand == 1                         ? ReadyLeft()
                                                        : ReadyThumbs();
                response = FrameResponse(frameId, frame);
                break;
            }
            case MessageType::GET_FINAL_FRAME: {
                const uint8_t pixel = 1;
                response.Append(static_cast<uint64_t>(1)).Append(uint32_t{0}).Append(uint32_t{1}).Append(uint32_t{1});
                response.AppendBytes(&pixel, 1);
                break;
            }
            case MessageType::GET:
                response.Append(int32_t{0}); // no final segments
                break;
            default:
                break;
            }
            peer.Send(response);
        }
    }

    ScriptedServer& server;
    const uint32_t readyEvery;
};

// Grey values of the previews stored per mode directory.
std::map<QString, uint8_t> StoredPreviews(const QString& base)
{
    std::map<QString, uint8_t> previews;
    QDirIterator files(base, { QStringLiteral("preview.png") }, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        const QImage preview(path);
        if (!preview.isNull()) {
            previews[QFileInfo(path).dir().dirName()] = static_cast<uint8_t>(qGray(preview.pixel(80, 60)));
        }
    }
    return previews;
}

} // namespace

// Every mode shows frames that are not ready before the one it captures, so display images
// converted while the previous frame was shown are used too.
TEST(MainWindowLiveFrames, StoredPreviewAndCheckMarkAreTheFrameWhoseResultsAreFetched)
{
    TempSettingsHome home;
    MessageBoxCloser boxes;
    ScriptedServer server(std::chrono::seconds(60));
    NumberedFrameScanner scanner(server, 3);
    QTemporaryDir base;
    ASSERT_TRUE(base.isValid());
    WriteSettings(home, server.Port(),
                  "[UserSettings]\nUser=5307\n[WorkflowSettings]\nMinWorkflowDelayMs=0\n[SaveSettings]\nBasePath="
                      + base.path().toUtf8()
                      + "\nPreviewImage=true\nFinalImage=true\nSegmentInformations=false\nSegments=false\n");
    app_ondrel window;
    ASSERT_TRUE(window.IsConnected());
    RunWatchdog watchdog([&window] { return &window; });

    // The frame's grey value under every check mark shown; (2, 2) is clear of every overlay.
    std::vector<int> underCheckmarks;
    QGraphicsScene* scene = window.findChild<QGraphicsView*>(QStringLiteral("graphicsView"))->scene();
    QObject::connect(scene, &QGraphicsScene::changed, [&] {
        for (QGraphicsItem* item : scene->items()) {
            if (auto* pixmapItem = dynamic_cast<QGraphicsPixmapItem*>(item)) {
                const QImage shown = pixmapItem->pixmap().toImage();
                const QRgb centre = shown.pixel(80, 60);
                if (qRed(centre) == 0 && qGreen(centre) == 200 && qBlue(centre) == 0) {
                    underCheckmarks.push_back(qGray(shown.pixel(2, 2)));
                }
            }
        }
    });

    window.StartWorkflow();

    EXPECT_EQ(boxes.count(), 0) << boxes.last().text.toStdString();
    std::map<QString, uint8_t> previews = StoredPreviews(base.path());
    const std::vector<uint32_t> fetched = scanner.FinalImageRequests();
    ASSERT_EQ(fetched.size(), 3u);
    ASSERT_EQ(previews.size(), 3u);
    ASSERT_EQ(underCheckmarks.size(), 3u);
    const char* const modes[] = { "4R", "4L", "2T" };
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(previews[QLatin1String(modes[i])], FrameValue(fetched[i]))
            << modes[i] << ": the preview is not the frame " << fetched[i] << " whose results were fetched";
        EXPECT_EQ(underCheckmarks[i], int { previews[QLatin1String(modes[i])] }) << modes[i];
    }
}
