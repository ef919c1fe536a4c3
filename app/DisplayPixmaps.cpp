#include "DisplayPixmaps.h"

#include <opencv2/imgproc.hpp>

QPixmap DisplayPixmaps::Convert(const cv::Mat& image)
{
    if (image.empty() || image.type() != CV_8UC3 || image.dims != 2) {
        return {};
    }
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    QImage& buffer = buffers[next];
    next = 1 - next;
    if (buffer.width() != image.cols || buffer.height() != image.rows) {
        buffer = QImage(); // the old one goes before a new one is allocated
        buffer = QImage(image.cols, image.rows, QImage::Format_RGB32);
        if (buffer.isNull()) {
            return {};
        }
    }
    // A 32-bit RGB pixel is 0xffRRGGBB, stored from its low byte up: blue, green, red, 255.
    cv::Mat pixels(buffer.height(), buffer.width(), CV_8UC4, buffer.bits(), static_cast<size_t>(buffer.bytesPerLine()));
    cv::cvtColor(image, pixels, cv::COLOR_RGB2BGRA);
    return QPixmap::fromImage(buffer);
#else
    const cv::Mat contiguous = image.isContinuous() ? image : image.clone();
    return QPixmap::fromImage(QImage(contiguous.data, contiguous.cols, contiguous.rows,
                                     static_cast<int>(contiguous.step), QImage::Format_RGB888));
#endif
}
