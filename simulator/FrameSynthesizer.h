#pragma once

#include "HandScene.h"

#include <opencv2/core/mat.hpp>

#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <tuple>

namespace ondrel::sim {

// Draws live frames: a dark, slightly mottled background with the hand of a HandView on it,
// fingers with ridged tips on a palm. Each hand is rendered once at the size it has when
// settled and kept; a frame costs a copy of the background and a paste of the hand, plus a
// resize while the hand is still coming closer.
class FrameSynthesizer {
public:
    FrameSynthesizer(int width, int height);

    int Width() const { return width; }
    int Height() const { return height; }
    std::size_t PixelBytes() const { return static_cast<std::size_t>(width) * static_cast<std::size_t>(height); }

    // Renders into `pixels`, PixelBytes() bytes of 8-bit grey, rows packed. The hand is
    // clipped at the frame's edges; `shiftX`/`shiftY` move it (raw frames).
    void Render(const HandView& view, uint8_t* pixels, int shiftX = 0, int shiftY = 0) const;
    cv::Mat Render(const HandView& view) const;

private:
    // A hand's pixels, black around it, and where the model's origin lies in them.
    struct Picture {
        cv::Mat pixels;
        cv::Point2d origin;
    };

    // Pictures are told apart by hand, missing fingers and scale in steps of 1/10000.
    using PictureKey = std::tuple<HandKind, std::set<int>, long>;

    Picture HandPicture(const HandView& view) const;

    int width;
    int height;
    cv::Mat background;
    mutable std::mutex picturesMutex;
    // The settled hands stay, resized ones are few at a time.
    mutable std::map<PictureKey, Picture> settled;
    mutable std::map<PictureKey, Picture> resized;
};

} // namespace ondrel::sim
