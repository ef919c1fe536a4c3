#include "CaptureQuality.h"

#include "ResultWriter.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>

namespace {

constexpr double kTwoPi = 6.283185307179586;

// The fingertip is reduced by a whole factor until its longer side is at most this; ridges
// then still span several pixels at any resolution a scanner delivers, and the cost per
// finger stays bounded.
constexpr int kMaxWorkingSide = 256;
// Blocks of the structure tensor: about two ridges at the usual ridge density.
constexpr double kBlocksAcross = 10.0;
constexpr int kMinBlockSide = 8;
// The local brightness that the ridge pattern is measured against: a blur wide enough to
// swallow the ridges and narrow enough to follow the finger's rounding.
constexpr double kBrightnessSigmaFraction = 1.0 / 32.0;
// A block belongs to the fingertip when at least this fraction as bright as the brightest
// block, and no darker than kMinFingerBrightness.
constexpr double kForegroundFraction = 0.5;
constexpr double kMinFingerBrightness = 16.0;
// Below this the pattern is flat: nothing to measure.
constexpr double kFlatContrast = 1e-3;

// How the components make the score: sharpness and contrast are mapped to 0..1 by
// v² / (v² + half²), which is one half at `half`, near 1 well above it and falls fast to 0
// below it; the orientation counts from what noise alone gives. The three are combined as
// a weighted geometric mean, so that any one of them near 0 keeps the score low.
constexpr double kSharpnessHalf = 0.06;
constexpr double kContrastHalf = 6.0; // grey levels
// Coherence of blocks that hold only noise; the orientation counts from here.
constexpr double kNoiseCoherence = 0.15;
constexpr double kSharpnessWeight = 0.35;
constexpr double kOrientationWeight = 0.4;
constexpr double kContrastWeight = 0.25;
// Ridges across the fingertip's shorter side that a finger can show (30 to 45 on real
// fingers, about 20 in the simulator's drawing, whose ridges are twice as wide); the score
// fades to 0 over a factor of two outside, so that a smooth remnant or fine clutter does
// not pass for ridges.
constexpr double kMinRidgesAcross = 8.0;
constexpr double kMaxRidgesAcross = 60.0;

// The box's part inside an image of cols x rows, computed without overflow.
cv::Rect ClipToImage(const cv::Rect& box, int cols, int rows)
{
    const int64_t left = std::max<int64_t>(box.x, 0);
    const int64_t top = std::max<int64_t>(box.y, 0);
    const int64_t right = std::min<int64_t>(int64_t{box.x} + std::max(box.width, 0), cols);
    const int64_t bottom = std::min<int64_t>(int64_t{box.y} + std::max(box.height, 0), rows);
    if (right <= left || bottom <= top) {
        return {};
    }
    return {static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
            static_cast<int>(bottom - top)};
}

// The fingertip area as 32-bit float grey, reduced by a whole factor so that its longer side
// is at most kMaxWorkingSide. The area is first trimmed to a multiple of the factor,
// equally on both sides, so that a quarter turn of the image gives the turned result.
cv::Mat WorkingImage(const cv::Mat& image, cv::Rect area)
{
    const int factor = (std::max(area.width, area.height) + kMaxWorkingSide - 1) / kMaxWorkingSide;
    const int width = area.width / factor * factor;
    const int height = area.height / factor * factor;
    if (width == 0 || height == 0) {
        return {}; // a sliver, far longer than wide
    }
    area = cv::Rect(area.x + (area.width - width) / 2, area.y + (area.height - height) / 2, width, height);
    cv::Mat grey;
    if (image.type() == CV_8UC3) {
        cv::cvtColor(image(area), grey, cv::COLOR_BGR2GRAY);
    } else {
        grey = image(area);
    }
    cv::Mat reduced;
    if (factor > 1) {
        cv::resize(grey, reduced, cv::Size(width / factor, height / factor), 0, 0, cv::INTER_AREA);
    } else {
        reduced = grey;
    }
    cv::Mat working;
    reduced.convertTo(working, CV_32F);
    return working;
}

double Saturating(double value, double half)
{
    return value * value / (value * value + half * half);
}

// 1 inside [kMinRidgesAcross, kMaxRidgesAcross], falling linearly in log2 to 0 at half the
// minimum and twice the maximum.
double RidgeCountPlausibility(double ridgesAcross)
{
    if (!(ridgesAcross > 0.0)) {
        return 0.0;
    }
    const double below = std::log2(kMinRidgesAcross / ridgesAcross);
    const double above = std::log2(ridgesAcross / kMaxRidgesAcross);
    return std::clamp(1.0 - std::max({below, above, 0.0}), 0.0, 1.0);
}

// Sums over the fingertip's blocks.
struct FingertipSums {
    int blocks = 0;                 // blocks of the fingertip area
    double blockPixels = 0.0;       // pixels per block
    double ridge2 = 0.0;            // squares of the ridge pattern (image less local brightness)
    double gradient2 = 0.0;         // squared gradient magnitudes: the structure tensor's trace
    double coherentGradient2 = 0.0; // per block the tensor's eigenvalue difference
    double coherence = 0.0;         // per block the difference over the sum
    double brightness = 0.0;        // local brightness
};

struct BlockSums {
    double jxx = 0.0;
    double jyy = 0.0;
    double jxy = 0.0;
    double ridge2 = 0.0;
    double brightness = 0.0;
};

// Splits the working image into a centred grid of square blocks (a quarter turn maps it
// onto itself) and sums the structure tensor of the ridge pattern over the fingertip's
// blocks: those bright enough whose four neighbours are bright too, so that the finger's
// outline and the background beside a rounded tip do not count as ridges. std::nullopt
// when the grid has fewer than three blocks a side.
std::optional<FingertipSums> SumFingertip(const cv::Mat& grey)
{
    const int shorter = std::min(grey.cols, grey.rows);
    const int side = std::max(kMinBlockSide, static_cast<int>(std::lround(shorter / kBlocksAcross)));
    const int across = grey.cols / side;
    const int down = grey.rows / side;
    if (across < 3 || down < 3) {
        return std::nullopt;
    }

    // The ridge pattern is the image less its local brightness; plain central differences,
    // not Sobel's smoothed ones, so that noise shows in the tensor as the clutter it is.
    cv::Mat brightness;
    const double sigma = std::max(1.0, shorter * kBrightnessSigmaFraction);
    cv::GaussianBlur(grey, brightness, cv::Size(), sigma, sigma, cv::BORDER_REFLECT);
    const cv::Mat ridges = grey - brightness;
    cv::Mat gx, gy;
    cv::Sobel(ridges, gx, CV_32F, 1, 0, 1, 0.5, 0.0, cv::BORDER_REFLECT);
    cv::Sobel(ridges, gy, CV_32F, 0, 1, 1, 0.5, 0.0, cv::BORDER_REFLECT);

    const int x0 = (grey.cols - across * side) / 2;
    const int y0 = (grey.rows - down * side) / 2;
    std::vector<BlockSums> blocks(static_cast<std::size_t>(across) * static_cast<std::size_t>(down));
    for (int y = 0; y < down * side; ++y) {
        const float* gxRow = gx.ptr<float>(y0 + y) + x0;
        const float* gyRow = gy.ptr<float>(y0 + y) + x0;
        const float* ridgeRow = ridges.ptr<float>(y0 + y) + x0;
        const float* brightRow = brightness.ptr<float>(y0 + y) + x0;
        BlockSums* rowBlocks = &blocks[static_cast<std::size_t>((y / side) * across)];
        for (int bx = 0; bx < across; ++bx) {
            BlockSums& b = rowBlocks[bx];
            for (int x = bx * side; x < (bx + 1) * side; ++x) {
                b.jxx += gxRow[x] * gxRow[x];
                b.jyy += gyRow[x] * gyRow[x];
                b.jxy += gxRow[x] * gyRow[x];
                b.ridge2 += ridgeRow[x] * ridgeRow[x];
                b.brightness += brightRow[x];
            }
        }
    }

    FingertipSums sums;
    sums.blockPixels = static_cast<double>(side) * side;
    double brightest = 0.0;
    for (const BlockSums& b : blocks) {
        brightest = std::max(brightest, b.brightness / sums.blockPixels);
    }
    const double threshold = std::max(kMinFingerBrightness, kForegroundFraction * brightest);
    const auto bright = [&](int bx, int by) {
        return bx >= 0 && by >= 0 && bx < across && by < down
            && blocks[static_cast<std::size_t>(by * across + bx)].brightness / sums.blockPixels >= threshold;
    };
    for (int by = 0; by < down; ++by) {
        for (int bx = 0; bx < across; ++bx) {
            if (!bright(bx, by) || !bright(bx - 1, by) || !bright(bx + 1, by) || !bright(bx, by - 1)
                || !bright(bx, by + 1)) {
                continue;
            }
            const BlockSums& b = blocks[static_cast<std::size_t>(by * across + bx)];
            const double trace = b.jxx + b.jyy;
            const double difference = std::sqrt((b.jxx - b.jyy) * (b.jxx - b.jyy) + 4.0 * b.jxy * b.jxy);
            ++sums.blocks;
            sums.ridge2 += b.ridge2;
            sums.gradient2 += trace;
            sums.coherentGradient2 += difference;
            sums.coherence += trace > 0.0 ? difference / trace : 0.0;
            sums.brightness += b.brightness;
        }
    }
    return sums;
}

} // namespace

