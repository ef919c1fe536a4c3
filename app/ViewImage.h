#pragma once

#include "AppSettings.h"
#include "CaptureDecision.h"
#include "OverlayRenderer.h"
#include "SegmentInfo.h"

#include <opencv2/core.hpp>

#include <vector>

// A live frame as the view shows it, reduced to the pixels it covers on screen. The view
// never shows more than about a megapixel, so the GUI thread draws and paints that instead
// of the whole frame; the frame's own size stays the coordinate system of overlays and of
// the scene. The pixels are already in the layout the toolkit paints, so that showing them
// needs no conversion: 8UC4, blue, green, red, 255 (the display image's channels 2, 1, 0).
struct ViewImage {
    cv::Mat pixels;
    cv::Size imageSize;      // the frame's columns and rows
    bool frameBlack = false; // the frame's first channel is 0 in every pixel
    // Left for DrawViewFrameRate by DrawViewOverlays: whether the frame rate goes on the
    // image, and what is drawn after it.
    bool frameRateShown = false;
    std::vector<OverlayItem> afterFrameRate;

    bool Empty() const { return pixels.empty(); }
    // View pixels per image pixel across; 1 when the frame is shown at its own size.
    double Scale() const;
};

// A colour in the display image's channel order as a view pixel.
cv::Scalar ViewColour(const cv::Scalar& colour);

// The size at which an image is shown in a viewport of that many pixels: the largest that
// fits with the aspect ratio kept and never larger than the image. The image's own size
// when the viewport has no area yet.
cv::Size ViewImageSize(cv::Size imageSize, cv::Size viewport);

// Area-averaging reduction of an 8-bit image with 1 or 3 channels to `size` (no larger than
// the image): what cv::resize with cv::INTER_AREA gives, to within one grey level, at a
// fraction of its cost for fractional factors.
void AreaReduce(const cv::Mat& image, cv::Size size, cv::Mat& reduced);

// Prepares a live frame (see IsDisplayableFrame) for a viewport of `viewport` pixels. At
// the frame's own size the pixels are MakeDisplayImage's. view's buffer is reused unless
// something else still holds it. False for a frame that cannot be shown.
bool MakeViewImage(const cv::Mat& frame, cv::Size viewport, ViewImage& view);

// The overlays of DrawOverlays for the frame the view image shows, in its coordinates; at
// the frame's own size the very same pixels. Reduced, each is painted with the share of
// every view pixel that the full-size overlay covers, so the view shows what reducing the
// full-size drawing would show. Without segments the image is white.
//
// In two parts, so that most is drawn where the frame is prepared: the frame rate is known
// only when the frame is shown. This draws all that comes before the rate (everything but
// the last segment's box and texts) ...
void DrawViewOverlays(ViewImage& view, const std::vector<quorvel::SegmentInfo>& segments, const AppSettings& settings,
                      const BoxColours& colours = BoxColours{});
// ... and this the rate and what follows it, if the settings and segments have the rate.
void DrawViewFrameRate(ViewImage& view, float fpsMean);
// Both parts at once.
void DrawViewOverlays(ViewImage& view, const std::vector<quorvel::SegmentInfo>& segments, float fpsMean,
                      const AppSettings& settings, const BoxColours& colours = BoxColours{});

// The check mark of DrawCheckmark, placed and sized as on the full frame.
void DrawViewCheckmark(ViewImage& view);

// Whether the view is to be shown white: nothing to see, as the frame is black in its first
// channel (red) and so is everything drawn on it.
bool ShowsBlank(const ViewImage& view);
