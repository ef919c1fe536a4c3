#include "HandScene.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace ondrel::sim {

namespace {
// Sizes of a fingertip's box at rest, for a 1280 x 1024 frame.
constexpr double kFingerWidth = 96.0;
constexpr double kFingerHeight = 130.0;
constexpr double kThumbWidth = 112.0;
constexpr double kThumbHeight = 150.0;
constexpr double kFingerPitch = 1.2; // centre spacing in finger widths

// Fingertip heights relative to the middle finger, in finger heights, listed from the
// index to the little finger.
constexpr std::array<double, 4> kTipDrop { 0.15, 0.0, 0.1, 0.55 };

// The device reports movement per frame at 10 frames/s.
constexpr double kFramePeriodMs = 100.0;
// Pixels of Z movement per millimetre of distance change.
constexpr double kZPixelsPerMm = 4.0;

// How far in from where it rests a newly presented hand starts, as fractions of the frame.
constexpr double kApproachX = 0.22;
constexpr double kApproachY = 0.15;

double Smoothstep(double u)
{
    return u * u * (3.0 - 2.0 * u);
}

double SmoothstepSlope(double u)
{
    return 6.0 * u * (1.0 - u);
}

// Box sizes are kept even so that the renderer's sprite cache stays small.
int EvenSize(double size)
{
    return std::max(4, 2 * static_cast<int>(std::lround(size / 2.0)));
}
} // namespace

const char* HandKindName(HandKind hand)
{
    switch (hand) {
    case HandKind::Right4: return "right four fingers";
    case HandKind::Left4: return "left four fingers";
    case HandKind::Thumbs2: return "two thumbs";
    }
    return "";
}

HandScene::HandScene(int frameWidth, int frameHeight, std::chrono::milliseconds settleTime, uint32_t seed)
    : width(frameWidth)
    , height(frameHeight)
    , settleMs(static_cast<double>(settleTime.count()))
    , unit(std::min(frameWidth / 1280.0, frameHeight / 1024.0))
    , presentedAt(Clock::now())
    , random(seed)
{
}

void HandScene::Restart(Clock::time_point now)
{
    hand = HandKind::Right4;
    presentedAt = now;
}

void HandScene::NextHand(Clock::time_point now)
{
    switch (hand) {
    case HandKind::Right4: hand = HandKind::Left4; break;
    case HandKind::Left4: hand = HandKind::Thumbs2; break;
    case HandKind::Thumbs2: hand = HandKind::Right4; break;
    }
    presentedAt = now;
}

std::vector<quorvel::SegmentInfo> HandScene::SegmentsAt(Clock::time_point now)
{
    return SegmentsAfter(now - presentedAt);
}

HandScene::Pose HandScene::PoseAfter(double elapsedMs) const
{
    const double u = settleMs <= 0.0 ? 1.0 : std::clamp(elapsedMs / settleMs, 0.0, 1.0);
    const double remaining = 1.0 - Smoothstep(u);
    // d(remaining)/dt per frame period; zero once settled.
    const double slope = settleMs <= 0.0 ? 0.0 : -SmoothstepSlope(u) / settleMs * kFramePeriodMs;

    // The right hand comes in from the right, the left hand from the left, thumbs from below.
    double approachX = 0.0;
    switch (hand) {
    case HandKind::Right4: approachX = kApproachX * width; break;
    case HandKind::Left4: approachX = -kApproachX * width; break;
    case HandKind::Thumbs2: approachX = 0.0; break;
    }
    const double approachY = kApproachY * height;
    const double approachZ = kFarDistanceMm - kRestDistanceMm;

    Pose pose {};
    pose.centerX = width / 2.0 + approachX * remaining;
    pose.centerY = height / 2.0 + approachY * remaining;
    pose.distance = kRestDistanceMm + approachZ * remaining;
    pose.velocityX = approachX * slope;
    pose.velocityY = approachY * slope;
    pose.velocityZ = approachZ * slope * kZPixelsPerMm;
    return pose;
}

std::vector<quorvel::SegmentInfo> HandScene::SegmentsAfter(std::chrono::duration<double, std::milli> elapsed)
{
    Pose pose = PoseAfter(elapsed.count());
    double jitterX = 0.0;
    double jitterY = 0.0;
    const bool settled = elapsed.count() >= settleMs;
    if (settled) {
        // A hand held still still trembles a little.
        std::uniform_real_distribution<double> tremble(-0.6, 0.6);
        std::uniform_real_distribution<double> move(-0.8, 0.8);
        std::uniform_real_distribution<double> depth(-4.0, 4.0);
        std::uniform_real_distribution<double> range(-2.0, 2.0);
        jitterX = tremble(random);
        jitterY = tremble(random);
        pose.velocityX = move(random);
        pose.velocityY = move(random);
        pose.velocityZ = depth(random);
        pose.distance += range(random);
    }
    return Place(hand, pose, jitterX, jitterY);
}

std::vector<quorvel::SegmentInfo> HandScene::RestingSegments(HandKind kind) const
{
    Pose pose {};
    pose.centerX = width / 2.0;
    pose.centerY = height / 2.0;
    pose.distance = kRestDistanceMm;
    return Place(kind, pose, 0.0, 0.0);
}

std::vector<quorvel::SegmentInfo> HandScene::Place(HandKind kind, const Pose& pose, double jitterX, double jitterY) const
{
    // Things further away look smaller, in size and in spread.
    const double scale = unit * kRestDistanceMm / pose.distance;
    std::vector<quorvel::SegmentInfo> segments;

    auto add = [&](double centerX, double top, double w, double h) {
        quorvel::SegmentInfo info;
        info.width = EvenSize(w * scale);
        info.height = EvenSize(h * scale);
        info.posX = static_cast<int32_t>(std::lround(pose.centerX + centerX * scale + jitterX - info.width / 2.0));
        info.posY = static_cast<int32_t>(std::lround(pose.centerY + top * scale + jitterY));
        info.distance = static_cast<float>(pose.distance);
        info.moveX = static_cast<float>(pose.velocityX);
        info.moveY = static_cast<float>(pose.velocityY);
        info.moveZ = static_cast<float>(pose.velocityZ);
        segments.push_back(info);
    };

    if (kind == HandKind::Thumbs2) {
        for (double side : { -1.0, 1.0 }) {
            add(side * kThumbWidth, -kThumbHeight / 2.0, kThumbWidth, kThumbHeight);
        }
        return segments;
    }

    // Fingers point up; the hand's extent is centred on the pose.
    const double top = -(kFingerHeight + kTipDrop[3] * kFingerHeight) / 2.0;
    for (int i = 0; i < 4; ++i) {
        const double offsetX = (i - 1.5) * kFingerPitch * kFingerWidth;
        // Seen by the scanner the right hand lies index finger first, the left little finger first.
        const int finger = kind == HandKind::Right4 ? i : 3 - i;
        add(offsetX, top + kTipDrop[static_cast<std::size_t>(finger)] * kFingerHeight, kFingerWidth, kFingerHeight);
    }
    return segments;
}

} // namespace ondrel::sim
