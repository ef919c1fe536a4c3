// The simulated person: where the hand is and how it settles.
#include "CaptureCheck.h"
#include "HandScene.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {
using ondrel::sim::HandKind;
using ondrel::sim::HandScene;
using ondrel::simtest::Presented;
using ondrel::simtest::WhyNotCapturable;
using namespace std::chrono_literals;

Presented AsPresented(HandKind kind)
{
    switch (kind) {
    case HandKind::Right4: return Presented::Right4;
    case HandKind::Left4: return Presented::Left4;
    case HandKind::Thumbs2: return Presented::Thumbs2;
    }
    return Presented::Right4;
}

// Moves a scene on to `kind`.
void PresentHand(HandScene& scene, HandKind kind)
{
    scene.Restart(HandScene::Clock::now());
    while (scene.Hand() != kind) {
        scene.NextHand(HandScene::Clock::now());
    }
}

TEST(HandScene, SettledHandStaysCapturableThroughItsTrembleOnEveryFrameSize)
{
    for (const auto& [w, h] : std::vector<std::pair<int, int>> {
             { 320, 240 }, { 640, 512 }, { 1280, 1024 }, { 2592, 1944 }, { 4000, 3000 }, { 8192, 240 }, { 320, 8192 } }) {
        for (HandKind kind : { HandKind::Right4, HandKind::Left4, HandKind::Thumbs2 }) {
            HandScene scene(w, h, 100ms, 3);
            PresentHand(scene, kind);
            for (int frame = 0; frame < 200; ++frame) {
                const auto segments = scene.SegmentsAfter(std::chrono::milliseconds(100 + frame * 10));
                ASSERT_EQ(WhyNotCapturable(segments, AsPresented(kind), w, h), "")
                    << w << "x" << h << " hand " << static_cast<int>(kind) << " frame " << frame;
            }
        }
    }
}

// Each hand arrives too far and moving, stays within the frame and never looks capturable
// on its approach, and is capturable after the default settle time.
TEST(HandScene, ApproachingHandStaysWithinTheFrameAndBecomesCapturableOnlyOnceSettled)
{
    for (HandKind kind : { HandKind::Right4, HandKind::Left4, HandKind::Thumbs2 }) {
        HandScene scene(1280, 1024, 2000ms, 5);
        PresentHand(scene, kind);
        const auto arriving = scene.SegmentsAfter(0ms);
        ASSERT_FALSE(arriving.empty());
        EXPECT_GT(arriving[0].distance, 205.0f);
        EXPECT_GT(std::fabs(scene.SegmentsAfter(1000ms)[0].moveY), 3.0f);
        // Until close to the end of the approach the hand is too far or too fast.
        for (int ms = 0; ms < 1800; ms += 20) {
            const auto segments = scene.SegmentsAfter(std::chrono::milliseconds(ms));
            EXPECT_NE(WhyNotCapturable(segments, AsPresented(kind), 1280, 1024), "") << ms << " ms";
            for (const auto& s : segments) {
                EXPECT_GE(s.posX, 0);
                EXPECT_GE(s.posY, 0);
                EXPECT_LE(s.posX + s.width, 1280);
                EXPECT_LE(s.posY + s.height, 1024);
            }
        }
        const auto settled = scene.SegmentsAfter(2000ms);
        EXPECT_EQ(WhyNotCapturable(settled, AsPresented(kind), 1280, 1024), "");
        EXPECT_NEAR(settled[0].distance, 195.0f, 3.0f);
    }
}

} // namespace
