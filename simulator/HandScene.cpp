#include "HandScene.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace ondrel::sim {

namespace {
constexpr double kPi = 3.14159265358979323846;

// The device reports movement per frame at 10 frames/s.
constexpr double kFramePeriodMs = 100.0;
// Pixels of Z movement per millimetre of distance change.
constexpr double kZPixelsPerMm = 4.0;

// How far from where it rests a newly presented hand starts, as fractions of the frame.
constexpr double kApproachX = 0.22;
constexpr double kApproachY = 0.15;
// Where the middle of the fingertips rests, as a fraction of the frame's height: above the
// middle, so that the palm shows below the fingers.
constexpr double kRestHeight = 0.38;

// What the seed may vary, within what keeps a settled hand capturable and its overlay
// texts apart on the default frame.
constexpr double kSizeSpread = 0.05;    // +-5 % hand size
constexpr double kOffsetXSpread = 50.0; // model units
constexpr double kOffsetYSpread = 30.0;
constexpr double kDistanceSpread = 3.0;  // mm around the rest distance
constexpr double kApproachSpread = 0.15; // +-15 % of the approach path
// Pixels a settled fingertip keeps from the frame's edges: the capture margin and the tremble.
constexpr double kEdgeRoom = 32.0;

// The tremble of a hand held still: two slow waves per axis, in pixels and millimetres,
// well below the movement thresholds.
struct Wave {
    double amplitude;
    double hertz;
};
constexpr Wave kTrembleX[] = {{0.5, 1.3}, {0.3, 2.9}};
constexpr Wave kTrembleY[] = {{0.5, 1.1}, {0.3, 2.3}};
constexpr Wave kTrembleZ[] = {{1.2, 0.6}, {0.5, 1.7}};

// The value and the change per frame period of two waves at `seconds`.
std::pair<double, double> Tremble(const Wave (&waves)[2], double phase0, double phase1, double seconds)
{
    double value = 0.0;
    double slope = 0.0;
    const double phases[] = {phase0, phase1};
    for (int i = 0; i < 2; ++i) {
        const double omega = 2.0 * kPi * waves[i].hertz;
        value += waves[i].amplitude * std::sin(omega * seconds + phases[i]);
        slope += waves[i].amplitude * omega * std::cos(omega * seconds + phases[i]) * kFramePeriodMs / 1000.0;
    }
    return {value, slope};
}

// How far the fingertips of any hand reach from the model's origin: sideways and upwards.
std::pair<double, double> TipReach()
{
    double side = 0.0;
    double up = 0.0;
    for (HandKind kind : {HandKind::Right4, HandKind::Left4, HandKind::Thumbs2}) {
        for (const FingerShape& finger : ShapeOf(kind).fingers) {
            side = std::max(side, std::fabs(finger.centerX) + finger.width / 2.0);
            up = std::max(up, -finger.tipTop);
        }
    }
    return {side, up};
}

double Smoothstep(double u)
{
    return u * u * (3.0 - 2.0 * u);
}

double SmoothstepSlope(double u)
{
    return 6.0 * u * (1.0 - u);
}
} // namespace

HandScene::HandScene(int frameWidth, int frameHeight, std::chrono::milliseconds settleTime, uint32_t seed)
    : width(frameWidth)
    , height(frameHeight)
    , settleMs(static_cast<double>(settleTime.count()))
    , unit(std::min(frameWidth / 1280.0, frameHeight / 1024.0))
    , presentedAt(Clock::now())
{
    std::mt19937 random(seed);
    auto spread = [&random](double half) { return std::uniform_real_distribution<double>(-half, half)(random); };
    person.size = 1.0 + spread(kSizeSpread);
    person.offsetX = spread(kOffsetXSpread);
    person.offsetY = spread(kOffsetYSpread);
    person.restDistance = kRestDistanceMm + spread(kDistanceSpread);
    person.approachX = 1.0 + spread(kApproachSpread);
    person.approachY = 1.0 + spread(kApproachSpread);
    for (double& phase : person.phases) {
        phase = kPi + spread(kPi);
    }
    // On narrow frames a large hand has less room to be held off the middle.
    const auto [side, up] = TipReach();
    const double restSize = person.size * kRestDistanceMm / person.restDistance;
    const double roomX = std::max(0.0, (width / 2.0 - kEdgeRoom) / unit - side * restSize);
    const double roomUp = std::max(0.0, (height * kRestHeight - kEdgeRoom) / unit - up * restSize);
    person.offsetX = std::clamp(person.offsetX, -roomX, roomX);
    person.offsetY = std::max(person.offsetY, -roomUp);
}

void HandScene::Restart(Clock::time_point now)
{
    hand = HandKind::Right4;
    presentedAt = now;
}

void HandScene::NextHand(Clock::time_point now)
{
    switch (hand) {
    case HandKind::Right4:
        hand = HandKind::Left4;
        break;
    case HandKind::Left4:
        hand = HandKind::Thumbs2;
        break;
    case HandKind::Thumbs2:
        hand = HandKind::Right4;
        break;
    }
    presentedAt = now;
}

