#pragma once

#include "ViewImage.h"

#include <opencv2/core.hpp>

class QGraphicsView;

// Shows view images in a graphics view whose scene keeps the frame's coordinates: the
// pixmap is scaled up by as much as the view image was reduced and the view scaled down by
// as much again, so the toolkit paints the view image pixel for pixel, with no scaling of
// its own, and anything placed in scene coordinates lines up with the frame.
namespace SceneImage {

// The viewport's size in device pixels: the most a view image needs; no size (the image's
// own) while the view is not shown.
cv::Size ViewportPixels(const QGraphicsView& view);

// Replaces whatever the view's scene holds with the image; white when ShowsBlank. The
// pixmap shares the image's pixels, without a copy, for as long as the scene shows it.
void Show(QGraphicsView& view, const ViewImage& image);

} // namespace SceneImage
