#pragma once

#include "QualityRecord.h"

#include <opencv2/core.hpp>

#include <functional>
#include <vector>

// Colour of a score below the minimum, in the display image's channel order (red).
const cv::Scalar kLowQualityColour{255, 0, 0, 0};

// Writes each finger's score "Q: 71" just above its box in display (8UC3), or just below
// the box when there is no room above, in the overlay text colour, or in kLowQualityColour
// when QualityBelowMinimum. The boxes are in pixels of an image of scoredImageSize (the
// final image) and are scaled to the display's size; an empty size means the display's own.
// Nothing is drawn into an empty display.
// `pixelOf`, when given, turns a colour into the pixel of a display in another channel
// layout (ViewColour for the live view's pixels).
void DrawFingerQualities(cv::Mat& display, const std::vector<FingerQualityRecord>& fingers, int minimum,
                         cv::Size scoredImageSize = {},
                         const std::function<cv::Scalar(const cv::Scalar&)>& pixelOf = {});
