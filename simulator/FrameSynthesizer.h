#pragma once

#include "SegmentInfo.h"

#include <opencv2/core/mat.hpp>

#include <cstdint>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace ondrel::sim {

// Draws live frames: a dark, slightly mottled background with a bright, ridged fingertip
// in every segment's box. The background and the fingertip sprites are rendered once, so
// a frame costs one copy of the background and a paste per fingertip.
class FrameSynthesizer {
public:
    FrameSynthesizer(int width, int height);

    int Width() const { return width; }
    int Height() const { return height; }
    std::size_t PixelBytes() const { return static_cast<std::size_t>(width) * static_cast<std::size_t>(height); }

    // Renders into `pixels`, PixelBytes() bytes of 8-bit grey, rows packed. Boxes reaching
    // out of the frame are clipped; `shiftX`/`shiftY` move every fingertip (raw frames).
    void Render(const std::vector<quorvel::SegmentInfo>& segments, uint8_t* pixels, int shiftX = 0, int shiftY = 0) const;
    cv::Mat Render(const std::vector<quorvel::SegmentInfo>& segments) const;

    // A fingertip of this box size (rendered on first use, then kept).
    cv::Mat Sprite(int spriteWidth, int spriteHeight) const;

private:
    int width;
    int height;
    cv::Mat background;
    mutable std::mutex spritesMutex;
    mutable std::map<std::pair<int, int>, cv::Mat> sprites;
};

} // namespace ondrel::sim
