#include "OverlayRenderer.h"

#include <opencv2/imgproc.hpp>

#include "TestSegments.h"

#include <gtest/gtest.h>

#include <limits>
#include <locale>
#include <vector>

using quorvel::SegmentInfo;

namespace {

const cv::Vec3b kTextPixel(0, 185, 118);

AppSettings NothingDrawn()
{
    AppSettings settings;
    settings.drawFps = false;
    settings.drawBoundingBox = false;
    settings.drawPosition = false;
    settings.drawDistance = false;
    settings.drawMovement = false;
    return settings;
}

cv::Mat GreyDisplay(int cols, int rows, uchar grey)
{
    return cv::Mat(rows, cols, CV_8UC3, cv::Scalar(grey, grey, grey));
}

int CountPixels(const cv::Mat& image, const cv::Vec3b& colour, const cv::Rect& area)
{
    int count = 0;
    const cv::Mat region = image(area & cv::Rect(0, 0, image.cols, image.rows));
    for (int y = 0; y < region.rows; ++y) {
        for (int x = 0; x < region.cols; ++x) {
            count += region.at<cv::Vec3b>(y, x) == colour ? 1 : 0;
        }
    }
    return count;
}

int CountPixels(const cv::Mat& image, const cv::Vec3b& colour)
{
    return CountPixels(image, colour, cv::Rect(0, 0, image.cols, image.rows));
}

// Uses ',' as decimal separator, as a German desktop locale would.
struct CommaDecimals : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
};

class GlobalLocaleGuard {
public:
    explicit GlobalLocaleGuard(const std::locale& locale) : previous(std::locale::global(locale)) {}
    ~GlobalLocaleGuard() { std::locale::global(previous); }

private:
    std::locale previous;
};

} // namespace

// --- number text ---------------------------------------------------------------------------

TEST(FloatToString, KeepsThePointWhateverTheGlobalLocale)
{
    const GlobalLocaleGuard guard(std::locale(std::locale::classic(), new CommaDecimals));
    EXPECT_EQ(FloatToString(2.5f, 1), "2.5");
}

// --- display image -------------------------------------------------------------------------

TEST(MakeDisplayImage, ColourFrameIsCopiedAsItIs)
{
    cv::Mat frame(5, 7, CV_8UC3, cv::Scalar(10, 20, 30));
    frame.at<cv::Vec3b>(2, 3) = cv::Vec3b(1, 2, 3);
    cv::Mat display;
    ASSERT_TRUE(MakeDisplayImage(frame, display));
    EXPECT_EQ(cv::norm(frame, display, cv::NORM_INF), 0.0);
    EXPECT_NE(display.data, frame.data); // drawing must not reach the kept frame
}

TEST(MakeDisplayImage, RefusesOtherTypesAndLeavesDisplayAlone)
{
    cv::Mat display = GreyDisplay(8, 8, 77);
    const uchar* before = display.data;
    EXPECT_FALSE(MakeDisplayImage(cv::Mat(8, 8, CV_16UC1, cv::Scalar(1000)), display));
    EXPECT_FALSE(MakeDisplayImage(cv::Mat(8, 8, CV_8UC4, cv::Scalar(1, 2, 3, 4)), display));
    EXPECT_FALSE(MakeDisplayImage(cv::Mat(8, 8, CV_32FC1, cv::Scalar(0.5)), display));
    EXPECT_FALSE(MakeDisplayImage(cv::Mat(), display));
    EXPECT_EQ(display.data, before);
    EXPECT_EQ(CountPixels(display, cv::Vec3b(77, 77, 77)), 64);
}

// --- overlays ------------------------------------------------------------------------------

// Also the grey frame's conversion: every channel carries the grey value.
TEST(DrawOverlays, EveryFlagOffLeavesThePlainGreyFrame)
{
    cv::Mat frame(120, 160, CV_8UC1);
    cv::randu(frame, 0, 256);
    cv::Mat display;
    ASSERT_TRUE(MakeDisplayImage(frame, display));
    DrawOverlays(display, {MakeSegment(10, 10, 50, 50), MakeSegment(70, 20, 40, 60)}, 13.0f, NothingDrawn());
    cv::Mat expected;
    cv::cvtColor(frame, expected, cv::COLOR_GRAY2BGR);
    EXPECT_EQ(cv::norm(display, expected, cv::NORM_INF), 0.0);
}

TEST(DrawOverlays, NoSegmentFillsWhiteAndDrawsNothingElse)
{
    AppSettings settings;
    settings.drawFps = true;
    settings.drawPosition = true;
    cv::Mat display = GreyDisplay(160, 120, 50);
    DrawOverlays(display, {}, 13.0f, settings);
    EXPECT_EQ(CountPixels(display, cv::Vec3b(255, 255, 255)), 160 * 120);
}

