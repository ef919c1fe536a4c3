// What makes the simulator look and behave like a scanner: a hand whose segments and
// overlay texts stay apart, frames at the scanner's rate, the restart after a firmware
// update, and one seed giving the same frames.
#include "CaptureCheck.h"
#include "ClientTestSupport.h"
#include "Device.h"
#include "FrameSynthesizer.h"
#include "HandScene.h"
#include "RawClient.h"
#include "SimProcess.h"

#include <gtest/gtest.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <iomanip>
#include <sstream>
#include <thread>

namespace {
using ondrel::sim::FrameSynthesizer;
using ondrel::sim::HandKind;
using ondrel::sim::HandScene;
using ondrel::sim::HandView;
using ondrel::simtest::Presented;
using ondrel::simtest::RawClient;
using ondrel::simtest::WhyNotCapturable;
using ondrel::testsupport::SimProcess;
using ondrel::testsupport::TempDir;
using quorvel::SegmentInfo;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kWidth = 1280;
constexpr int kHeight = 1024;

void Present(HandScene& scene, HandKind kind)
{
    scene.Restart(HandScene::Clock::now());
    while (scene.Hand() != kind) {
        scene.NextHand(HandScene::Clock::now());
    }
}

std::string Fixed(float value, int decimals)
{
    std::ostringstream text;
    text << std::fixed << std::setprecision(decimals) << value;
    return text.str();
}

// The area of one overlay text as the live view writes it (1.0-scale Duplex, thickness 2,
// origin at the bottom left), with a pixel of stroke to spare on every side.
cv::Rect TextArea(const std::string& text, int x, int y)
{
    int baseline = 0;
    const cv::Size size = cv::getTextSize(text, cv::FONT_HERSHEY_DUPLEX, 1.0, 2, &baseline);
    return { x - 2, y - size.height - 2, size.width + 4, size.height + baseline + 4 };
}

// Every overlay text of one segment: position, distance and movement, 30 px apart.
std::vector<cv::Rect> OverlayTexts(const SegmentInfo& s)
{
    const std::string lines[] = { "P: " + std::to_string(s.posX) + "x" + std::to_string(s.posY),
        "D: " + Fixed(s.distance, 0), "mX: " + Fixed(s.moveX, 0), "mY: " + Fixed(s.moveY, 0),
        "mZ: " + Fixed(s.moveZ, 0) };
    std::vector<cv::Rect> areas;
    int y = s.posY + 30;
    for (const auto& line : lines) {
        areas.push_back(TextArea(line, s.posX, y));
        y += 30;
    }
    return areas;
}

// Empty when the segments keep the rules; otherwise the first one broken.
std::string GeometryFault(const std::vector<SegmentInfo>& segments, HandKind kind)
{
    if (segments.size() != (kind == HandKind::Thumbs2 ? 2u : 4u)) {
        return "segment count";
    }
    if (kind != HandKind::Thumbs2 && (segments[0].posY < segments[3].posY) != (kind == HandKind::Right4)) {
        return "arrangement";
    }
    std::vector<std::vector<cv::Rect>> texts { { TextArea("FPS: 130.0", 30, 30) } };
    for (std::size_t i = 0; i < segments.size(); ++i) {
        const SegmentInfo& s = segments[i];
        if (s.width < 120 || s.height <= s.width) {
            return "segment " + std::to_string(i) + " is " + std::to_string(s.width) + "x" + std::to_string(s.height);
        }
        if (i > 0 && s.posX - segments[i - 1].posX < 200) {
            return "left edges of " + std::to_string(i - 1) + " and " + std::to_string(i) + " too close";
        }
        for (std::size_t j = 0; j < i; ++j) {
            const SegmentInfo& o = segments[j];
            if (!(cv::Rect(s.posX, s.posY, s.width, s.height) & cv::Rect(o.posX, o.posY, o.width, o.height)).empty()) {
                return "segments " + std::to_string(j) + " and " + std::to_string(i) + " overlap";
            }
        }
        texts.push_back(OverlayTexts(s));
    }
    for (std::size_t a = 0; a < texts.size(); ++a) {
        for (std::size_t b = a + 1; b < texts.size(); ++b) {
            for (const auto& ra : texts[a]) {
                for (const auto& rb : texts[b]) {
                    if (!(ra & rb).empty()) {
                        return "overlay texts of " + std::to_string(a) + " and " + std::to_string(b) + " overlap";
                    }
                }
            }
        }
    }
    return {};
}

TEST(HandGeometry, InRangeFramesKeepSegmentsAndOverlayTextsApartForEveryHandAndSeed)
{
    for (uint32_t seed = 0; seed < 12; ++seed) {
        for (HandKind kind : { HandKind::Right4, HandKind::Left4, HandKind::Thumbs2 }) {
            HandScene scene(kWidth, kHeight, 2000ms, seed);
            Present(scene, kind);
            int inRange = 0;
            for (int ms = 0; ms <= 3500; ms += 10) {
                const auto segments = scene.SegmentsAfter(std::chrono::milliseconds(ms));
                const bool near = std::all_of(segments.begin(), segments.end(),
                    [](const SegmentInfo& s) { return s.distance >= 185.0f && s.distance <= 205.0f; });
                if (near) {
                    ++inRange;
                    ASSERT_EQ(GeometryFault(segments, kind), "") << "seed " << seed << ", " << ms << " ms";
                }
            }
            EXPECT_GT(inRange, 150) << "seed " << seed;
            const auto settled = scene.SegmentsAfter(3500ms);
            EXPECT_EQ(WhyNotCapturable(settled, static_cast<Presented>(kind), kWidth, kHeight), "") << seed;
        }
    }
}

// The picture shows the hand where its segments are, and a seed fixes both.
TEST(SeededScene, SameSeedGivesSameFramesAndAnotherSeedAnotherHand)
{
    const FrameSynthesizer synthesizer(640, 512);
    HandScene first(640, 512, 1000ms, 17);
    HandScene again(640, 512, 1000ms, 17);
    HandScene other(640, 512, 1000ms, 18);
    for (HandKind kind : { HandKind::Right4, HandKind::Thumbs2 }) {
        Present(first, kind);
        Present(again, kind);
        Present(other, kind);
        for (auto elapsed : { 0ms, 700ms, 1400ms }) {
            const HandView view = first.ViewAfter(elapsed);
            const cv::Mat frame = synthesizer.Render(view);
            EXPECT_EQ(cv::norm(frame, synthesizer.Render(again.ViewAfter(elapsed)), cv::NORM_INF), 0.0);
            EXPECT_NE(other.ViewAfter(elapsed).segments[0].posX, view.segments[0].posX);
            for (const SegmentInfo& s : view.segments) {
                const cv::Rect box = cv::Rect(s.posX, s.posY, s.width, s.height) & cv::Rect(0, 0, 640, 512);
                EXPECT_GT(cv::mean(frame(box))[0], 100.0) << "a fingertip lies in its box";
            }
        }
    }
    EXPECT_LT(cv::mean(synthesizer.Render(HandView {}))[0], 40.0) << "no hand, only the dark background";
}

// Counts the live frames one connection gets in `window`.
int FramesIn(const SimProcess& sim, Clock::duration window)
{
    quorvel::Device device;
    if (device.Connect(sim.host(), sim.port()).code != 0 || device.Start().code != 0) {
        return -1;
    }
    cv::Mat image;
    std::vector<SegmentInfo> segments;
    uint32_t frameId = 0;
    int frames = 0;
    const auto end = Clock::now() + window;
    while (Clock::now() < end) {
        if (device.GetFrame(image, segments, frameId).code != 0) {
            return -1;
        }
        ++frames;
    }
    return frames;
}

TEST(SimulatorPacing, EachConnectionGetsLiveFramesAtTheScannersRate)
{
    SimProcess sim({ "--fps", "30", "--width", "320", "--height", "240" });
    // Two at once: one waiting for its next frame holds up no other.
    std::atomic<int> second { 0 };
    std::thread other([&] { second = FramesIn(sim, 1s); });
    const int first = FramesIn(sim, 1s);
    other.join();
    for (int frames : { first, second.load() }) {
        EXPECT_GE(frames, 20);
        EXPECT_LE(frames, 45);
    }
}

TEST(SimulatorRestart, FirmwareUpdateClosesEveryLinkAndRefusesConnectionsForTheRestartTime)
{
    TempDir files;
    files.Write("fw.zpxfw", { 1, 2, 3 });
    SimProcess sim({ "--restart-ms", "1000" });
    RawClient bystander(sim.host(), sim.port());
    ASSERT_EQ(bystander.Receive().header.id, quorvel::tcp::MessageType::CONNECTED);
    quorvel::Device uploader;
    ASSERT_EQ(uploader.Connect(sim.host(), sim.port()).code, 0u);

    const auto uploaded = Clock::now();
    ASSERT_EQ(uploader.UploadFirmware(files.File("fw.zpxfw")).code, 0u);
    EXPECT_EQ(bystander.ReadUntilClosed(), 0u) << "closed without another word";
    asio::io_context context;
    asio::ip::tcp::socket early(context);
    std::error_code refused;
    early.connect({ asio::ip::make_address(sim.host()), sim.port() }, refused);
    EXPECT_TRUE(refused) << "a connection is taken during the restart";

    ASSERT_TRUE(ondrel::simtest::WaitUntilListening(sim.host(), sim.port(), Clock::now() + 10s));
    EXPECT_GE(Clock::now() - uploaded, 1000ms);
    quorvel::Device fresh;
    ASSERT_EQ(fresh.Connect(sim.host(), sim.port()).code, 0u);
    std::string level;
    EXPECT_EQ(fresh.GetCurrentAuthGroup(level).code, 0u);
    EXPECT_EQ(level, "GUEST");
}

} // namespace
