#include "OverlayRenderer.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <iomanip>
#include <locale>
#include <sstream>
#include <utility>

namespace {

// Written at scale 1.0, which the glyph stamps rely on.
constexpr int kTextFont = cv::FONT_HERSHEY_DUPLEX;
constexpr int kTextThickness = 2;
constexpr int kLineHeight = 30;

// Far outside any image, yet small enough that OpenCV's drawing arithmetic cannot overflow.
constexpr int64_t kCoordinateLimit = int64_t{1} << 20;

int ClampCoordinate(int64_t value)
{
    return static_cast<int>(std::clamp(value, -kCoordinateLimit, kCoordinateLimit));
}

OverlayItem Text(std::string text, int64_t x, int64_t y)
{
    OverlayItem item;
    item.kind = OverlayItem::Kind::Text;
    item.colour = kOverlayTextColour;
    item.text = std::move(text);
    item.origin = cv::Point(ClampCoordinate(x), ClampCoordinate(y));
    return item;
}

OverlayItem Box(const quorvel::SegmentInfo& segment, const cv::Scalar& colour)
{
    // The same corners cv::rectangle takes from a cv::Rect, computed without overflow.
    OverlayItem item;
    item.kind = OverlayItem::Kind::Box;
    item.colour = colour;
    item.topLeft = cv::Point(ClampCoordinate(segment.posX), ClampCoordinate(segment.posY));
    item.bottomRight = cv::Point(ClampCoordinate(int64_t{segment.posX} + segment.width - 1),
                                 ClampCoordinate(int64_t{segment.posY} + segment.height - 1));
    return item;
}

} // namespace

const TextStamps& OverlayTextStamps()
{
    // Up to 24 texts a frame: stroking them anew each time cost more than the rest of the
    // overlays. The stamps are a constant table, built on first use.
    static const TextStamps stamps(kTextFont, kTextThickness);
    return stamps;
}

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

OverlayItem FrameRateItem(float fpsMean)
{
    OverlayItem item = Text("FPS: " + FloatToString(fpsMean, 1), kFpsTextOrigin.x, kFpsTextOrigin.y);
    item.frameRate = true;
    return item;
}

cv::Rect OverlayItemBounds(const OverlayItem& item)
{
    if (item.kind == OverlayItem::Kind::Box) {
        // cv::rectangle paints a band of thickness + 1 pixels centred on each edge.
        const int half = kOverlayBoxThickness / 2;
        const cv::Point topLeft(std::min(item.topLeft.x, item.bottomRight.x) - half,
                                std::min(item.topLeft.y, item.bottomRight.y) - half);
        const cv::Point bottomRight(std::max(item.topLeft.x, item.bottomRight.x) + half + 1,
                                    std::max(item.topLeft.y, item.bottomRight.y) + half + 1);
        return cv::Rect(topLeft, bottomRight);
    }
    return OverlayTextStamps().Bounds(item.text, item.origin);
}

std::vector<OverlayItem> LayOutOverlays(const std::vector<quorvel::SegmentInfo>& segments, float fpsMean,
                                        const AppSettings& settings, const BoxColours& colours, int imageCols,
                                        int imageRows)
{
    std::vector<OverlayItem> items;
    for (std::size_t i = 0; i < segments.size(); ++i) {
        const quorvel::SegmentInfo& segment = segments[i];
        // Written once per segment on purpose, so that a box may cover the text and the next
        // segment's text covers that box again: the write before the last segment is the one
        // that shows.
        if (settings.drawFps && i + 1 == segments.size()) {
            items.push_back(FrameRateItem(fpsMean));
        }
        if (settings.drawBoundingBox) {
            items.push_back(Box(segment, BoxColour(segment, imageCols, imageRows, settings, colours)));
        }

        const int64_t x = segment.posX;
        int64_t y = int64_t{segment.posY} + kLineHeight;
        if (settings.drawPosition) {
            items.push_back(Text("P: " + std::to_string(segment.posX) + "x" + std::to_string(segment.posY), x, y));
            y += kLineHeight;
        }
        if (settings.drawDistance) {
            items.push_back(Text("D: " + FloatToString(segment.distance, 0), x, y));
            y += kLineHeight;
        }
        if (settings.drawMovement) {
            items.push_back(Text("mX: " + FloatToString(segment.moveX, 0), x, y));
            items.push_back(Text("mY: " + FloatToString(segment.moveY, 0), x, y + kLineHeight));
            items.push_back(Text("mZ: " + FloatToString(segment.moveZ, 0), x, y + 2 * kLineHeight));
        }
    }
    return items;
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
    for (const OverlayItem& item : LayOutOverlays(segments, fpsMean, settings, colours, display.cols, display.rows)) {
        if (item.kind == OverlayItem::Kind::Box) {
            cv::rectangle(display, item.topLeft, item.bottomRight, item.colour, kOverlayBoxThickness, cv::LINE_8);
        } else {
            OverlayTextStamps().Draw(display, item.text, item.origin, item.colour);
        }
    }
}

std::vector<CheckmarkStroke> CheckmarkStrokes(int imageCols, int imageRows)
{
    const int cx = imageCols / 2;
    const int cy = imageRows / 2;
    const cv::Point start(cx - 225, cy - 75);
    const cv::Point shortEnd(cx - 100, cy);
    const cv::Point lowEnd(cx - 95, cy + 100);
    const cv::Point tip(cx + 225, cy - 250);

    // Wide and dark first, then narrower and bright on top: a tick with an outline.
    const struct {
        int thickness;
        cv::Scalar colour;
    } passes[] = {{37, cv::Scalar(0, 100, 0)}, {22, cv::Scalar(0, 200, 0)}};
    std::vector<CheckmarkStroke> strokes;
    for (const auto& pass : passes) {
        for (const auto& [from, to] :
             {std::pair{start, shortEnd}, std::pair{start, lowEnd}, std::pair{shortEnd, tip}, std::pair{lowEnd, tip}}) {
            strokes.push_back({from, to, pass.thickness, pass.colour});
        }
    }
    return strokes;
}

void DrawCheckmark(cv::Mat& display)
{
    if (display.empty()) {
        return;
    }
    for (const CheckmarkStroke& stroke : CheckmarkStrokes(display.cols, display.rows)) {
        cv::line(display, stroke.from, stroke.to, stroke.colour, stroke.thickness, cv::LINE_8, 0);
    }
}
