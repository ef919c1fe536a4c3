#include "FrameSynthesizer.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace ondrel::sim {

namespace {
constexpr double kPi = 3.14159265358979323846;

// A fingertip seen from below: a rounded top over straight sides, brightest in its
// middle, covered with loops of ridges around a core a little below the centre.
cv::Mat RenderFingertip(int w, int h)
{
    cv::Mat sprite(h, w, CV_8UC1, cv::Scalar(0));
    const double halfW = w / 2.0;
    const double capY = h * 0.5; // where the rounded top meets the straight sides
    const double coreX = halfW;
    const double coreY = h * 0.55;
    const double period = std::max(3.0, w / 12.0);
    for (int y = 0; y < h; ++y) {
        auto* row = sprite.ptr<uint8_t>(y);
        for (int x = 0; x < w; ++x) {
            const double dx = (x + 0.5 - halfW) / halfW;
            const double dy = y + 0.5 < capY ? (y + 0.5 - capY) / capY : 0.0;
            const double r = std::sqrt(dx * dx + dy * dy);
            if (r >= 1.0) {
                continue;
            }
            const double edge = std::clamp((1.0 - r) / 0.12, 0.0, 1.0);
            // Fade towards the bottom, where the finger leaves the box.
            const double fade = 1.0 - 0.35 * std::clamp((y - capY) / (h - capY), 0.0, 1.0);
            const double envelope = (0.75 + 0.25 * (1.0 - r * r)) * fade;
            const double px = x + 0.5 - coreX;
            const double py = (y + 0.5 - coreY) * 0.8;
            const double angle = std::atan2(py, px);
            const double loop = std::sqrt(px * px + py * py) + 0.2 * period * std::sin(3.0 * angle);
            const double ridge = 0.5 + 0.5 * std::cos(2.0 * kPi * loop / period);
            const double value = edge * (60.0 + 175.0 * envelope * (0.55 + 0.45 * ridge));
            row[x] = static_cast<uint8_t>(std::clamp(value, 0.0, 255.0));
        }
    }
    return sprite;
}

cv::Mat RenderBackground(int width, int height)
{
    cv::RNG rng(0x0D7E1);
    // Large soft blotches of stray light, plus a little sensor noise.
    cv::Mat coarse(std::max(2, height / 32), std::max(2, width / 32), CV_8UC1);
    rng.fill(coarse, cv::RNG::UNIFORM, 12, 36);
    cv::Mat background;
    cv::resize(coarse, background, cv::Size(width, height), 0, 0, cv::INTER_LINEAR);
    cv::Mat noise(height, width, CV_8UC1);
    rng.fill(noise, cv::RNG::UNIFORM, 0, 8);
    background += noise;
    return background;
}
} // namespace

FrameSynthesizer::FrameSynthesizer(int frameWidth, int frameHeight)
    : width(frameWidth), height(frameHeight), background(RenderBackground(frameWidth, frameHeight))
{
}

cv::Mat FrameSynthesizer::Sprite(int spriteWidth, int spriteHeight) const
{
    std::scoped_lock lock(spritesMutex);
    const auto key = std::make_pair(spriteWidth, spriteHeight);
    auto found = sprites.find(key);
    if (found == sprites.end()) {
        found = sprites.emplace(key, RenderFingertip(spriteWidth, spriteHeight)).first;
    }
    return found->second; // shares the pixels, which are never changed
}

void FrameSynthesizer::Render(const std::vector<quorvel::SegmentInfo>& segments, uint8_t* pixels, int shiftX, int shiftY) const
{
    cv::Mat frame(height, width, CV_8UC1, pixels);
    background.copyTo(frame); // same size and type: written in place
    const cv::Rect bounds(0, 0, width, height);
    for (const auto& segment : segments) {
        // Boxes larger than the frame are no fingertip anyone draws.
        if (segment.width <= 0 || segment.height <= 0 || segment.width > width || segment.height > height) {
            continue;
        }
        const cv::Rect box(segment.posX + shiftX, segment.posY + shiftY, segment.width, segment.height);
        const cv::Rect visible = box & bounds;
        if (visible.empty()) {
            continue;
        }
        const cv::Mat sprite = Sprite(segment.width, segment.height);
        const cv::Rect part(visible.x - box.x, visible.y - box.y, visible.width, visible.height);
        cv::Mat target = frame(visible);
        // Brightest wins, so touching fingertips blend without box edges.
        cv::max(target, sprite(part), target);
    }
}

cv::Mat FrameSynthesizer::Render(const std::vector<quorvel::SegmentInfo>& segments) const
{
    cv::Mat frame(height, width, CV_8UC1);
    Render(segments, frame.data);
    return frame;
}

} // namespace ondrel::sim
