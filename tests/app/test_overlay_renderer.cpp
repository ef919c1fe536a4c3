// The display image and what is drawn over it: boxes, texts, and the check mark.
#include "OverlayRenderer.h"
#include "SettingsStore.h"
#include "test_segments.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <limits>
#include <locale>

namespace {

const cv::Vec3b kText(0, 185, 118);
const cv::Vec3b kGrey(50, 50, 50);

AppSettings Drawing(bool fps, bool boxes, bool position, bool distance, bool movement)
{
    AppSettings settings = DefaultAppSettings();
    settings.drawFps = fps;
    settings.drawBoundingBox = boxes;
    settings.drawPosition = position;
    settings.drawDistance = distance;
    settings.drawMovement = movement;
    return settings;
}

cv::Mat Grey(int cols = 640, int rows = 480) { return cv::Mat(rows, cols, CV_8UC3, cv::Scalar::all(50)); }

int Count(const cv::Mat& image, const cv::Vec3b& colour, cv::Rect area = cv::Rect(0, 0, 1 << 20, 1 << 20))
{
    cv::Mat mask;
    const cv::Scalar c(colour[0], colour[1], colour[2]);
    cv::inRange(image(area & cv::Rect(0, 0, image.cols, image.rows)), c, c, mask);
    return cv::countNonZero(mask);
}

// ',' as decimal separator, as a German desktop locale would have it.
struct CommaDecimals : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
};

} // namespace

TEST(Overlays, NumbersKeepThePointWhateverTheGlobalLocale)
{
    const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaDecimals));
    EXPECT_EQ(FloatToString(2.5f, 1), "2.5");
    std::locale::global(previous);
}

TEST(Overlays, GreyAndColourFramesBecomeDisplayImagesAndOtherTypesAreRefused)
{
    cv::Mat grey(120, 160, CV_8UC1);
    cv::randu(grey, 0, 256);
    cv::Mat display, expected;
    ASSERT_TRUE(MakeDisplayImage(grey, display));
    cv::cvtColor(grey, expected, cv::COLOR_GRAY2BGR);
    EXPECT_EQ(cv::norm(display, expected, cv::NORM_INF), 0.0);

    const cv::Mat colour(5, 7, CV_8UC3, cv::Scalar(10, 20, 30));
    ASSERT_TRUE(MakeDisplayImage(colour, display));
    EXPECT_EQ(cv::norm(colour, display, cv::NORM_INF), 0.0);
    EXPECT_NE(display.data, colour.data); // drawing must not reach the kept frame

    display = Grey(8, 8);
    for (const cv::Mat& frame : { cv::Mat(8, 8, CV_16UC1), cv::Mat(8, 8, CV_8UC4), cv::Mat(8, 8, CV_32FC1), cv::Mat() }) {
        EXPECT_FALSE(MakeDisplayImage(frame, display)) << frame.type();
    }
    EXPECT_EQ(Count(display, kGrey), 64);
}

TEST(Overlays, BoxEdgesCarryTheBoxColourAndTheInsideStaysGrey)
{
    cv::Mat display = Grey();
    DrawOverlays(display, { MakeSegment(100, 100, 200, 150), MakeSegment(2, 300, 50, 50) }, 13.0f,
                 Drawing(false, true, false, false, false));
    const cv::Vec3b green(0, 200, 0);
    EXPECT_EQ(display.at<cv::Vec3b>(175, 100), green); // left edge
    EXPECT_EQ(display.at<cv::Vec3b>(100, 200), green); // top edge
    EXPECT_EQ(display.at<cv::Vec3b>(175, 299), green); // right edge, last column of the box
    EXPECT_EQ(display.at<cv::Vec3b>(249, 200), green); // bottom edge, last row of the box
    EXPECT_EQ(display.at<cv::Vec3b>(175, 200), kGrey);
    EXPECT_EQ(display.at<cv::Vec3b>(325, 2), cv::Vec3b(255, 0, 0)); // at the border: red
}

// Without segments the image turns white and nothing else is drawn.
TEST(Overlays, TheFrameRateIsWrittenNearItsOriginOnlyWhenSwitchedOnAndThereAreSegments)
{
    cv::Mat display = Grey();
    DrawOverlays(display, { MakeSegment(300, 300, 50, 50) }, 13.0f, Drawing(false, false, false, false, false));
    EXPECT_EQ(Count(display, kText), 0);
    DrawOverlays(display, { MakeSegment(300, 300, 50, 50) }, 13.0f, Drawing(true, false, false, false, false));
    EXPECT_GT(Count(display, kText, cv::Rect(28, 5, 200, 30)), 50);
    EXPECT_EQ(Count(display, kText), Count(display, kText, cv::Rect(28, 5, 200, 30)));
    DrawOverlays(display, {}, 13.0f, Drawing(true, true, true, true, true));
    EXPECT_EQ(Count(display, cv::Vec3b(255, 255, 255)), 640 * 480);
}

TEST(Overlays, SegmentsFarOutsideTheImageAreDrawnWithoutHarm)
{
    cv::Mat small = Grey(64, 48);
    const int32_t big = std::numeric_limits<int32_t>::max(), least = std::numeric_limits<int32_t>::min();
    DrawOverlays(small, { MakeSegment(big, big, big, big), MakeSegment(least, least, big, big), MakeSegment(10, 10, -5, -5) }, 13.0f,
                 Drawing(true, true, true, true, true));
    EXPECT_EQ(small.size(), cv::Size(64, 48));
}

// A bright green tick with a dark green outline at the centre; nothing else changes. Small images clip it, empty ones are left.
TEST(Overlays, TheCheckMarkIsAGreenTickWithADarkOutlineAtTheCentre)
{
    cv::Mat display = Grey(1000, 800);
    DrawCheckmark(display);
    EXPECT_EQ(display.at<cv::Vec3b>(400, 500), cv::Vec3b(0, 200, 0));
    const int bright = Count(display, cv::Vec3b(0, 200, 0)), outline = Count(display, cv::Vec3b(0, 100, 0));
    EXPECT_GT(bright, 10000);
    EXPECT_GT(outline, bright / 4);
    EXPECT_EQ(Count(display, kGrey) + bright + outline, 1000 * 800);
    cv::Mat small = Grey(100, 80), empty;
    DrawCheckmark(small);
    DrawCheckmark(empty);
    EXPECT_GT(Count(small, cv::Vec3b(0, 200, 0)), 0);
    EXPECT_TRUE(empty.empty());
}