HandView HandScene::ViewAt(Clock::time_point now) const
{
    return ViewAfter(now - presentedAt);
}

double HandScene::ScaleAt(double distance) const
{
    // Things further away look smaller, in size and in spread.
    return unit * person.size * kRestDistanceMm / distance;
}

HandScene::Pose HandScene::PoseAfter(HandKind kind, double elapsedMs) const
{
    const double u = settleMs <= 0.0 ? 1.0 : std::clamp(elapsedMs / settleMs, 0.0, 1.0);
    const double remaining = 1.0 - Smoothstep(u);
    // d(remaining)/dt per frame period; zero once settled.
    const double slope = settleMs <= 0.0 ? 0.0 : -SmoothstepSlope(u) / settleMs * kFramePeriodMs;

    // The right hand comes in from the right, the left hand from the left, thumbs from below.
    double approachX = 0.0;
    switch (kind) {
    case HandKind::Right4:
        approachX = kApproachX * width;
        break;
    case HandKind::Left4:
        approachX = -kApproachX * width;
        break;
    case HandKind::Thumbs2:
        approachX = 0.0;
        break;
    }
    approachX *= person.approachX;
    const double approachY = kApproachY * height * person.approachY;
    const double approachZ = kFarDistanceMm - person.restDistance;

    Pose pose{};
    pose.centerX = width / 2.0 + person.offsetX * unit + approachX * remaining;
    pose.centerY = height * kRestHeight + person.offsetY * unit + approachY * remaining;
    pose.distance = person.restDistance + approachZ * remaining;
    pose.velocityX = approachX * slope;
    pose.velocityY = approachY * slope;
    pose.velocityZ = approachZ * slope * kZPixelsPerMm;
    return pose;
}

HandView HandScene::ViewAfter(std::chrono::duration<double, std::milli> elapsed) const
{
    HandKind shown = hand;
    double ms = elapsed.count();
    if (wrongHandFirst.count(hand) != 0 && hand != HandKind::Thumbs2) {
        const double wrongMs = settleMs + kWrongHandHeldMs;
        if (ms < wrongMs) {
            shown = hand == HandKind::Right4 ? HandKind::Left4 : HandKind::Right4;
        } else {
            ms -= wrongMs; // the hand asked for comes in afresh
        }
    }
    Pose pose = PoseAfter(shown, ms);
    HandView view = Place(shown, pose);
    if (ms >= settleMs) {
        // A hand held still still trembles a little; the picture follows, its size does not.
        const double seconds = ms / 1000.0;
        const auto [dx, vx] = Tremble(kTrembleX, person.phases[0], person.phases[1], seconds);
        const auto [dy, vy] = Tremble(kTrembleY, person.phases[2], person.phases[3], seconds);
        const auto [dz, vz] = Tremble(kTrembleZ, person.phases[4], person.phases[5], seconds);
        view.centerX += dx;
        view.centerY += dy;
        const int shiftX = static_cast<int>(std::lround(view.centerX)) - static_cast<int>(std::lround(pose.centerX));
        const int shiftY = static_cast<int>(std::lround(view.centerY)) - static_cast<int>(std::lround(pose.centerY));
        for (auto& segment : view.segments) {
            segment.posX += shiftX;
            segment.posY += shiftY;
            segment.distance = static_cast<float>(pose.distance + dz);
            segment.moveX = static_cast<float>(vx);
            segment.moveY = static_cast<float>(vy);
            segment.moveZ = static_cast<float>(vz * kZPixelsPerMm);
        }
    }
    return view;
}

HandView HandScene::RestingView(HandKind kind) const
{
    return Place(kind, PoseAfter(kind, settleMs));
}

HandView HandScene::Place(HandKind kind, const Pose& pose) const
{
    HandView view;
    view.hand = kind;
    view.centerX = pose.centerX;
    view.centerY = pose.centerY;
    view.scale = ScaleAt(pose.distance);
    view.restScale = ScaleAt(person.restDistance);
    view.missingFingers = missingFingers;
    // Boxes are placed from the rounded centre, so that they move with the picture by
    // whole pixels.
    const double originX = std::round(pose.centerX);
    const double originY = std::round(pose.centerY);
    for (const FingerShape& finger : ShapeOf(kind, missingFingers).fingers) {
        quorvel::SegmentInfo info;
        info.width = static_cast<int32_t>(std::lround(finger.width * view.scale));
        info.height = static_cast<int32_t>(std::lround(finger.tipHeight * view.scale));
        info.posX = static_cast<int32_t>(std::lround(originX + finger.centerX * view.scale - info.width / 2.0));
        info.posY = static_cast<int32_t>(std::lround(originY + finger.tipTop * view.scale));
        info.distance = static_cast<float>(pose.distance);
        info.moveX = static_cast<float>(pose.velocityX);
        info.moveY = static_cast<float>(pose.velocityY);
        info.moveZ = static_cast<float>(pose.velocityZ);
        view.segments.push_back(info);
    }
    return view;
}

} // namespace ondrel::sim
