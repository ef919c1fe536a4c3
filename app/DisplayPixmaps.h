#pragma once

#include <QImage>
#include <QPixmap>

#include <opencv2/core.hpp>

#include <array>

// Turns display images (8UC3, channel 0 shown as red) into pixmaps, as wrapping them as
// 24-bit RGB and converting would, but through two 32-bit buffers kept from frame to frame:
// the toolkit paints 32-bit pixmaps directly, and at live-view rates allocating and
// converting a fresh buffer per frame cost more than the conversion itself.
//
// Two buffers, because the pixmap of the previous frame still shares its buffer until
// the scene lets it go; writing into it then would copy it first.
class DisplayPixmaps {
public:
    // A null pixmap when image is empty, not 8UC3, or too large for an image buffer.
    QPixmap Convert(const cv::Mat& image);

private:
    std::array<QImage, 2> buffers;
    std::size_t next = 0;
};
