#include "OverlayRenderer.h"
#include "TextStamps.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <iomanip>
#include <locale>
#include <sstream>

namespace {

// Written at scale 1.0, which the glyph stamps rely on.
constexpr int kTextFont = cv::FONT_HERSHEY_DUPLEX;
constexpr int kTextThickness = 2;
constexpr int kBoxThickness = 2;
constexpr int kLineHeight = 30;

// Far outside any image, yet small enough that OpenCV's drawing arithmetic cannot overflow.
constexpr int64_t kCoordinateLimit = int64_t{1} << 20;

int ClampCoordinate(int64_t value)
{
    return static_cast<int>(std::clamp(value, -kCoordinateLimit, kCoordinateLimit));
}

void PutOverlayText(cv::Mat& display, const std::string& text, int64_t x, int64_t y)
{
    // Up to 24 texts a frame: stroking them anew each time cost more than the rest of the
    // overlays. The stamps are a constant table, built on first use.
    static const TextStamps stamps(kTextFont, kTextThickness);
    stamps.Draw(display, text, cv::Point(ClampCoordinate(x), ClampCoordinate(y)), kOverlayTextColour);
}

void DrawBox(cv::Mat& display, const quorvel::SegmentInfo& segment, const cv::Scalar& colour)
{
    // The same corners cv::rectangle takes from a cv::Rect, computed without overflow.
    const cv::Point topLeft(ClampCoordinate(segment.posX), ClampCoordinate(segment.posY));
    const cv::Point bottomRight(ClampCoordinate(int64_t{segment.posX} + segment.width - 1),
                                ClampCoordinate(int64_t{segment.posY} + segment.height - 1));
    cv::rectangle(display, topLeft, bottomRight, colour, kBoxThickness, cv::LINE_8);
}

} // namespace

std::string FloatToString(float value, int precision)
{
    std::ostringstream stream;
    stream.imbue(std::locale::classic());
    stream << std::fixed << std::setprecision(precision) << value;
    return stream.str();
}

bool IsDisplayableFrame(const cv::Mat& frame)
{
    return !frame.empty() && frame.dims == 2 && (frame.type() == CV_8UC1 || frame.type() == CV_8UC3);
}

bool MakeDisplayImage(const cv::Mat& frame, cv::Mat& display)
{
    if (!IsDisplayableFrame(frame)) {
        return false;
    }
    switch (frame.type()) {
    case CV_8UC1:
        cv::cvtColor(frame, display, cv::COLOR_GRAY2BGR);
        return true;
    case CV_8UC3:
        frame.copyTo(display);
        return true;
    default:
        return false;
    }
}

void DrawOverlays(cv::Mat& display, const std::vector<quorvel::SegmentInfo>& segments, float fpsMean,
                  const AppSettings& settings, const BoxColours& colours)
{
    if (display.empty()) {
        return;
    }
    if (segments.empty()) {
        display.setTo(cv::Scalar(255, 255, 255));
        return;
    }

    const std::string fpsText = settings.drawFps ? "FPS: " + FloatToString(fpsMean, 1) : std::string();
    for (const quorvel::SegmentInfo& segment : segments) {
        // Once per segment on purpose: a later box may cover the text, the next segment's
        // text then covers that box again.
        if (settings.drawFps) {
            PutOverlayText(display, fpsText, kFpsTextOrigin.x, kFpsTextOrigin.y);
        }
        if (settings.drawBoundingBox) {
            DrawBox(display, segment, BoxColour(segment, display.cols, display.rows, settings, colours));
        }

        const int64_t x = segment.posX;
        int64_t y = int64_t{segment.posY} + kLineHeight;
        if (settings.drawPosition) {
            PutOverlayText(display, "P: " + std::to_string(segment.posX) + "x" + std::to_string(segment.posY), x, y);
            y += kLineHeight;
        }
        if (settings.drawDistance) {
            PutOverlayText(display, "D: " + FloatToString(segment.distance, 0), x, y);
            y += kLineHeight;
        }
        if (settings.drawMovement) {
            PutOverlayText(display, "mX: " + FloatToString(segment.moveX, 0), x, y);
            PutOverlayText(display, "mY: " + FloatToString(segment.moveY, 0), x, y + kLineHeight);
            PutOverlayText(display, "mZ: " + FloatToString(segment.moveZ, 0), x, y + 2 * kLineHeight);
        }
    }
}

void DrawCheckmark(cv::Mat& display)
{
    if (display.empty()) {
        return;
    }
    const int cx = display.cols / 2;
    const int cy = display.rows / 2;
    const cv::Point start(cx - 225, cy - 75);
    const cv::Point shortEnd(cx - 100, cy);
    const cv::Point lowEnd(cx - 95, cy + 100);
    const cv::Point tip(cx + 225, cy - 250);

    // Wide and dark first, then narrower and bright on top: a tick with an outline.
    const struct {
        int thickness;
        cv::Scalar colour;
    } passes[] = {{37, cv::Scalar(0, 100, 0)}, {22, cv::Scalar(0, 200, 0)}};
    for (const auto& pass : passes) {
        cv::line(display, start, shortEnd, pass.colour, pass.thickness, cv::LINE_8, 0);
        cv::line(display, start, lowEnd, pass.colour, pass.thickness, cv::LINE_8, 0);
        cv::line(display, shortEnd, tip, pass.colour, pass.thickness, cv::LINE_8, 0);
        cv::line(display, lowEnd, tip, pass.colour, pass.thickness, cv::LINE_8, 0);
    }
}
