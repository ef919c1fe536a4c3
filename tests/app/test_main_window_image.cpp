// How the main window shows an image: colour order, the white empty frame, and images
// that do not own contiguous memory.
#include "test_main_window_fixture.h"

using namespace mainwindowtest;

namespace {

class MainWindowImage : public MainWindowTest {
protected:
    void SetUp() override
    {
        scanner.Serve();
        OpenWindow();
    }
};

} // namespace

TEST_F(MainWindowImage, ShowsChannelZeroAsRedAndFillsTheScene)
{
    cv::Mat image(30, 40, CV_8UC3, cv::Scalar(200, 100, 50));
    image.at<cv::Vec3b>(5, 7) = cv::Vec3b(1, 2, 3);
    window->ShowImage(image);

    const QImage shown = ShownImage(*window);
    ASSERT_EQ(shown.size(), QSize(40, 30));
    EXPECT_EQ(shown.pixelColor(0, 0), QColor(200, 100, 50));
    EXPECT_EQ(shown.pixelColor(7, 5), QColor(1, 2, 3));
    auto* view = Child<QGraphicsView>(*window, "graphicsView");
    EXPECT_EQ(view->scene()->sceneRect(), QRectF(0, 0, 40, 30));
    EXPECT_EQ(view->scene()->items().size(), 1);
}

TEST_F(MainWindowImage, AnAllBlackFirstChannelIsShownWhite)
{
    cv::Mat image(30, 40, CV_8UC3, cv::Scalar(0, 80, 160));
    window->ShowImage(image);
    const QImage shown = ShownImage(*window);
    ASSERT_EQ(shown.size(), QSize(40, 30));
    for (const QPoint p : { QPoint(0, 0), QPoint(39, 29), QPoint(20, 15) }) {
        EXPECT_EQ(shown.pixelColor(p), QColor(255, 255, 255));
    }

    // One non-zero value in the first channel is enough to keep the image as it is.
    cv::Mat almost(30, 40, CV_8UC3, cv::Scalar(0, 80, 160));
    almost.at<cv::Vec3b>(29, 39)[0] = 1;
    window->ShowImage(almost);
    EXPECT_EQ(ShownImage(*window).pixelColor(0, 0), QColor(0, 80, 160));
}

TEST_F(MainWindowImage, ANonContiguousViewIsShownWithItsOwnPixels)
{
    cv::Mat whole(80, 100, CV_8UC3);
    for (int y = 0; y < whole.rows; ++y) {
        for (int x = 0; x < whole.cols; ++x) {
            whole.at<cv::Vec3b>(y, x) = cv::Vec3b(static_cast<uchar>(x * 2), static_cast<uchar>(y * 3), 7);
        }
    }
    const cv::Mat view = whole(cv::Rect(10, 20, 37, 41));
    ASSERT_FALSE(view.isContinuous());
    window->ShowImage(view);

    const QImage shown = ShownImage(*window);
    ASSERT_EQ(shown.size(), QSize(37, 41));
    for (const QPoint p : { QPoint(0, 0), QPoint(36, 0), QPoint(0, 40), QPoint(36, 40), QPoint(18, 22) }) {
        EXPECT_EQ(shown.pixelColor(p), QColor((10 + p.x()) * 2, (20 + p.y()) * 3, 7)) << p.x() << "," << p.y();
    }
}
