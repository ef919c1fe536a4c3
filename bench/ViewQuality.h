#pragma once

#include <opencv2/core.hpp>

class QGraphicsView;

namespace ondrel::bench {

// The structural similarity of two images of the same size and type (8-bit, any channels),
// the mean over channels and over 11 x 11 Gaussian windows (sigma 1.5) as Wang et al.
// define it: 1 for equal images.
double Ssim(const cv::Mat& a, const cv::Mat& b);

// How the image the view shows compares with `display` (an image of the scene's size,
// channel 0 shown as red) reduced to the shown size with cv::INTER_AREA: the SSIM of the
// view's pixels where the scene is shown against that reference.
double ShownImageSsim(QGraphicsView& view, const cv::Mat& display);

} // namespace ondrel::bench
