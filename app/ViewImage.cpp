#include "ViewImage.h"

#include "OverlayRenderer.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

// Whether the first channel of an 8-bit image is 0 in every pixel. Stops at the first pixel
// that is not, where cv::sum would add up every channel of every pixel.
bool FirstChannelAllZero(const cv::Mat& image)
{
    const int channels = image.channels();
    const std::size_t rowValues = static_cast<std::size_t>(image.cols) * static_cast<std::size_t>(channels);
    for (int row = 0; row < image.rows; ++row) {
        const uint8_t* values = image.ptr<uint8_t>(row);
        for (std::size_t i = 0; i < rowValues; i += static_cast<std::size_t>(channels)) {
            if (values[i] != 0) {
                return false;
            }
        }
    }
    return true;
}

// Which source pixels make up each reduced pixel and how much of each: reduced pixel i
// covers [i * ratio, (i + 1) * ratio) of the source. A fixed number of taps per pixel, the
// unused ones with weight 0, keeps the inner loops simple enough to vectorise.
struct Taps {
    int count = 0;
    std::vector<int> first;
    std::vector<float> weights; // count per reduced pixel
};

Taps MakeTaps(int sourceLength, int reducedLength)
{
    Taps taps;
    const double ratio = static_cast<double>(sourceLength) / reducedLength;
    taps.count = std::min(sourceLength, static_cast<int>(std::ceil(ratio)) + 1);
    taps.first.resize(static_cast<std::size_t>(reducedLength));
    taps.weights.assign(static_cast<std::size_t>(reducedLength) * static_cast<std::size_t>(taps.count), 0.0f);
    for (int i = 0; i < reducedLength; ++i) {
        const double begin = i * ratio;
        const double end = (i + 1) * ratio;
        const int first = std::clamp(static_cast<int>(std::floor(begin)), 0, sourceLength - taps.count);
        taps.first[static_cast<std::size_t>(i)] = first;
        for (int k = 0; k < taps.count; ++k) {
            const double overlap = std::min<double>(first + k + 1, end) - std::max<double>(first + k, begin);
            if (overlap > 0) {
                taps.weights[static_cast<std::size_t>(i) * static_cast<std::size_t>(taps.count)
                             + static_cast<std::size_t>(k)] = static_cast<float>(overlap);
            }
        }
    }
    return taps;
}

// Rows first, over whole rows (which vectorises), then across the few rows that are left.
// `outChannels` 3 for a grey source gives every channel the grey value.
void Reduce(const cv::Mat& image, cv::Size size, cv::Mat& reduced, int outChannels)
{
    const int channels = image.channels();
    const Taps rows = MakeTaps(image.rows, size.height);
    const Taps cols = MakeTaps(image.cols, size.width);
    const float norm = static_cast<float>(static_cast<double>(size.width) * size.height
                                          / (static_cast<double>(image.cols) * image.rows));
    reduced.create(size, CV_MAKETYPE(CV_8U, outChannels));
    const int rowValues = image.cols * channels;
    std::vector<float> sums(static_cast<std::size_t>(rowValues));
    float* __restrict sum = sums.data();
    for (int y = 0; y < size.height; ++y) {
        std::fill(sums.begin(), sums.end(), 0.0f);
        const float* rowWeights = &rows.weights[static_cast<std::size_t>(y) * static_cast<std::size_t>(rows.count)];
        for (int k = 0; k < rows.count; ++k) {
            const float weight = rowWeights[k];
            if (weight == 0.0f) {
                continue;
            }
            const uint8_t* __restrict source = image.ptr<uint8_t>(rows.first[static_cast<std::size_t>(y)] + k);
            for (int v = 0; v < rowValues; ++v) {
                sum[v] += weight * source[v];
            }
        }
        uint8_t* out = reduced.ptr<uint8_t>(y);
        for (int x = 0; x < size.width; ++x) {
            const float* colWeights = &cols.weights[static_cast<std::size_t>(x) * static_cast<std::size_t>(cols.count)];
            const float* values = sum + static_cast<std::ptrdiff_t>(cols.first[static_cast<std::size_t>(x)]) * channels;
            for (int c = 0; c < channels; ++c) {
                float total = 0.0f;
                for (int k = 0; k < cols.count; ++k) {
                    total += colWeights[k] * values[k * channels + c];
                }
                out[c] = cv::saturate_cast<uint8_t>(total * norm);
            }
            for (int c = channels; c < outChannels; ++c) {
                out[c] = out[0];
            }
            out += outChannels;
        }
    }
}

// How much of each view pixel an overlay covers, over a window of the view.
class Coverage {
public:
    explicit Coverage(const ViewImage& view)
        : scaleX(static_cast<double>(view.pixels.cols) / view.imageSize.width)
        , scaleY(static_cast<double>(view.pixels.rows) / view.imageSize.height)
        , imageSize(view.imageSize)
        , viewSize(view.pixels.size())
    {
    }

