#include "FrameSynthesizer.h"

#include <opencv2/core.hpp>
#include <opencv2/core/utility.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <limits>

namespace ondrel::sim {

namespace {
constexpr double kPi = 3.14159265358979323846;

// Model units between two ridges: about twice a real finger's, so that the ridges stay
// visible on the default frame.
constexpr double kRidgePeriod = 7.5;
// Ridges finer than this many pixels would only make moire; they fade out instead.
constexpr double kFinestRidgePixels = 2.0;
// The join between a finger and the palm, and between palm parts (model units).
constexpr double kWebRadius = 45.0;
constexpr double kPalmJoinRadius = 80.0;
// Width of the soft outline, in pixels.
constexpr double kEdgePixels = 1.5;
// The part of the model that is rendered: above the highest fingertip down to well below
// the bottom of the frame at any size the scene gives the hand.
constexpr double kPictureTop = -215.0;
constexpr double kPictureBottom = 700.0;
// Fingers reach this far past their base into the palm, so that the join has no gap.
constexpr double kFingerRoot = 80.0;

// Brightness of the parts in the light of the scanner.
constexpr double kTipBrightness = 215.0;
constexpr double kFingerBrightness = 200.0;
constexpr double kPalmBrightness = 150.0;

// Resized pictures kept at a time: the frames of one approach, then results of one frame.
constexpr std::size_t kResizedKept = 6;
constexpr std::size_t kSettledKept = 12;
// Scales are told apart in steps of this.
constexpr double kScaleSteps = 10000.0;

double SmoothMin(double a, double b, double k)
{
    const double h = std::max(k - std::fabs(a - b), 0.0) / k;
    return std::min(a, b) - h * h * k * 0.25;
}

double PalmDistance(double x, double y, const PalmShape& p)
{
    const double qx = std::fabs(x - (p.left + p.right) / 2.0) - ((p.right - p.left) / 2.0 - p.radius);
    const double qy = std::fabs(y - (p.top + p.bottom) / 2.0) - ((p.bottom - p.top) / 2.0 - p.radius);
    const double ox = std::max(qx, 0.0);
    const double oy = std::max(qy, 0.0);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0) - p.radius;
}

// Roughly the signed distance from a finger: an elliptic cap over sides that widen a
// little towards the base.
double FingerDistance(double x, double y, const FingerShape& f)
{
    const double t = std::clamp((y - f.tipTop) / (f.baseY - f.tipTop), 0.0, 1.0);
    const double r = f.width / 2.0 * (1.0 + 0.08 * t);
    const double capHeight = 0.55 * f.width;
    const double capY = f.tipTop + capHeight;
    const double dx = std::fabs(x - f.centerX);
    double d = dx - r;
    if (y < capY) {
        const double ex = dx / r;
        const double ey = (y - capY) / capHeight;
        d = (std::sqrt(ex * ex + ey * ey) - 1.0) * std::min(r, capHeight);
    }
    return std::max(d, y - (f.baseY + kFingerRoot));
}

double Ridge(double field, double contrast)
{
    return 1.0 - contrast * (0.5 - 0.5 * std::cos(2.0 * kPi * field / kRidgePeriod));
}

double FingerValue(double x, double y, double warp, const FingerShape& f, std::size_t index, double ridgeContrast)
{
    const double u = std::clamp((x - f.centerX) / (f.width / 2.0), -1.0, 1.0);
    const double roundness = std::sqrt(1.0 - u * u); // a finger is a cylinder lit from below
    const double tipEnd = f.tipTop + f.tipHeight;
    const double dx = x - f.centerX;
    if (y < tipEnd) {
        // Whorls and loops around a core a little off the tip's middle: rings bent by the
        // core's angle, sin(2 angle + phase) written without the angle.
        const double aspect = 1.1 + 0.12 * static_cast<double>(index % 3);
        const double lx = dx - (index % 2 == 0 ? 0.1 : -0.1) * f.width;
        const double ly = (y - (f.tipTop + 0.5 * f.tipHeight)) * aspect;
        const double r2 = lx * lx + ly * ly + 1e-9;
        const double phase = 1.7 * static_cast<double>(index);
        const double bend = (2.0 * lx * ly * std::cos(phase) + (lx * lx - ly * ly) * std::sin(phase)) / r2;
        const double loops = std::sqrt(r2) + 0.6 * kRidgePeriod * bend;
        const double lift = 1.0 - 0.08 * std::clamp((y - f.tipTop) / f.tipHeight, 0.0, 1.0);
        return kTipBrightness * lift * (0.55 + 0.45 * roundness) * Ridge(loops + warp, 0.45 * ridgeContrast);
    }
    // Below the tip: ridges across the finger and two flexion creases.
    const double length = f.baseY - tipEnd;
    const double t = std::clamp((y - tipEnd) / length, 0.0, 1.0);
    const double bend = 0.003 * dx * dx;
    double value =
        (kFingerBrightness - 45.0 * t) * (0.55 + 0.45 * roundness) * Ridge(y - bend + warp, 0.1 * ridgeContrast);
    for (const double crease : {tipEnd + 4.0, tipEnd + 0.45 * length}) {
        const double off = (y - bend - crease) / 4.0;
        if (std::fabs(off) < 4.0) {
            value *= 1.0 - 0.5 * std::exp(-off * off);
        }
    }
    return value;
}

double PalmValue(double x, double y, double warp, double inside, double palmTop, double ridgeContrast)
{
    const double shade = std::sqrt(std::min(1.0, inside / 90.0));
    // Further from the light towards the wrist.
    const double fall = 1.0 - 0.3 * std::clamp((y - palmTop) / 500.0, 0.0, 1.0);
    double value =
        kPalmBrightness * fall * (0.55 + 0.45 * shade) * Ridge(0.8 * y + 0.25 * x + warp, 0.06 * ridgeContrast);
    // A crease across the palm, sloping gently.
    const double off = (y - (palmTop + 150.0 + 0.06 * x + 0.0003 * x * x) + 0.3 * warp) / 5.0;
    if (std::fabs(off) < 4.0) {
        value *= 1.0 - 0.3 * std::exp(-off * off) * std::min(1.0, inside / 60.0);
    }
    return value;
}

// A slow wobble, in model units, that keeps ridges from looking drawn with a compass: a
// coarse grid of fixed random offsets, smoothly enlarged to the picture.
cv::Mat RidgeWarp(int rows, int cols, double scale)
{
    constexpr double kCell = 60.0; // model units
    cv::Mat grid(std::max(2, static_cast<int>(rows / (kCell * scale)) + 2),
                 std::max(2, static_cast<int>(cols / (kCell * scale)) + 2), CV_32FC1);
    cv::RNG(0x51D6E).fill(grid, cv::RNG::UNIFORM, -1.5 * kRidgePeriod, 1.5 * kRidgePeriod);
    cv::Mat warp;
    cv::resize(grid, warp, cv::Size(cols, rows), 0, 0, cv::INTER_CUBIC);
    return warp;
}

// The hand at `scale` pixels per model unit, black around it.
cv::Mat RenderHand(const HandShape& shape, double scale, cv::Point2d& origin)
{
    double left = std::numeric_limits<double>::max();
    double right = std::numeric_limits<double>::lowest();
    double palmTop = kPictureBottom;
    for (const FingerShape& f : shape.fingers) {
        left = std::min(left, f.centerX - f.width);
        right = std::max(right, f.centerX + f.width);
    }
    for (const PalmShape& p : shape.palms) {
        left = std::min(left, p.left);
        right = std::max(right, p.right);
        palmTop = std::min(palmTop, p.top);
    }
    const int cols = static_cast<int>(std::ceil((right - left) * scale)) + 2;
    const int rows = static_cast<int>(std::ceil((kPictureBottom - kPictureTop) * scale)) + 2;
    origin = cv::Point2d(std::round(-left * scale), std::round(-kPictureTop * scale));
    const double ridgeContrast = std::clamp((kRidgePeriod * scale - kFinestRidgePixels) / kFinestRidgePixels, 0.0, 1.0);
    const cv::Point2d o = origin;
    const cv::Mat warp = RidgeWarp(rows, cols, scale);

    cv::Mat picture(rows, cols, CV_8UC1, cv::Scalar(0));
    cv::parallel_for_(cv::Range(0, rows), [&](const cv::Range& range) {
        for (int py = range.start; py < range.end; ++py) {
            auto* row = picture.ptr<uint8_t>(py);
            const float* warpRow = warp.ptr<float>(py);
            const double y = (py + 0.5 - o.y) / scale;
            for (int px = 0; px < cols; ++px) {
                const double x = (px + 0.5 - o.x) / scale;
                double palm = std::numeric_limits<double>::max();
                for (const PalmShape& p : shape.palms) {
                    const double d = PalmDistance(x, y, p);
                    palm = palm == std::numeric_limits<double>::max() ? d : SmoothMin(palm, d, kPalmJoinRadius);
                }
                double finger = std::numeric_limits<double>::max();
                std::size_t nearest = 0;
                for (std::size_t i = 0; i < shape.fingers.size(); ++i) {
                    const double d = FingerDistance(x, y, shape.fingers[i]);
                    if (d < finger) {
                        finger = d;
                        nearest = i;
                    }
                }
                const double outline = SmoothMin(finger, palm, kWebRadius);
                const double alpha = std::clamp(0.5 - outline * scale / kEdgePixels, 0.0, 1.0);
                if (alpha <= 0.0) {
                    continue;
                }
                const double fingerWeight = std::clamp(0.5 + (palm - finger) / 30.0, 0.0, 1.0);
                double value = 0.0;
                if (fingerWeight > 0.0) {
                    value +=
                        fingerWeight * FingerValue(x, y, warpRow[px], shape.fingers[nearest], nearest, ridgeContrast);
                }
                if (fingerWeight < 1.0) {
                    value += (1.0 - fingerWeight) * PalmValue(x, y, warpRow[px], -outline, palmTop, ridgeContrast);
                }
                row[px] = static_cast<uint8_t>(std::clamp(alpha * value, 0.0, 255.0));
            }
        }
    });
    return picture;
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

bool Drawable(const HandView& view, int width, int height)
{
    // Views come from the scene; anything else is not a hand anyone draws.
    const double limit = 16.0 * std::max(width, height);
    return std::isfinite(view.scale) && view.scale > 0.0 && view.scale <= 16.0 && std::isfinite(view.restScale)
        && view.restScale <= 16.0 && std::fabs(view.centerX) < limit && std::fabs(view.centerY) < limit;
}
} // namespace

FrameSynthesizer::FrameSynthesizer(int frameWidth, int frameHeight)
    : width(frameWidth)
    , height(frameHeight)
    , background(RenderBackground(frameWidth, frameHeight))
{
}

FrameSynthesizer::Picture FrameSynthesizer::HandPicture(const HandView& view) const
{
    // The settled size is rendered once; an approaching hand is that picture made smaller.
    const double scale = view.scale;
    const double masterScale = std::max(scale, view.restScale);
    const PictureKey masterKey{view.hand, view.missingFingers, std::lround(masterScale * kScaleSteps)};
    std::scoped_lock lock(picturesMutex);
    auto master = settled.find(masterKey);
    if (master == settled.end()) {
        if (settled.size() >= kSettledKept) {
            settled.clear();
        }
        Picture picture;
        picture.pixels = RenderHand(ShapeOf(view.hand, view.missingFingers), masterScale, picture.origin);
        master = settled.emplace(masterKey, picture).first;
    }
    const PictureKey key{view.hand, view.missingFingers, std::lround(scale * kScaleSteps)};
    if (key == masterKey) {
        return master->second; // shares the pixels, which are never changed
    }
    if (const auto found = resized.find(key); found != resized.end()) {
        return found->second;
    }
    const double factor = scale / masterScale;
    Picture picture;
    cv::resize(master->second.pixels, picture.pixels, cv::Size(), factor, factor, cv::INTER_LINEAR);
    picture.origin = master->second.origin * factor;
    if (resized.size() >= kResizedKept) {
        resized.clear();
    }
    resized.emplace(key, picture);
    return picture;
}

void FrameSynthesizer::Render(const HandView& view, uint8_t* pixels, int shiftX, int shiftY) const
{
    cv::Mat frame(height, width, CV_8UC1, pixels);
    background.copyTo(frame); // same size and type: written in place
    if (!Drawable(view, width, height)) {
        return;
    }
    const Picture picture = HandPicture(view);
    const cv::Rect box(static_cast<int>(std::lround(view.centerX - picture.origin.x)) + shiftX,
                       static_cast<int>(std::lround(view.centerY - picture.origin.y)) + shiftY, picture.pixels.cols,
                       picture.pixels.rows);
    const cv::Rect visible = box & cv::Rect(0, 0, width, height);
    if (visible.empty()) {
        return;
    }
    const cv::Rect part(visible.x - box.x, visible.y - box.y, visible.width, visible.height);
    cv::Mat target = frame(visible);
    // Brightest wins: the hand's soft outline fades into the background.
    cv::max(target, picture.pixels(part), target);
}

cv::Mat FrameSynthesizer::Render(const HandView& view) const
{
    cv::Mat frame(height, width, CV_8UC1);
    Render(view, frame.data);
    return frame;
}

} // namespace ondrel::sim
