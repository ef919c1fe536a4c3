// Display pixmaps reuse their buffers from frame to frame; a pixmap already handed out
// must keep its pixels while later frames go through them. (Pixel exactness is asserted
// where the window shows images.)
#include "DisplayPixmaps.h"

#include <gtest/gtest.h>

TEST(DisplayPixmaps, APixmapKeepsItsPixelsWhileLaterFramesAreConvertedAndOtherTypesAreRefused)
{
    DisplayPixmaps pixmaps;
    cv::Mat first(40, 60, CV_8UC3);
    cv::randu(first, cv::Scalar::all(0), cv::Scalar::all(256));
    const QPixmap kept = pixmaps.Convert(first);
    const QImage before = kept.toImage();
    for (int frame = 0; frame < 4; ++frame) {
        pixmaps.Convert(cv::Mat(40, 60, CV_8UC3, cv::Scalar::all(frame)));
    }
    pixmaps.Convert(cv::Mat(30, 20, CV_8UC3, cv::Scalar::all(9))); // and a change of size
    EXPECT_EQ(kept.toImage(), before);
    EXPECT_EQ(before.pixelColor(3, 2), QColor(first.at<cv::Vec3b>(2, 3)[0], first.at<cv::Vec3b>(2, 3)[1], first.at<cv::Vec3b>(2, 3)[2]));

    EXPECT_TRUE(pixmaps.Convert(cv::Mat()).isNull());
    EXPECT_TRUE(pixmaps.Convert(cv::Mat(4, 4, CV_8UC1, cv::Scalar(1))).isNull());
    EXPECT_TRUE(pixmaps.Convert(cv::Mat(4, 4, CV_16UC3, cv::Scalar(1, 2, 3))).isNull());
}