    // Starts a new overlay over the image rectangle `bounds` (clipped to the image).
    void Begin(cv::Rect bounds)
    {
        bounds &= cv::Rect(cv::Point(0, 0), imageSize);
        const int left = static_cast<int>(std::floor(bounds.x * scaleX));
        const int top = static_cast<int>(std::floor(bounds.y * scaleY));
        const int right = std::min(viewSize.width, static_cast<int>(std::ceil(bounds.br().x * scaleX)));
        const int bottom = std::min(viewSize.height, static_cast<int>(std::ceil(bounds.br().y * scaleY)));
        window =
            bounds.empty() ? cv::Rect() : cv::Rect(left, top, std::max(0, right - left), std::max(0, bottom - top));
        share.assign(static_cast<std::size_t>(window.area()), 0.0f);
    }

    // Adds (or with sign -1 takes away) the image pixels [x0, x1) x [y0, y1).
    void AddRect(int64_t x0, int64_t y0, int64_t x1, int64_t y1, float sign = 1.0f)
    {
        x0 = std::max<int64_t>(x0, 0);
        y0 = std::max<int64_t>(y0, 0);
        x1 = std::min<int64_t>(x1, imageSize.width);
        y1 = std::min<int64_t>(y1, imageSize.height);
        if (x1 <= x0 || y1 <= y0) {
            return;
        }
        const double top = static_cast<double>(y0) * scaleY;
        const double bottom = static_cast<double>(y1) * scaleY;
        const double left = static_cast<double>(x0) * scaleX;
        const double right = static_cast<double>(x1) * scaleX;
        for (int row = std::max(window.y, static_cast<int>(std::floor(top)));
             row < std::min(window.br().y, static_cast<int>(std::ceil(bottom))); ++row) {
            const double height = std::min<double>(bottom, row + 1) - std::max<double>(top, row);
            float* line = &share[static_cast<std::size_t>(row - window.y) * static_cast<std::size_t>(window.width)];
            for (int col = std::max(window.x, static_cast<int>(std::floor(left)));
                 col < std::min(window.br().x, static_cast<int>(std::ceil(right))); ++col) {
                const double width = std::min<double>(right, col + 1) - std::max<double>(left, col);
                line[col - window.x] += sign * static_cast<float>(height * width);
            }
        }
    }

    // Paints colour over the view in proportion to the share each pixel is covered.
    void Paint(cv::Mat& pixels, const cv::Scalar& colour) const
    {
        for (int row = 0; row < window.height; ++row) {
            uint8_t* pixel = pixels.ptr<uint8_t>(window.y + row) + static_cast<std::ptrdiff_t>(window.x) * 3;
            const float* line = &share[static_cast<std::size_t>(row) * static_cast<std::size_t>(window.width)];
            for (int col = 0; col < window.width; ++col, pixel += 3) {
                const float alpha = std::min(line[col], 1.0f);
                if (alpha <= 0.0f) {
                    continue;
                }
                for (int c = 0; c < 3; ++c) {
                    pixel[c] = cv::saturate_cast<uint8_t>(pixel[c] + (colour[c] - pixel[c]) * alpha);
                }
            }
        }
    }

private:
    double scaleX;
    double scaleY;
    cv::Size imageSize;
    cv::Size viewSize;
    cv::Rect window;
    std::vector<float> share;
};

void PaintBox(cv::Mat& pixels, Coverage& coverage, const OverlayItem& box)
{
    // cv::rectangle with thickness 2 paints a band of 3 pixels centred on each edge.
    const int64_t left = std::min(box.topLeft.x, box.bottomRight.x);
    const int64_t right = std::max(box.topLeft.x, box.bottomRight.x);
    const int64_t top = std::min(box.topLeft.y, box.bottomRight.y);
    const int64_t bottom = std::max(box.topLeft.y, box.bottomRight.y);
    const int64_t half = kOverlayBoxThickness / 2;
    coverage.Begin(cv::Rect(cv::Point(static_cast<int>(left - half), static_cast<int>(top - half)),
                            cv::Point(static_cast<int>(right + half + 1), static_cast<int>(bottom + half + 1))));
    coverage.AddRect(left - half, top - half, right + half + 1, bottom + half + 1);
    coverage.AddRect(left + half + 1, top + half + 1, right - half, bottom - half, -1.0f);
    coverage.Paint(pixels, box.colour);
}

