// Display pixmaps must hold exactly the pixels a 24-bit RGB wrap would give, and a pixmap
// already handed out must keep its pixels while later frames go through the buffers.
#include "DisplayPixmaps.h"

#include <gtest/gtest.h>

namespace {

QImage AsRgb888(const cv::Mat& image)
{
    const cv::Mat contiguous = image.isContinuous() ? image : image.clone();
    return QImage(contiguous.data, contiguous.cols, contiguous.rows, static_cast<int>(contiguous.step),
        QImage::Format_RGB888)
        .convertToFormat(QImage::Format_RGB32);
}

cv::Mat RandomImage(int rows, int cols)
{
    cv::Mat image(rows, cols, CV_8UC3);
    cv::randu(image, cv::Scalar::all(0), cv::Scalar::all(256));
    return image;
}

TEST(DisplayPixmaps, HoldTheSamePixelsAsA24BitWrap)
{
    DisplayPixmaps pixmaps;
    const cv::Mat odd = RandomImage(37, 53);
    EXPECT_EQ(pixmaps.Convert(odd).toImage().convertToFormat(QImage::Format_RGB32), AsRgb888(odd));

    const cv::Mat big = RandomImage(120, 200);
    const cv::Mat view = big(cv::Rect(13, 7, 101, 60)); // rows not contiguous
    EXPECT_EQ(pixmaps.Convert(view).toImage().convertToFormat(QImage::Format_RGB32), AsRgb888(view));
}

TEST(DisplayPixmaps, APixmapKeepsItsPixelsWhileLaterFramesAreConverted)
{
    DisplayPixmaps pixmaps;
    const cv::Mat first = RandomImage(40, 60);
    const QPixmap kept = pixmaps.Convert(first);
    for (int frame = 0; frame < 4; ++frame) {
        pixmaps.Convert(RandomImage(40, 60));
    }
    pixmaps.Convert(RandomImage(30, 20)); // and a change of size
    EXPECT_EQ(kept.toImage().convertToFormat(QImage::Format_RGB32), AsRgb888(first));
}

TEST(DisplayPixmaps, RefuseWhatIsNotAThreeChannelByteImage)
{
    DisplayPixmaps pixmaps;
    EXPECT_TRUE(pixmaps.Convert(cv::Mat()).isNull());
    EXPECT_TRUE(pixmaps.Convert(cv::Mat(4, 4, CV_8UC1, cv::Scalar(1))).isNull());
    EXPECT_TRUE(pixmaps.Convert(cv::Mat(4, 4, CV_16UC3, cv::Scalar(1, 2, 3))).isNull());
}

} // namespace
