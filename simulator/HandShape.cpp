#include "HandShape.h"

#include <algorithm>

namespace ondrel::sim {

namespace {
// A right hand's fingers, left to right in the frame: index, middle, ring, little. Tips of
// plausible different heights and widths, spread as people do over a contactless scanner
// (about 8.5 px/mm at rest distance). Every tip is 1.45 times as tall as it is wide.
constexpr double kTipAspect = 1.45;
constexpr double kThumbAspect = 1.4;
// Half the height the four tips span (0 to 393 from the middle fingertip's top).
constexpr double kFourMidY = 197.0;
constexpr double kThumbsMidY = 137.0;

FingerShape Finger(int position, double centerX, double tipTop, double width, double baseY, double aspect, double midY)
{
    return {centerX, tipTop - midY, width, width * aspect, baseY - midY, position};
}

// The same finger of the other hand: 1 right thumb … 5 right little, 6 left thumb … 10.
int OtherHandsPosition(int position)
{
    return position <= 5 ? position + 5 : position - 5;
}

HandShape RightFour()
{
    HandShape shape;
    shape.fingers = {
        Finger(2, -375.0, 60.0, 160.0, 560.0, kTipAspect, kFourMidY),
        Finger(3, -125.0, 0.0, 168.0, 585.0, kTipAspect, kFourMidY),
        Finger(4, 125.0, 40.0, 156.0, 575.0, kTipAspect, kFourMidY),
        Finger(5, 365.0, 190.0, 140.0, 600.0, kTipAspect, kFourMidY),
    };
    // The palm, and on the index side the ball of the thumb swelling out below it.
    shape.palms = {
        {-470.0, 445.0, 530.0 - kFourMidY, 1500.0, 150.0},
        {-560.0, -180.0, 760.0 - kFourMidY, 1500.0, 190.0},
    };
    return shape;
}

HandShape Mirrored(HandShape shape)
{
    for (auto& finger : shape.fingers) {
        finger.centerX = -finger.centerX;
        finger.position = OtherHandsPosition(finger.position);
    }
    std::reverse(shape.fingers.begin(), shape.fingers.end());
    for (auto& palm : shape.palms) {
        palm = {-palm.right, -palm.left, palm.top, palm.bottom, palm.radius};
    }
    return shape;
}

HandShape Thumbs()
{
    // Both thumbs side by side, the left one on the left, the fists they belong to out to
    // the sides below them.
    HandShape shape;
    shape.fingers = {
        Finger(6, -230.0, 12.0, 188.0, 430.0, kThumbAspect, kThumbsMidY),
        Finger(1, 232.0, 0.0, 196.0, 420.0, kThumbAspect, kThumbsMidY),
    };
    shape.palms = {
        {-650.0, -110.0, 290.0 - kThumbsMidY, 1500.0, 230.0},
        {115.0, 650.0, 280.0 - kThumbsMidY, 1500.0, 230.0},
    };
    return shape;
}
} // namespace

const char* HandKindName(HandKind hand)
{
    switch (hand) {
    case HandKind::Right4:
        return "right four fingers";
    case HandKind::Left4:
        return "left four fingers";
    case HandKind::Thumbs2:
        return "two thumbs";
    }
    return "";
}

HandShape ShapeOf(HandKind kind)
{
    switch (kind) {
    case HandKind::Right4:
        return RightFour();
    case HandKind::Left4:
        return Mirrored(RightFour());
    case HandKind::Thumbs2:
        return Thumbs();
    }
    return {};
}

HandShape ShapeOf(HandKind kind, const std::set<int>& missingFingers)
{
    HandShape shape = ShapeOf(kind);
    shape.fingers.erase(std::remove_if(shape.fingers.begin(), shape.fingers.end(),
                                       [&](const FingerShape& finger) { return missingFingers.count(finger.position) > 0; }),
                        shape.fingers.end());
    return shape;
}

} // namespace ondrel::sim
