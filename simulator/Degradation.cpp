#include "Degradation.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace ondrel::sim {

namespace {

constexpr int kFirstPosition = 1;
constexpr int kLastPosition = 10;
constexpr double kMaxBlurSigma = 50.0;
constexpr double kMaxNoise = 255.0;

struct KindRange {
    const char* name;
    DegradationKind kind;
    double min;
    bool minIncluded;
    double max;
};

constexpr KindRange kKinds[] = {
    {"blur", DegradationKind::Blur, 0.0, false, kMaxBlurSigma},
    {"contrast", DegradationKind::Contrast, 0.0, true, 1.0},
    {"noise", DegradationKind::Noise, 0.0, false, kMaxNoise},
};

std::optional<double> Number(const std::string& text)
{
    if (text.empty() || std::isspace(static_cast<unsigned char>(text.front()))) {
        return std::nullopt;
    }
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<Degradation> ParseItem(const std::string& item, std::string& reason)
{
    const auto colon = item.find(':');
    const auto equals = item.find('=');
    if (colon == std::string::npos || equals == std::string::npos || equals < colon) {
        reason = "expected POS:KIND=VALUE";
        return std::nullopt;
    }
    const std::string position = item.substr(0, colon);
    const std::string kindName = item.substr(colon + 1, equals - colon - 1);
    Degradation degradation;
    if (position.empty() || position.size() > 2 || position.find_first_not_of("0123456789") != std::string::npos
        || std::stoi(position) < kFirstPosition || std::stoi(position) > kLastPosition) {
        reason = "POS must be a finger position from 1 to 10";
        return std::nullopt;
    }
    degradation.position = std::stoi(position);
    const auto kind =
        std::find_if(std::begin(kKinds), std::end(kKinds), [&](const KindRange& k) { return kindName == k.name; });
    if (kind == std::end(kKinds)) {
        reason = "KIND must be blur, contrast or noise";
        return std::nullopt;
    }
    degradation.kind = kind->kind;
    const std::optional<double> value = Number(item.substr(equals + 1));
    if (!value || *value > kind->max || *value < kind->min || (!kind->minIncluded && *value == kind->min)) {
        std::ostringstream range;
        range << kind->name << " takes a number " << (kind->minIncluded ? "from " : "above ") << kind->min << " up to "
              << kind->max;
        reason = range.str();
        return std::nullopt;
    }
    degradation.value = *value;
    return degradation;
}

void Blur(cv::Mat& image, const cv::Rect& box, double sigma)
{
    // The box is blurred with the pixels around it, as a defocused finger would be.
    const int margin = static_cast<int>(std::ceil(3.0 * sigma));
    const cv::Rect around = cv::Rect(box.x - margin, box.y - margin, box.width + 2 * margin, box.height + 2 * margin)
        & cv::Rect(0, 0, image.cols, image.rows);
    cv::Mat blurred;
    cv::GaussianBlur(image(around), blurred, cv::Size(), sigma, sigma, cv::BORDER_REFLECT);
    blurred(box - around.tl()).copyTo(image(box));
}

void WashOut(cv::Mat& image, const cv::Rect& box, double factor)
{
    cv::Mat part = image(box);
    const double mean = cv::mean(part)[0];
    part.convertTo(part, CV_8U, factor, (1.0 - factor) * mean);
}

void AddNoise(cv::Mat& image, const cv::Rect& box, double deviation, int position)
{
    cv::Mat noise(box.size(), CV_32F);
    cv::RNG(0x4015E + static_cast<uint64_t>(position)).fill(noise, cv::RNG::NORMAL, 0.0, deviation);
    cv::Mat part = image(box);
    cv::Mat noisy;
    part.convertTo(noisy, CV_32F);
    noisy += noise;
    noisy.convertTo(part, CV_8U);
}

} // namespace

std::optional<std::vector<Degradation>> ParseDegradations(const std::string& text, std::string& error)
{
    std::vector<Degradation> degradations;
    std::stringstream stream(text);
    std::string item;
    while (std::getline(stream, item, ',')) {
        std::string reason;
        const std::optional<Degradation> degradation = ParseItem(item, reason);
        if (!degradation) {
            error = (item == text ? "" : "'" + item + "': ") + reason;
            return std::nullopt;
        }
        degradations.push_back(*degradation);
    }
    if (degradations.empty() || text.back() == ',') {
        error = "expected POS:KIND=VALUE[,POS:KIND=VALUE...]";
        return std::nullopt;
    }
    return degradations;
}

void ApplyDegradations(cv::Mat& image, const HandView& view, const std::vector<Degradation>& degradations)
{
    if (image.empty() || image.type() != CV_8UC1) {
        return;
    }
    // The segments are those of the fingers present.
    const HandShape shape = ShapeOf(view.hand, view.missingFingers);
    for (const Degradation& degradation : degradations) {
        for (std::size_t i = 0; i < view.segments.size() && i < shape.fingers.size(); ++i) {
            if (shape.fingers[i].position != degradation.position) {
                continue;
            }
            const quorvel::SegmentInfo& s = view.segments[i];
            const cv::Rect box = cv::Rect(s.posX, s.posY, s.width, s.height) & cv::Rect(0, 0, image.cols, image.rows);
            if (box.empty()) {
                continue;
            }
            switch (degradation.kind) {
            case DegradationKind::Blur:
                Blur(image, box, degradation.value);
                break;
            case DegradationKind::Contrast:
                WashOut(image, box, degradation.value);
                break;
            case DegradationKind::Noise:
                AddNoise(image, box, degradation.value, degradation.position);
                break;
            }
        }
    }
}

} // namespace ondrel::sim
