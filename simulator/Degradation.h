#pragma once

#include "HandScene.h"

#include <opencv2/core/mat.hpp>

#include <optional>
#include <string>
#include <vector>

namespace ondrel::sim {

// A finger spoilt on purpose in the final image, so that a quality measure can be seen at
// work: blurred (Gaussian, sigma in pixels), washed out (every pixel of the fingertip's box
// moved towards the box's mean grey, keeping `value` of its distance) or noisy (additive
// Gaussian noise, standard deviation in grey levels).
enum class DegradationKind { Blur, Contrast, Noise };

struct Degradation {
    int position = 0; // standard finger position 1–10
    DegradationKind kind = DegradationKind::Blur;
    double value = 0.0;
};

// Reads "POS:KIND=VALUE[,POS:KIND=VALUE…]", KIND blur, contrast or noise, for example
// "3:blur=3,4:contrast=0.3". std::nullopt, with `error` saying which item is wrong and why,
// for an empty item, a position outside 1–10, another kind, or a value that is not a
// number in the kind's range: blur above 0 up to 50, contrast 0 to 1, noise above 0 up to 255.
std::optional<std::vector<Degradation>> ParseDegradations(const std::string& text, std::string& error);

// Applies the degradations of the fingers `view` shows to their boxes in `image` (8-bit
// grey, the view's rendering), in the order given; a finger of another hand is left alone.
// Noise is drawn from a generator seeded by the finger, so a frame is spoilt alike each time.
void ApplyDegradations(cv::Mat& image, const HandView& view, const std::vector<Degradation>& degradations);

} // namespace ondrel::sim
