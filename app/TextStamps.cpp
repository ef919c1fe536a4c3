#include "TextStamps.h"

#include <opencv2/imgproc.hpp>

#include <cstring>

namespace {
// A glyph of any Hershey font at scale 1.0 stays far inside this canvas.
constexpr int kCanvasSize = 192;
const cv::Point kCanvasOrigin{64, 128};
// Distance from the image border within which OpenCV may clip a stroke.
constexpr int kBorderMargin = 2;

template <int Channels> void PaintRun(uint8_t* row, int x, int length, const uint8_t* colour)
{
    uint8_t* pixel = row + x * Channels;
    for (int i = 0; i < length; ++i, pixel += Channels) {
        std::memcpy(pixel, colour, Channels);
    }
}
} // namespace

TextStamps::TextStamps(int font, int thickness)
    : font(font)
    , thickness(thickness)
{
    cv::Mat canvas(kCanvasSize, kCanvasSize, CV_8UC1);
    for (int c = kFirst; c <= kLast; ++c) {
        Glyph& glyph = glyphs[static_cast<std::size_t>(c - kFirst)];
        const std::string text(1, static_cast<char>(c));
        int baseline = 0;
        // With thickness 0 the width is exactly the glyph's advance.
        glyph.advance = cv::getTextSize(text, font, 1.0, 0, &baseline).width;

        canvas.setTo(0);
        cv::putText(canvas, text, kCanvasOrigin, font, 1.0, cv::Scalar(255), thickness, cv::LINE_8);
        cv::Rect bounds;
        for (int y = 0; y < canvas.rows; ++y) {
            const uint8_t* row = canvas.ptr<uint8_t>(y);
            for (int x = 0; x < canvas.cols;) {
                if (row[x] == 0) {
                    ++x;
                    continue;
                }
                const int start = x;
                while (x < canvas.cols && row[x] != 0) {
                    ++x;
                }
                const Run run{y - kCanvasOrigin.y, start - kCanvasOrigin.x, x - start};
                glyph.runs.push_back(run);
                bounds |= cv::Rect(run.x, run.y, run.length, 1);
            }
        }
        glyph.bounds = bounds;
    }
}

bool TextStamps::TextBounds(const std::string& text, cv::Rect& bounds) const
{
    bounds = cv::Rect();
    int64_t offset = 0;
    for (const char c : text) {
        const int code = static_cast<unsigned char>(c);
        if (code < kFirst || code > kLast) {
            return false;
        }
        const Glyph& glyph = glyphs[static_cast<std::size_t>(code - kFirst)];
        if (offset > (1 << 20)) {
            return false;
        }
        if (!glyph.bounds.empty()) {
            bounds |= glyph.bounds + cv::Point(static_cast<int>(offset), 0);
        }
        offset += glyph.advance;
    }
    return true;
}

void TextStamps::Draw(cv::Mat& image, const std::string& text, cv::Point origin, const cv::Scalar& colour) const
{
    if (text.empty()) {
        return;
    }
    cv::Rect bounds;
    const cv::Rect safe(kBorderMargin, kBorderMargin, image.cols - 2 * kBorderMargin, image.rows - 2 * kBorderMargin);
    const bool stampable = image.depth() == CV_8U && image.channels() <= 4 && image.dims == 2
        && TextBounds(text, bounds)
        && (bounds.empty()
            || (safe.contains(bounds.tl() + origin) && safe.contains(bounds.br() - cv::Point(1, 1) + origin)));
    if (!stampable) {
        cv::putText(image, text, origin, font, 1.0, colour, thickness, cv::LINE_8);
        return;
    }

    uint8_t pixel[4];
    for (int channel = 0; channel < 4; ++channel) {
        pixel[channel] = cv::saturate_cast<uint8_t>(colour[channel]);
    }
    int x = origin.x;
    for (const char c : text) {
        const Glyph& glyph = glyphs[static_cast<std::size_t>(static_cast<unsigned char>(c) - kFirst)];
        for (const Run& run : glyph.runs) {
            uint8_t* row = image.ptr<uint8_t>(origin.y + run.y);
            switch (image.channels()) {
            case 1:
                PaintRun<1>(row, x + run.x, run.length, pixel);
                break;
            case 2:
                PaintRun<2>(row, x + run.x, run.length, pixel);
                break;
            case 3:
                PaintRun<3>(row, x + run.x, run.length, pixel);
                break;
            default:
                PaintRun<4>(row, x + run.x, run.length, pixel);
                break;
            }
        }
        x += glyph.advance;
    }
}
