// Stamped text must be indistinguishable from cv::putText, border cases included.
#include "TextStamps.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <random>

namespace {

struct Case {
    int font;
    int thickness;
};

bool SameAsPutText(const TextStamps& stamps, const Case& style, int type, const std::string& text, cv::Point origin)
{
    cv::Mat expected(120, 260, type, cv::Scalar(7, 8, 9, 10));
    cv::Mat actual = expected.clone();
    const cv::Scalar colour(0, 185, 118, 0);
    cv::putText(expected, text, origin, style.font, 1.0, colour, style.thickness, cv::LINE_8);
    stamps.Draw(actual, text, origin, colour);
    return cv::norm(expected, actual, cv::NORM_INF) == 0;
}

TEST(TextStamps, MatchPutTextByteForByteAnywhereInTheImage)
{
    const std::string alphabet = "FPS: 0123456789.-xmXYZD ";
    std::mt19937 random(20261206);
    for (const Case style : { Case { cv::FONT_HERSHEY_DUPLEX, 2 }, Case { cv::FONT_HERSHEY_SIMPLEX, 1 } }) {
        const TextStamps stamps(style.font, style.thickness);
        for (int trial = 0; trial < 600; ++trial) {
            std::string text;
            const int length = 1 + static_cast<int>(random() % 12);
            for (int i = 0; i < length; ++i) {
                text += alphabet[random() % alphabet.size()];
            }
            // Most origins put the text across or near a border of the 260 x 120 image.
            const cv::Point origin(static_cast<int>(random() % 340) - 60, static_cast<int>(random() % 200) - 40);
            const int type = trial % 2 ? CV_8UC3 : CV_8UC1;
            ASSERT_TRUE(SameAsPutText(stamps, style, type, text, origin))
                << "text \"" << text << "\" at " << origin << ", type " << type;
        }
    }
}

TEST(TextStamps, HandOtherCharactersAndImagesToPutText)
{
    const Case style { cv::FONT_HERSHEY_DUPLEX, 2 };
    const TextStamps stamps(style.font, style.thickness);
    EXPECT_TRUE(SameAsPutText(stamps, style, CV_8UC3, "D: 12\xc3\xa9\t~", { 20, 60 }));
    EXPECT_TRUE(SameAsPutText(stamps, style, CV_8UC4, "mZ: -3", { 20, 60 }));
    EXPECT_TRUE(SameAsPutText(stamps, style, CV_8UC3, "", { 20, 60 }));
    EXPECT_TRUE(SameAsPutText(stamps, style, CV_8UC3, "P: 1x2", { -2000000000, 2000000000 }));

    cv::Mat wide(40, 40, CV_16UC3, cv::Scalar(1, 2, 3));
    cv::Mat expected = wide.clone();
    cv::putText(expected, "7", { 10, 30 }, style.font, 1.0, cv::Scalar(0, 185, 118), style.thickness, cv::LINE_8);
    stamps.Draw(wide, "7", { 10, 30 }, cv::Scalar(0, 185, 118));
    EXPECT_EQ(cv::norm(expected, wide, cv::NORM_INF), 0);
}

} // namespace
