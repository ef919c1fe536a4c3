#pragma once

#include "FingerMarks.h"

#include <QString>

#include <cstdint>
#include <set>
#include <vector>

// Fingers by their standard positions: 1 right thumb, 2 right index, 3 right middle,
// 4 right ring, 5 right little, 6 left thumb, 7 left index, 8 left middle, 9 left ring,
// 10 left little; 0 is unknown.
constexpr int kUnknownFingerPosition = 0;

// "right middle", "left thumb", …; "unknown" for any other value.
QString FingerPositionName(int position);

// The fingers a mode captures, in the order the device reports its segments (left to right
// in the image): 4R 2, 3, 4, 5; 4L 10, 9, 8, 7; 2T 6, 1. Empty for another mode.
std::vector<int> ModeFingerPositions(int32_t mode);

// The segment counts that fit a mode with these marks: the fingers not marked XX, and that
// number less the fingers marked UP (they may be absent or present). Without marks exactly
// {4} for a hand and {2} for the thumbs; empty for another mode.
std::set<int> ExpectedSegmentCounts(int32_t mode, const FingerMarks& marks);

// The finger position of each of `segmentCount` segments of the mode, absent fingers dropped
// in order: all fingers but XX when the count is theirs, and also but UP when the count is
// that. Any other count (a forced capture) gives every segment kUnknownFingerPosition.
std::vector<int> SegmentFingerPositions(int32_t mode, std::size_t segmentCount, const FingerMarks& marks = {});