void PaintText(cv::Mat& pixels, Coverage& coverage, const OverlayItem& text)
{
    int64_t left = std::numeric_limits<int64_t>::max();
    int64_t top = std::numeric_limits<int64_t>::max();
    int64_t right = std::numeric_limits<int64_t>::min();
    int64_t bottom = std::numeric_limits<int64_t>::min();
    const TextStamps& stamps = OverlayTextStamps();
    const bool known = stamps.ForEachRun(text.text, text.origin, [&](int64_t y, int64_t x, int length) {
        left = std::min(left, x);
        right = std::max(right, x + length);
        top = std::min(top, y);
        bottom = std::max(bottom, y + 1);
    });
    if (!known || right <= left) {
        return;
    }
    coverage.Begin(cv::Rect(cv::Point(static_cast<int>(left), static_cast<int>(top)),
                            cv::Point(static_cast<int>(right), static_cast<int>(bottom))));
    stamps.ForEachRun(text.text, text.origin,
                      [&](int64_t y, int64_t x, int length) { coverage.AddRect(x, y, x + length, y + 1); });
    coverage.Paint(pixels, text.colour);
}

} // namespace

double ViewImage::Scale() const
{
    return imageSize.width > 0 ? static_cast<double>(pixels.cols) / imageSize.width : 1.0;
}

cv::Size ViewImageSize(cv::Size imageSize, cv::Size viewport)
{
    if (imageSize.width <= 0 || imageSize.height <= 0 || viewport.width <= 0 || viewport.height <= 0) {
        return imageSize;
    }
    const double scale = std::min({1.0, static_cast<double>(viewport.width) / imageSize.width,
                                   static_cast<double>(viewport.height) / imageSize.height});
    const int width = std::clamp(static_cast<int>(std::lround(imageSize.width * scale)), 1,
                                 std::min(imageSize.width, viewport.width));
    const int height = std::clamp(static_cast<int>(std::lround(imageSize.height * scale)), 1,
                                  std::min(imageSize.height, viewport.height));
    return {width, height};
}

void AreaReduce(const cv::Mat& image, cv::Size size, cv::Mat& reduced)
{
    CV_Assert(image.depth() == CV_8U && (image.channels() == 1 || image.channels() == 3) && image.dims == 2);
    CV_Assert(size.width > 0 && size.height > 0 && size.width <= image.cols && size.height <= image.rows);
    Reduce(image, size, reduced, image.channels());
}

bool MakeViewImage(const cv::Mat& frame, cv::Size viewport, ViewImage& view)
{
    if (!IsDisplayableFrame(frame)) {
        return false;
    }
    view.imageSize = frame.size();
    view.frameBlack = FirstChannelAllZero(frame);
    const cv::Size size = ViewImageSize(frame.size(), viewport);
    if (size == frame.size()) {
        return MakeDisplayImage(frame, view.pixels);
    }
    Reduce(frame, size, view.pixels, 3);
    return true;
}

void DrawViewOverlays(ViewImage& view, const std::vector<quorvel::SegmentInfo>& segments, float fpsMean,
                      const AppSettings& settings, const BoxColours& colours)
{
    if (view.Empty()) {
        return;
    }
    if (view.pixels.size() == view.imageSize || segments.empty()) {
        DrawOverlays(view.pixels, segments, fpsMean, settings, colours);
        return;
    }
    Coverage coverage(view);
    for (const OverlayItem& item :
         LayOutOverlays(segments, fpsMean, settings, colours, view.imageSize.width, view.imageSize.height)) {
        if (item.kind == OverlayItem::Kind::Box) {
            PaintBox(view.pixels, coverage, item);
        } else {
            PaintText(view.pixels, coverage, item);
        }
    }
}

void DrawViewCheckmark(ViewImage& view)
{
    if (view.Empty()) {
        return;
    }
    if (view.pixels.size() == view.imageSize) {
        DrawCheckmark(view.pixels);
        return;
    }
    // Points with four fractional bits; smooth edges, as a reduced drawing would have.
    constexpr int kShift = 4;
    const double scaleX = static_cast<double>(view.pixels.cols) / view.imageSize.width;
    const double scaleY = static_cast<double>(view.pixels.rows) / view.imageSize.height;
    auto place = [&](cv::Point p) {
        return cv::Point(static_cast<int>(std::lround(p.x * scaleX * (1 << kShift))),
                         static_cast<int>(std::lround(p.y * scaleY * (1 << kShift))));
    };
    for (const CheckmarkStroke& stroke : CheckmarkStrokes(view.imageSize.width, view.imageSize.height)) {
        const int thickness = std::max(1, static_cast<int>(std::lround(stroke.thickness * scaleX)));
        cv::line(view.pixels, place(stroke.from), place(stroke.to), stroke.colour, thickness, cv::LINE_AA, kShift);
    }
}

bool ShowsBlank(const ViewImage& view)
{
    return !view.Empty() && view.frameBlack && FirstChannelAllZero(view.pixels);
}
