// The live image as the view shows it: its size, the reduction, the overlays drawn on it
// against the full-size drawing, and buffers that stay untouched while something holds them.
#include "OverlayRenderer.h"
#include "SettingsStore.h"
#include "ViewImage.h"
#include "test_segments.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

namespace {

cv::Mat Random(int cols, int rows, int type)
{
    cv::Mat image(rows, cols, type);
    cv::randu(image, 0, 256);
    return image;
}

AppSettings EveryOverlay()
{
    AppSettings settings = DefaultAppSettings();
    settings.drawFps = settings.drawBoundingBox = settings.drawPosition = settings.drawDistance = settings.drawMovement = true;
    return settings;
}

// The display image (channel 0 red) as the view's pixels are laid out.
cv::Mat AsViewPixels(const cv::Mat& display)
{
    cv::Mat pixels;
    cv::cvtColor(display, pixels, cv::COLOR_RGB2BGRA);
    return pixels;
}

// Segments in and out of range; the last one, drawn after the frame rate, crosses its text.
const std::vector<quorvel::SegmentInfo> kSegments{ MakeSegment(400, 200, 150, 300, 195.0f, 0.0f, 9.0f),
                                                   MakeSegment(900, 150, 200, 400, 210.0f), MakeSegment(20, 10, 300, 120, 180.0f) };

} // namespace

TEST(ViewImage, TheViewImageFitsTheViewportKeepsTheAspectAndNeverGrows)
{
    const struct {
        cv::Size image, viewport, expected;
    } cases[] = {
        { { 2592, 1944 }, { 607, 661 }, { 607, 455 } }, { { 1280, 800 }, { 607, 661 }, { 607, 379 } },
        { { 800, 1280 }, { 607, 661 }, { 413, 661 } },  { { 160, 120 }, { 607, 661 }, { 160, 120 } },
        { { 2592, 1944 }, { 0, 0 }, { 2592, 1944 } },   { { 4000, 3 }, { 600, 600 }, { 600, 1 } },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ViewImageSize(c.image, c.viewport), c.expected) << c.image << " in " << c.viewport;
    }
}

TEST(ViewImage, AreaReductionIsInterAreasToWithinOneLevel)
{
    for (const cv::Mat& image : { Random(2592, 1944, CV_8UC1), Random(1280, 800, CV_8UC3), Random(33, 17, CV_8UC1) }) {
        for (const cv::Size size : { cv::Size(607, 455), cv::Size(640, 400), cv::Size(7, 5) }) {
            const cv::Size fitting(std::min(size.width, image.cols), std::min(size.height, image.rows));
            cv::Mat reduced, expected;
            AreaReduce(image, fitting, reduced);
            cv::resize(image, expected, fitting, 0, 0, cv::INTER_AREA);
            EXPECT_LE(cv::norm(reduced, expected, cv::NORM_INF), 1.0) << image.size() << " to " << fitting;
        }
    }
}

// At the frame's own size the view shows what the window drew before, byte for byte, the
// frame rate under the last segment's box included. Reduced over a flat frame, the overlays
// are the full-size drawing reduced.
TEST(ViewImage, OverlaysAreTheFullSizeDrawingAtFullSizeAndReduced)
{
    const cv::Mat frame(700, 1200, CV_8UC1, cv::Scalar(60));
    cv::Mat display;
    MakeDisplayImage(frame, display);
    DrawOverlays(display, kSegments, 27.5f, EveryOverlay());

    ViewImage full;
    ASSERT_TRUE(MakeViewImage(frame, { 1200, 700 }, full));
    DrawViewOverlays(full, kSegments, 27.5f, EveryOverlay());
    EXPECT_EQ(cv::norm(full.pixels, AsViewPixels(display), cv::NORM_INF), 0.0);

    ViewImage reduced;
    ASSERT_TRUE(MakeViewImage(frame, { 450, 450 }, reduced));
    ASSERT_EQ(reduced.pixels.size(), cv::Size(450, 263));
    DrawViewOverlays(reduced, kSegments, 27.5f, EveryOverlay());
    cv::Mat expected;
    cv::resize(AsViewPixels(display), expected, reduced.pixels.size(), 0, 0, cv::INTER_AREA);
    // Off by a level or two from rounding, more only where two overlays meet in a view pixel.
    cv::Mat difference;
    cv::absdiff(reduced.pixels, expected, difference);
    EXPECT_LT(cv::countNonZero(difference.reshape(1) > 2), static_cast<int>(difference.total()) / 100);
    EXPECT_LT(cv::mean(difference)[1], 0.5);
}

// What the scene still shows keeps its pixels while the next frame is made into the same
// view image; the check mark lands where it does on the full frame.
TEST(ViewImage, AHeldBufferIsNeverWrittenAndTheCheckMarkScalesWithTheImage)
{
    ViewImage view;
    ASSERT_TRUE(MakeViewImage(cv::Mat(800, 1000, CV_8UC1, cv::Scalar(10)), { 500, 500 }, view));
    const cv::Mat held = view.pixels;
    ASSERT_TRUE(MakeViewImage(cv::Mat(800, 1000, CV_8UC1, cv::Scalar(200)), { 500, 500 }, view));
    EXPECT_EQ(held.at<cv::Vec4b>(0, 0), cv::Vec4b(10, 10, 10, 255));
    EXPECT_EQ(view.pixels.at<cv::Vec4b>(0, 0), cv::Vec4b(200, 200, 200, 255));

    DrawViewCheckmark(view);
    // Centre (500, 400) of the frame, (250, 200) of the view: the tick's bright stroke.
    EXPECT_EQ(view.pixels.at<cv::Vec4b>(200, 200), cv::Vec4b(0, 200, 0, 255));
}
