#pragma once

#include "HandShape.h"
#include "SegmentInfo.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <set>
#include <vector>

namespace ondrel::sim {

// One moment of the scene: which hand is shown where and how large, and the segments the
// device reports for it. `scale` is frame pixels per model unit (see HandShape); a scale of
// 0 shows no hand.
struct HandView {
    HandKind hand = HandKind::Right4;
    double centerX = 0.0; // where the model's origin lies in the frame
    double centerY = 0.0;
    double scale = 0.0;
    double restScale = 0.0; // the scale once the hand has settled, the largest it gets
    // Standard positions of the fingers the person does not have.
    std::set<int> missingFingers;
    std::vector<quorvel::SegmentInfo> segments;
};

// Where the simulated person's fingertips are, over time. A newly presented hand comes in
// from the side, too far away and moving, then settles in range and holds still after the
// settle time, trembling only slightly as a real hand does. The seed picks the person: the
// size of the hand, where it is held and the path it comes in on. The scene is a function
// of the seed, the hand and the time since it was presented, so one seed gives the same
// frames every time. Positions are in pixels of the frame; movements are what the device
// reports per frame at its nominal 10 frames/s.
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

    // Fingers, by standard position, the person does not have: never drawn, never reported.
    void SetMissingFingers(std::set<int> positions) { missingFingers = std::move(positions); }
    // Whenever one of these hands is due, the person first holds out the other hand, which
    // comes in, settles and stays for kWrongHandHeldMs, then presents the one asked for.
    void SetWrongHandFirst(std::set<HandKind> hands) { wrongHandFirst = std::move(hands); }
    static constexpr double kWrongHandHeldMs = 2000.0;

    // The view at `now`; its segments are in the device's order: left to right, the right
    // hand's first fingertip higher than its last, the left hand's lower.
    HandView ViewAt(Clock::time_point now) const;
    // The same for a time since the hand was presented.
    HandView ViewAfter(std::chrono::duration<double, std::milli> elapsed) const;
    std::vector<quorvel::SegmentInfo> SegmentsAfter(std::chrono::duration<double, std::milli> elapsed) const
    {
        return ViewAfter(elapsed).segments;
    }

    // A hand at rest, without tremble (the prepared benchmark frame).
    HandView RestingView(HandKind kind) const;
    std::vector<quorvel::SegmentInfo> RestingSegments(HandKind kind) const { return RestingView(kind).segments; }

private:
    struct Pose {
        double centerX;
        double centerY;
        double distance;
        double velocityX; // pixels per frame
        double velocityY;
        double velocityZ;
    };

    // What the seed decides about the person.
    struct Person {
        double size = 1.0;
        double offsetX = 0.0; // model units
        double offsetY = 0.0;
        double restDistance = kRestDistanceMm;
        double approachX = 1.0; // factors on the usual approach
        double approachY = 1.0;
        std::array<double, 6> phases{};
    };

    Pose PoseAfter(HandKind kind, double elapsedMs) const;
    HandView Place(HandKind kind, const Pose& pose) const;
    double ScaleAt(double distance) const;

    int width;
    int height;
    double settleMs;
    double unit; // frame scale relative to 1280 x 1024
    Person person;
    HandKind hand = HandKind::Right4;
    Clock::time_point presentedAt;
    std::set<int> missingFingers;
    std::set<HandKind> wrongHandFirst;
};

} // namespace ondrel::sim
