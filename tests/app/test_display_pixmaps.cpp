// Display pixmaps reuse their buffers from frame to frame; a pixmap already handed out
// must keep its pixels while later frames go through them.
#include "DisplayPixmaps.h"

#include <gtest/gtest.h>

TEST(DisplayPixmaps, APixmapKeepsItsPixelsWhileLaterFramesAreConverted)
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
    // Channel 0 is red, and a view without contiguous rows shows its own pixels.
    const cv::Mat view = first(cv::Rect(10, 5, 37, 31));
    const QImage shown = pixmaps.Convert(view).toImage();
    ASSERT_EQ(shown.size(), QSize(37, 31));
    for (const QPoint p : { QPoint(0, 0), QPoint(36, 0), QPoint(0, 30), QPoint(36, 30), QPoint(18, 22) }) {
        const cv::Vec3b v = view.at<cv::Vec3b>(p.y(), p.x());
        EXPECT_EQ(shown.pixelColor(p), QColor(v[0], v[1], v[2])) << p.x() << "," << p.y();
    }
}
