// Stamped text must be indistinguishable from cv::putText, at and across the borders too.
#include "TextStamps.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <random>

namespace {

bool SameAsPutText(int font, int thickness, const cv::Mat& image, const std::string& text, cv::Point origin)
{
    cv::Mat expected = image.clone(), actual = image.clone();
    const cv::Scalar colour(0, 185, 118, 0);
    cv::putText(expected, text, origin, font, 1.0, colour, thickness, cv::LINE_8);
    TextStamps(font, thickness).Draw(actual, text, origin, colour);
    return cv::norm(expected, actual, cv::NORM_INF) == 0;
}

} // namespace

TEST(TextStamps, MatchPutTextByteForByteAnywhereInTheImage)
{
    const std::string alphabet = "FPS: 0123456789.-xmXYZD ";
    std::mt19937 random(20261206);
    for (const auto& [font, thickness] : { std::pair(cv::FONT_HERSHEY_DUPLEX, 2), std::pair(cv::FONT_HERSHEY_SIMPLEX, 1) }) {
        for (int trial = 0; trial < 600; ++trial) {
            std::string text;
            for (int i = 0, length = 1 + static_cast<int>(random() % 12); i < length; ++i) {
                text += alphabet[random() % alphabet.size()];
            }
            // Most origins put the text across or near a border of the 260 x 120 image.
            const cv::Point origin(static_cast<int>(random() % 340) - 60, static_cast<int>(random() % 200) - 40);
            const cv::Mat image(120, 260, trial % 2 ? CV_8UC3 : CV_8UC1, cv::Scalar(7, 8, 9));
            ASSERT_TRUE(SameAsPutText(font, thickness, image, text, origin)) << "\"" << text << "\" at " << origin;
        }
    }
    // Other characters and image types are handed to putText.
    const int font = cv::FONT_HERSHEY_DUPLEX;
    EXPECT_TRUE(SameAsPutText(font, 2, cv::Mat(120, 260, CV_8UC3, cv::Scalar(7, 8, 9)), "D: 12\xc3\xa9\t~", { 20, 60 }));
    EXPECT_TRUE(SameAsPutText(font, 2, cv::Mat(120, 260, CV_8UC4, cv::Scalar(7, 8, 9, 10)), "mZ: -3", { 20, 60 }));
    EXPECT_TRUE(SameAsPutText(font, 2, cv::Mat(120, 260, CV_8UC3, cv::Scalar(7, 8, 9)), "", { 20, 60 }));
    EXPECT_TRUE(SameAsPutText(font, 2, cv::Mat(120, 260, CV_8UC3, cv::Scalar(7, 8, 9)), "P: 1x2", { -2000000000, 2000000000 }));
    EXPECT_TRUE(SameAsPutText(font, 2, cv::Mat(40, 40, CV_16UC3, cv::Scalar(1, 2, 3)), "7", { 10, 30 }));
}
