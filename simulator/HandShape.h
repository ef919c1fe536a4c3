#pragma once

#include <set>
#include <vector>

namespace ondrel::sim {

// The hands in the order a person presents them during one capture run.
enum class HandKind {
    Right4,
    Left4,
    Thumbs2,
};

const char* HandKindName(HandKind hand);

// One finger as the scanner sees it, pointing up, in model units: pixels of a 1280 x 1024
// frame with an average hand at rest distance. The segment the device reports is the tip,
// from `tipTop` down `tipHeight`, `width` wide.
struct FingerShape {
    double centerX;
    double tipTop;
    double width;
    double tipHeight;
    double baseY; // where the finger meets the palm or fist
    int position; // standard finger position: 1 right thumb … 5 right little, 6 left thumb … 10 left little
};

// A rounded slab of palm or fist below the fingers.
struct PalmShape {
    double left;
    double right;
    double top;
    double bottom;
    double radius;
};

// The fingers in the device's segment order (left to right in the frame) and what they
// grow out of: the right hand's index to little finger (positions 2, 3, 4, 5) with the
// index tip higher than the little finger's, the left hand mirrored (10, 9, 8, 7), the
// left thumb then the right one (6, 1). The model's origin is the middle of the
// fingertips' extent.
struct HandShape {
    std::vector<FingerShape> fingers;
    std::vector<PalmShape> palms;
};

HandShape ShapeOf(HandKind kind);
// The same without the fingers at these standard positions; the palms stay.
HandShape ShapeOf(HandKind kind, const std::set<int>& missingFingers);

} // namespace ondrel::sim
