#pragma once

#include "AppSettings.h"
#include "CaptureDecision.h"
#include "SegmentInfo.h"
#include "TextStamps.h"

#include <opencv2/core.hpp>

#include <string>
#include <vector>

// Colour of every overlay text, in the display image's channel order.
const cv::Scalar kOverlayTextColour{0, 185, 118, 0};
// Where the frame rate is written (bottom left of the text).
const cv::Point kFpsTextOrigin{30, 30};

// value in fixed-point notation with precision digits after the point, always with '.'
// as the decimal separator whatever the process locale.
std::string FloatToString(float value, int precision);

// Whether MakeDisplayImage can show the frame: a non-empty two-dimensional 8UC1 or 8UC3
// matrix. Cheap, so a caller can refuse a frame before it starts any other work.
bool IsDisplayableFrame(const cv::Mat& frame);

// Turns a live frame into the 8-bit three-channel display image: a grey frame (8UC1) gives
// every channel the grey value, an 8UC3 frame is copied as it is. Any other type, or an
// empty frame, returns false and leaves display untouched. display's buffer is reused when
// its size and type already fit.
bool MakeDisplayImage(const cv::Mat& frame, cv::Mat& display);

// Draws the live-view overlays of one frame into display (8UC3), as the settings switch
// them on. Without segments the whole image is filled white and nothing else is drawn.
// Otherwise, for each segment in order: the frame rate fpsMean ("FPS: ", 1 decimal) at
// kFpsTextOrigin if drawFps; the box in BoxColour() with thickness 2 if drawBoundingBox;
// then, from 30 px below the box's top at its left edge and 30 px lower per line, the
// position "P: <x>x<y>" if drawPosition, "D: <distance>" if drawDistance and
// "mX: ", "mY: ", "mZ: " if drawMovement (0 decimals).
void DrawOverlays(cv::Mat& display, const std::vector<quorvel::SegmentInfo>& segments, float fpsMean,
                  const AppSettings& settings, const BoxColours& colours = BoxColours{});

// One thing the overlays draw, in image coordinates.
struct OverlayItem {
    enum class Kind { Box, Text };
    Kind kind = Kind::Text;
    cv::Scalar colour;
    // Box: the corners as cv::rectangle takes them, drawn with kOverlayBoxThickness.
    cv::Point topLeft;
    cv::Point bottomRight;
    // Text: written with OverlayTextStamps(), origin at the bottom left.
    std::string text;
    cv::Point origin;
    bool frameRate = false; // the "FPS: " text
};

constexpr int kOverlayBoxThickness = 2;

// What DrawOverlays draws on an image of imageCols x imageRows, in drawing order; nothing
// for no segments (the image is then filled white instead). The frame rate is listed once,
// right before the last segment's box: every write of it paints the same pixels, so the
// last one is all that shows.
std::vector<OverlayItem> LayOutOverlays(const std::vector<quorvel::SegmentInfo>& segments, float fpsMean,
                                        const AppSettings& settings, const BoxColours& colours, int imageCols,
                                        int imageRows);

// The frame rate's text as LayOutOverlays lists it.
OverlayItem FrameRateItem(float fpsMean);

// The image pixels an item paints: a box's bands, a text's glyphs; empty for a text that
// cannot be stamped.
cv::Rect OverlayItemBounds(const OverlayItem& item);

// The glyphs every overlay text is written with.
const TextStamps& OverlayTextStamps();

// One stroke of the check mark, as cv::line draws it (8-connected).
struct CheckmarkStroke {
    cv::Point from;
    cv::Point to;
    int thickness;
    cv::Scalar colour;
};

// The check mark's strokes for an image of imageCols x imageRows, in drawing order: wide
// and dark first, then narrower and bright on top.
std::vector<CheckmarkStroke> CheckmarkStrokes(int imageCols, int imageRows);

// Draws the capture check mark centred in display (8UC3): a green tick with a dark outline.
void DrawCheckmark(cv::Mat& display);
