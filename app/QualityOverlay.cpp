#include "QualityOverlay.h"

#include "CaptureQuality.h"
#include "OverlayRenderer.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <functional>
#include <string>

namespace {

// The live view's text style, so that the score reads as one more overlay line.
constexpr int kFont = cv::FONT_HERSHEY_DUPLEX;
constexpr double kScale = 1.0;
constexpr int kThickness = 2;
// Pixels between the box and the text.
constexpr int kGap = 8;

} // namespace

void DrawFingerQualities(cv::Mat& display, const std::vector<FingerQualityRecord>& fingers, int minimum,
                         cv::Size scoredImageSize, const std::function<cv::Scalar(const cv::Scalar&)>& pixelOf)
{
    if (display.empty()) {
        return;
    }
    const double scaleX = scoredImageSize.width > 0 ? double(display.cols) / scoredImageSize.width : 1.0;
    const double scaleY = scoredImageSize.height > 0 ? double(display.rows) / scoredImageSize.height : 1.0;
    // Far outside any display, yet safe for OpenCV's drawing arithmetic.
    const auto clampCoordinate = [](double value) { return static_cast<int>(std::clamp(value, -1e6, 1e6)); };
    for (const FingerQualityRecord& finger : fingers) {
        const std::string text = "Q: " + std::to_string(finger.quality);
        int baseline = 0;
        const cv::Size size = cv::getTextSize(text, kFont, kScale, kThickness, &baseline);
        const int left = clampCoordinate(finger.posX * scaleX);
        const int top = clampCoordinate(finger.posY * scaleY);
        const int bottom = clampCoordinate((double(finger.posY) + finger.height) * scaleY);
        const int above = top - kGap - baseline;
        const int y = above - size.height >= 0 ? above : bottom + kGap + size.height;
        const cv::Scalar colour = QualityBelowMinimum(finger.quality, minimum) ? kLowQualityColour : kOverlayTextColour;
        cv::putText(display, text, cv::Point(left, y), kFont, kScale, pixelOf ? pixelOf(colour) : colour, kThickness,
                    cv::LINE_8);
    }
}
