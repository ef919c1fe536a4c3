#include "ViewQuality.h"

#include <QGraphicsView>
#include <QImage>
#include <QPixmap>

#include <opencv2/imgproc.hpp>

#include <stdexcept>

namespace ondrel::bench {

double Ssim(const cv::Mat& a, const cv::Mat& b)
{
    if (a.size() != b.size() || a.type() != b.type() || a.empty()) {
        throw std::runtime_error("ssim: images of different size or type");
    }
    // The usual constants for 8-bit values: (0.01 * 255)^2 and (0.03 * 255)^2.
    constexpr double kC1 = 6.5025;
    constexpr double kC2 = 58.5225;
    const cv::Size window(11, 11);
    constexpr double kSigma = 1.5;
    cv::Mat x, y;
    a.convertTo(x, CV_64F);
    b.convertTo(y, CV_64F);
    cv::Mat muX, muY, xx, yy, xy;
    cv::GaussianBlur(x, muX, window, kSigma);
    cv::GaussianBlur(y, muY, window, kSigma);
    cv::GaussianBlur(x.mul(x), xx, window, kSigma);
    cv::GaussianBlur(y.mul(y), yy, window, kSigma);
    cv::GaussianBlur(x.mul(y), xy, window, kSigma);
    const cv::Mat muXX = muX.mul(muX);
    const cv::Mat muYY = muY.mul(muY);
    const cv::Mat muXY = muX.mul(muY);
    const cv::Mat varX = xx - muXX;
    const cv::Mat varY = yy - muYY;
    const cv::Mat covariance = xy - muXY;
    cv::Mat map;
    cv::divide((2 * muXY + kC1).mul(2 * covariance + kC2), (muXX + muYY + kC1).mul(varX + varY + kC2), map);
    const cv::Scalar means = cv::mean(map);
    double sum = 0;
    for (int c = 0; c < a.channels(); ++c) {
        sum += means[c];
    }
    return sum / a.channels();
}

double ShownImageSsim(QGraphicsView& view, const cv::Mat& display)
{
    const QRectF shown = view.viewportTransform().mapRect(view.sceneRect());
    const QRect area = QRect(qRound(shown.x()), qRound(shown.y()), qRound(shown.width()), qRound(shown.height()))
                           .intersected(view.viewport()->rect());
    if (area.isEmpty()) {
        throw std::runtime_error("ssim: the view shows no image");
    }
    const QImage grabbed = view.viewport()->grab(area).toImage().convertToFormat(QImage::Format_RGB888);
    const cv::Mat pixels(grabbed.height(), grabbed.width(), CV_8UC3, const_cast<uchar*>(grabbed.constBits()),
                         static_cast<size_t>(grabbed.bytesPerLine()));
    cv::Mat reference;
    cv::resize(display, reference, pixels.size(), 0, 0, cv::INTER_AREA);
    return Ssim(pixels, reference);
}

} // namespace ondrel::bench