FingerQuality ScoreFinger(const cv::Mat& image, const cv::Rect& box)
{
    if (image.empty() || image.dims != 2 || (image.type() != CV_8UC1 && image.type() != CV_8UC3)) {
        return {};
    }
    const cv::Rect area = ClipToImage(box, image.cols, image.rows);
    if (area.width < kMinJudgedSide || area.height < kMinJudgedSide) {
        return {};
    }
    const cv::Mat grey = WorkingImage(image, area);
    if (grey.empty()) {
        return {};
    }
    const int shorter = std::min(grey.cols, grey.rows);
    const std::optional<FingertipSums> sums = SumFingertip(grey);
    if (!sums || sums->blocks == 0) {
        return {};
    }
    const double samples = sums->blocks * sums->blockPixels;
    const double patternRms = std::sqrt(sums->ridge2 / samples);
    if (patternRms < kFlatContrast || sums->gradient2 <= 0.0) {
        return {};
    }
    // Only the share of the gradient energy that follows the blocks' ridge orientation is
    // ridges; the rest is noise. The pattern's RMS scaled by that share is the ridges' own.
    const double ridgeShare = std::sqrt(sums->coherentGradient2 / sums->gradient2);
    FingerQuality result;
    result.contrast = patternRms * ridgeShare;
    result.sharpness = result.contrast / (sums->brightness / samples);
    result.orientation = sums->coherence / sums->blocks;
    // Ridges of period T have a gradient RMS of 2 pi / T times the pattern's RMS.
    const double period = kTwoPi * patternRms / std::sqrt(sums->gradient2 / samples);

    const double orientationScore =
        std::clamp((result.orientation - kNoiseCoherence) / (1.0 - kNoiseCoherence), 0.0, 1.0);
    const double score = std::pow(Saturating(result.sharpness, kSharpnessHalf), kSharpnessWeight)
        * std::pow(orientationScore, kOrientationWeight)
        * std::pow(Saturating(result.contrast, kContrastHalf), kContrastWeight)
        * RidgeCountPlausibility(shorter / period);
    result.quality = static_cast<int>(std::lround(std::clamp(100.0 * score, 0.0, 100.0)));
    return result;
}

std::vector<FingerQualityRecord> ScoreFingers(const cv::Mat& finalImage,
                                              const std::vector<quorvel::SegmentInfo>& segments,
                                              const std::vector<int>& positions)
{
    std::vector<FingerQualityRecord> records;
    records.reserve(segments.size());
    for (std::size_t i = 0; i < segments.size(); ++i) {
        const quorvel::SegmentInfo& segment = segments[i];
        const FingerQuality score =
            ScoreFinger(finalImage, ClippedSegmentRect(segment, finalImage.cols, finalImage.rows));
        FingerQualityRecord record;
        record.position = i < positions.size() ? positions[i] : 0;
        record.posX = segment.posX;
        record.posY = segment.posY;
        record.width = segment.width;
        record.height = segment.height;
        record.quality = score.quality;
        record.sharpness = score.sharpness;
        record.orientation = score.orientation;
        record.contrast = score.contrast;
        records.push_back(record);
    }
    return records;
}
