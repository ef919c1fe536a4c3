#pragma once

#include "SegmentInfo.h"

#include <chrono>
#include <cstdint>
#include <random>
#include <vector>

namespace ondrel::sim {

// The hands in the order a person presents them during one capture run.
enum class HandKind {
    Right4,
    Left4,
    Thumbs2,
};

const char* HandKindName(HandKind hand);

// Where the simulated person's fingertips are, over time. A newly presented hand comes in
// from the side, too far away and moving, then settles in range and holds still after the
// settle time, jittering only slightly as a real hand does. Positions are in pixels of the
// frame; movements are what the device reports per frame at its nominal 10 frames/s.
class HandScene {
public:
    using Clock = std::chrono::steady_clock;

    static constexpr float kRestDistanceMm = 195.0f;
    static constexpr float kFarDistanceMm = 275.0f;

    HandScene(int frameWidth, int frameHeight, std::chrono::milliseconds settleTime, uint32_t seed);

    // The person starts over with the right hand (a new capture run).
    void Restart(Clock::time_point now);
    // The person takes this hand away and presents the next one.
    void NextHand(Clock::time_point now);

    HandKind Hand() const { return hand; }

    // The segments at `now`, in the device's order: left to right for four fingers and
    // for thumbs; the right hand's first fingertip lies higher than its fourth, the left
    // hand's lower.
    std::vector<quorvel::SegmentInfo> SegmentsAt(Clock::time_point now);
    // The same for a time since the hand was presented.
    std::vector<quorvel::SegmentInfo> SegmentsAfter(std::chrono::duration<double, std::milli> elapsed);

    // The segments of the hand at rest, without jitter (the prepared benchmark frame).
    std::vector<quorvel::SegmentInfo> RestingSegments(HandKind kind) const;

private:
    struct Pose {
        double centerX;
        double centerY;
        double distance;
        double velocityX;  // pixels per frame
        double velocityY;
        double velocityZ;
    };

    Pose PoseAfter(double elapsedMs) const;
    std::vector<quorvel::SegmentInfo> Place(HandKind kind, const Pose& pose, double jitterX, double jitterY) const;

    int width;
    int height;
    double settleMs;
    double unit; // frame scale relative to 1280 x 1024
    HandKind hand = HandKind::Right4;
    Clock::time_point presentedAt;
    std::mt19937 random;
};

} // namespace ondrel::sim
