#pragma once

#include <opencv2/core.hpp>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Writes text exactly as cv::putText(image, text, origin, font, 1.0, colour, thickness,
// cv::LINE_8) does, byte for byte, but from glyph shapes rasterised once instead of
// stroking every glyph again on every frame.
//
// This is exact because at scale 1.0 putText places every glyph at a whole-pixel offset
// and paints each glyph's strokes in one solid colour, so a text is the union of its
// glyphs' pixel sets, shifted. Only clipping at the image border can break that (OpenCV
// clips lines before rasterising), so a text that comes close to the border, or holds a
// character outside printable ASCII, is left to putText itself.
class TextStamps {
public:
    TextStamps(int font, int thickness);

    // image: 8-bit, 1 to 4 channels.
    void Draw(cv::Mat& image, const std::string& text, cv::Point origin, const cv::Scalar& colour) const;

    // The pixels the text at origin covers; empty for a text with a character outside
    // printable ASCII.
    cv::Rect Bounds(const std::string& text, cv::Point origin) const
    {
        cv::Rect bounds;
        return TextBounds(text, bounds) ? bounds + origin : cv::Rect();
    }

    // Calls paint(y, x, length) for every horizontal run of pixels that the text at origin
    // covers, unclipped, as Draw paints it away from the border. False, with nothing
    // called, for a text holding a character outside printable ASCII.
    template <typename Paint> bool ForEachRun(const std::string& text, cv::Point origin, Paint paint) const
    {
        cv::Rect bounds;
        if (!TextBounds(text, bounds)) {
            return false;
        }
        int64_t x = origin.x;
        for (const char c : text) {
            const Glyph& glyph = glyphs[static_cast<std::size_t>(static_cast<unsigned char>(c) - kFirst)];
            for (const Run& run : glyph.runs) {
                paint(int64_t{origin.y} + run.y, x + run.x, run.length);
            }
            x += glyph.advance;
        }
        return true;
    }

private:
    // One horizontal run of glyph pixels, relative to the glyph's origin.
    struct Run {
        int y;
        int x;
        int length;
    };
    struct Glyph {
        std::vector<Run> runs;
        int advance = 0;
        cv::Rect bounds; // of the runs, relative to the origin
    };
    static constexpr int kFirst = 32;
    static constexpr int kLast = 126;

    // The text's pixels relative to origin, or an empty rectangle if a glyph has no stamp.
    bool TextBounds(const std::string& text, cv::Rect& bounds) const;

    int font;
    int thickness;
    std::array<Glyph, kLast - kFirst + 1> glyphs;
};
