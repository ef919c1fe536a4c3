// The live view's capture rule written out again, so the simulator is not checked against itself.
#pragma once

// The live view's capture decision with its default thresholds, written out independently
// here so that the simulator is checked against the rule and not against itself.

#include "SegmentInfo.h"

#include <cmath>
#include <string>
#include <vector>

namespace ondrel::simtest {

enum class Presented { Right4, Left4, Thumbs2 };

struct CaptureThresholds {
    float minDistance = 185.0f;
    float maxDistance = 205.0f;
    float maxMoveX = 2.5f;
    float maxMoveY = 3.0f;
    float maxMoveZ = 20.0f;
    int borderMargin = 30;
};

// Empty when the segments would be captured; otherwise why not. `expected` is the number of
// fingertips the person has for the hand (0: all of them); the first and last are in order.
inline std::string WhyNotCapturable(const std::vector<quorvel::SegmentInfo>& segments, Presented hand, int frameWidth, int frameHeight,
                                    std::size_t expected = 0, const CaptureThresholds& t = {})
{
    if (expected == 0) {
        expected = hand == Presented::Thumbs2 ? 2 : 4;
    }
    if (segments.size() != expected) {
        return std::to_string(segments.size()) + " segments";
    }
    if (hand == Presented::Right4 && !(segments.front().posY < segments.back().posY)) {
        return "not arranged as a right hand";
    }
    if (hand == Presented::Left4 && !(segments.front().posY > segments.back().posY)) {
        return "not arranged as a left hand";
    }
    for (const auto& s : segments) {
        if (s.distance < t.minDistance || s.distance > t.maxDistance) {
            return "distance " + std::to_string(s.distance);
        }
        if (std::fabs(s.moveX) > t.maxMoveX || std::fabs(s.moveY) > t.maxMoveY || std::fabs(s.moveZ) > t.maxMoveZ) {
            return "moving";
        }
        if (s.posX < t.borderMargin || s.posY < t.borderMargin || s.posX + s.width > frameWidth - t.borderMargin
            || s.posY + s.height > frameHeight - t.borderMargin) {
            return "too close to the border";
        }
    }
    return {};
}

} // namespace ondrel::simtest