TEST(DrawOverlays, BoxEdgesCarryTheBoxColourAndTheInsideStaysGrey)
{
    AppSettings settings = NothingDrawn();
    settings.drawBoundingBox = true;
    const BoxColours colours;
    cv::Mat display = GreyDisplay(640, 480, 50);
    const SegmentInfo ready = MakeSegment(100, 100, 200, 150);
    const SegmentInfo nearBorder = MakeSegment(2, 300, 50, 50);
    DrawOverlays(display, {ready, nearBorder}, 13.0f, settings, colours);

    const cv::Vec3b green(0, 200, 0);
    EXPECT_EQ(display.at<cv::Vec3b>(175, 100), green); // left edge
    EXPECT_EQ(display.at<cv::Vec3b>(100, 200), green); // top edge
    EXPECT_EQ(display.at<cv::Vec3b>(175, 299), green); // right edge, last column of the box
    EXPECT_EQ(display.at<cv::Vec3b>(249, 200), green); // bottom edge, last row of the box
    EXPECT_EQ(display.at<cv::Vec3b>(175, 200), cv::Vec3b(50, 50, 50));
    EXPECT_EQ(display.at<cv::Vec3b>(175, 90), cv::Vec3b(50, 50, 50));

    EXPECT_EQ(display.at<cv::Vec3b>(325, 2), cv::Vec3b(255, 0, 0));
}

TEST(DrawOverlays, FrameRateTextAppearsNearItsOriginOnlyWhenSwitchedOn)
{
    AppSettings settings = NothingDrawn();
    cv::Mat display = GreyDisplay(640, 480, 50);
    DrawOverlays(display, {MakeSegment(300, 300, 50, 50)}, 13.0f, settings);
    EXPECT_EQ(CountPixels(display, kTextPixel), 0);

    settings.drawFps = true;
    DrawOverlays(display, {MakeSegment(300, 300, 50, 50)}, 13.0f, settings);
    const int nearOrigin = CountPixels(display, kTextPixel, cv::Rect(28, 5, 200, 30));
    EXPECT_GT(nearOrigin, 50);
    EXPECT_EQ(CountPixels(display, kTextPixel), nearOrigin);
}

TEST(DrawOverlays, SegmentTextsStackThirtyPixelsApartBelowTheBoxTop)
{
    AppSettings settings = NothingDrawn();
    settings.drawPosition = true;
    settings.drawDistance = true;
    settings.drawMovement = true;
    const int x = 50;
    const int y = 40;
    // Band of the text whose baseline lies at y + offset.
    const auto band = [&](int offset) { return cv::Rect(x, y + offset - 18, 250, 16); };

    cv::Mat display = GreyDisplay(640, 480, 50);
    DrawOverlays(display, {MakeSegment(x, y, 100, 200)}, 13.0f, settings);
    for (int offset : {30, 60, 90, 120, 150}) {
        EXPECT_GT(CountPixels(display, kTextPixel, band(offset)), 20) << offset;
    }
    EXPECT_EQ(CountPixels(display, kTextPixel, band(180)), 0);
    EXPECT_EQ(CountPixels(display, kTextPixel, cv::Rect(0, 0, 640, y)), 0);

    // Without the position line everything moves up by one line.
    settings.drawPosition = false;
    display = GreyDisplay(640, 480, 50);
    DrawOverlays(display, {MakeSegment(x, y, 100, 200)}, 13.0f, settings);
    for (int offset : {30, 60, 90, 120}) {
        EXPECT_GT(CountPixels(display, kTextPixel, band(offset)), 20) << offset;
    }
    EXPECT_EQ(CountPixels(display, kTextPixel, band(150)), 0);
}

TEST(DrawOverlays, SurvivesSegmentsFarOutsideTheImage)
{
    AppSettings settings;
    settings.drawFps = settings.drawPosition = settings.drawDistance = settings.drawMovement = true;
    cv::Mat display = GreyDisplay(64, 48, 50);
    const int32_t big = std::numeric_limits<int32_t>::max();
    const int32_t small = std::numeric_limits<int32_t>::min();
    DrawOverlays(display, {MakeSegment(big, big, big, big), MakeSegment(small, small, big, big), MakeSegment(10, 10, -5, -5)},
                 13.0f, settings);
    EXPECT_EQ(display.size(), cv::Size(64, 48));
}

// --- check mark ----------------------------------------------------------------------------

TEST(DrawCheckmark, BrightCoreWithDarkOutlineAlongTheLongStroke)
{
    cv::Mat display = GreyDisplay(1000, 800, 50);
    DrawCheckmark(display);
    const int cx = 500;
    const int cy = 400;
    // Midpoint of the stroke from (cx - 100, cy) to (cx + 225, cy - 250); its unit normal
    // is about (0.61, 0.79). The other long stroke runs close below it, so the outline and
    // the background are looked at above it.
    const cv::Point mid(cx + 62, cy - 125);
    const auto along = [&](double distance) {
        return display.at<cv::Vec3b>(cvRound(mid.y + 0.793 * distance), cvRound(mid.x + 0.610 * distance));
    };
    EXPECT_EQ(along(0), cv::Vec3b(0, 200, 0));
    EXPECT_EQ(along(-9), cv::Vec3b(0, 200, 0));
    EXPECT_EQ(along(-15), cv::Vec3b(0, 100, 0));
    EXPECT_EQ(along(-25), cv::Vec3b(50, 50, 50));
    EXPECT_EQ(display.at<cv::Vec3b>(10, 10), cv::Vec3b(50, 50, 50));
}

TEST(DrawCheckmark, ClipsOnSmallImagesAndIgnoresAnEmptyOne)
{
    cv::Mat small = GreyDisplay(100, 80, 50);
    DrawCheckmark(small);
    EXPECT_GT(CountPixels(small, cv::Vec3b(0, 200, 0)), 0);
    cv::Mat empty;
    DrawCheckmark(empty);
    EXPECT_TRUE(empty.empty());
}
