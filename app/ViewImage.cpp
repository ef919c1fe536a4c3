#include "ViewImage.h"

#include "OverlayRenderer.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

// Where the display image's red, green and blue (channels 0, 1, 2) are in a view pixel.
constexpr int kRed = 2;
constexpr int kGreen = 1;
constexpr int kBlue = 0;
constexpr int kViewChannels = 4;


// Whether a channel of an 8-bit image is 0 in every pixel. Stops at the first row that is
// not, where cv::sum would add up every channel of every pixel; a live frame's dark
// surroundings can fill many rows, so a row is looked at as a whole, which vectorises.
bool ChannelAllZero(const cv::Mat& image, int channel)
{
    const int channels = image.channels();
    const std::size_t rowValues = static_cast<std::size_t>(image.cols) * static_cast<std::size_t>(channels);
    for (int row = 0; row < image.rows; ++row) {
        const uint8_t* values = image.ptr<uint8_t>(row);
        uint8_t any = 0;
        if (channels == 1) {
            for (std::size_t i = 0; i < rowValues; ++i) {
                any |= values[i];
            }
        } else {
            for (std::size_t i = static_cast<std::size_t>(channel); i < rowValues;
                 i += static_cast<std::size_t>(channels)) {
                any |= values[i];
            }
        }
        if (any != 0) {
            return false;
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
    std::vector<double> weights; // count per reduced pixel, in source pixels
};

Taps MakeTaps(int sourceLength, int reducedLength)
{
    Taps taps;
    const double ratio = static_cast<double>(sourceLength) / reducedLength;
    taps.count = std::min(sourceLength, static_cast<int>(std::ceil(ratio)) + 1);
    taps.first.resize(static_cast<std::size_t>(reducedLength));
    taps.weights.assign(static_cast<std::size_t>(reducedLength) * static_cast<std::size_t>(taps.count), 0.0);
    for (int i = 0; i < reducedLength; ++i) {
        const double begin = i * ratio;
        const double end = (i + 1) * ratio;
        const int first = std::clamp(static_cast<int>(std::floor(begin)), 0, sourceLength - taps.count);
        taps.first[static_cast<std::size_t>(i)] = first;
        for (int k = 0; k < taps.count; ++k) {
            const double overlap = std::min<double>(first + k + 1, end) - std::max<double>(first + k, begin);
            taps.weights[static_cast<std::size_t>(i) * static_cast<std::size_t>(taps.count)
                         + static_cast<std::size_t>(k)] = std::max(overlap, 0.0);
        }
    }
    return taps;
}

// Where each reduced pixel begins and ends across a row, as a whole source pixel and the
// fraction into it: reduced pixel x covers [x * ratio, (x + 1) * ratio).
struct Edges {
    std::vector<int> whole;
    std::vector<float> fraction;
};

Edges MakeEdges(int sourceLength, int reducedLength)
{
    Edges edges;
    const double ratio = static_cast<double>(sourceLength) / reducedLength;
    for (int x = 0; x <= reducedLength; ++x) {
        const double at = std::min<double>(x * ratio, sourceLength);
        const int whole = std::min(static_cast<int>(std::floor(at)), sourceLength);
        edges.whole.push_back(whole);
        edges.fraction.push_back(static_cast<float>(at - whole));
    }
    return edges;
}

// One reduced grey row across, written as opaque grey view pixels, from running totals of the
// column sums: each reduced pixel is the total up to its end minus the total up to its
// start, the partial source pixels at either edge added by their fraction. Independent
// work per pixel, where summing the pixels of each one would chain every addition.
void AcrossGrey(const uint16_t* sum, int sourceLength, const Edges& edges, float norm, std::vector<uint32_t>& totals,
                uint8_t* out)
{
    totals.resize(static_cast<std::size_t>(sourceLength) + 1);
    uint32_t running = 0;
    for (int x = 0; x < sourceLength; ++x) {
        totals[static_cast<std::size_t>(x)] = running;
        running += sum[x];
    }
    totals[static_cast<std::size_t>(sourceLength)] = running;
    const int width = static_cast<int>(edges.whole.size()) - 1;
    // The value at `whole` of a source pixel that is only partly covered; 0 past the end.
    auto at = [&](int whole) { return whole < sourceLength ? static_cast<float>(sum[whole]) : 0.0f; };
    for (int x = 0; x < width; ++x, out += kViewChannels) {
        const int begin = edges.whole[static_cast<std::size_t>(x)];
        const int end = edges.whole[static_cast<std::size_t>(x) + 1];
        const float total =
            static_cast<float>(totals[static_cast<std::size_t>(end)] - totals[static_cast<std::size_t>(begin)])
            + edges.fraction[static_cast<std::size_t>(x) + 1] * at(end)
            - edges.fraction[static_cast<std::size_t>(x)] * at(begin);
        out[0] = out[1] = out[2] = cv::saturate_cast<uint8_t>(total * norm);
        out[3] = 255;
    }
}

// Down the rows first, over whole rows in 16-bit fixed point (which vectorises), then across
// the few rows that are left. Each reduced row is divided by the sum of its own rounded row
// weights, so rounding them moves a row's edges by a fraction of a pixel but never darkens or
// brightens it. A grey source with `outChannels` 4 gives opaque grey view pixels.
void Reduce(const cv::Mat& image, cv::Size size, cv::Mat& reduced, int outChannels)
{
    const int channels = image.channels();
    const Taps rows = MakeTaps(image.rows, size.height);
    const Taps cols = MakeTaps(image.cols, size.width);
    // As many fraction bits for the row weights as a 16-bit sum of `rows.count` values can hold.
    int bits = 0;
    while (bits < 8 && 255.0 * rows.count * (1 << (bits + 1)) <= 65535.0) {
        ++bits;
    }
    std::vector<uint16_t> rowWeights(rows.weights.size());
    for (std::size_t i = 0; i < rows.weights.size(); ++i) {
        rowWeights[i] = static_cast<uint16_t>(std::lround(rows.weights[i] * (1 << bits)));
    }
    const std::vector<float> colWeights(cols.weights.begin(), cols.weights.end());
    const double colTotal = static_cast<double>(image.cols) / size.width;

    reduced.create(size, CV_MAKETYPE(CV_8U, outChannels));
    const int rowValues = image.cols * channels;
    const Edges edges = MakeEdges(image.cols, size.width);
    std::vector<uint32_t> totals;
    {
        std::vector<uint16_t> sums(static_cast<std::size_t>(rowValues));
        uint16_t* __restrict sum = sums.data();
        for (int y = 0; y < size.height; ++y) {
            std::fill(sums.begin(), sums.end(), uint16_t{0});
            const uint16_t* weights = &rowWeights[static_cast<std::size_t>(y) * static_cast<std::size_t>(rows.count)];
            int rowTotal = 0;
            for (int k = 0; k < rows.count; ++k) {
                const uint16_t weight = weights[k];
                if (weight == 0) {
                    continue;
                }
                rowTotal += weight;
                const uint8_t* __restrict source = image.ptr<uint8_t>(rows.first[static_cast<std::size_t>(y)] + k);
                for (int v = 0; v < rowValues; ++v) {
                    sum[v] = static_cast<uint16_t>(sum[v] + weight * source[v]);
                }
            }
            const float norm = rowTotal > 0 ? static_cast<float>(1.0 / (rowTotal * colTotal)) : 0.0f;
            uint8_t* out = reduced.ptr<uint8_t>(y);
            if (channels == 1 && outChannels == kViewChannels) {
                AcrossGrey(sum, image.cols, edges, norm, totals, out);
                continue;
            }
            for (int x = 0; x < size.width; ++x) {
                const float* tapWeights =
                    &colWeights[static_cast<std::size_t>(x) * static_cast<std::size_t>(cols.count)];
                const uint16_t* values =
                    sum + static_cast<std::ptrdiff_t>(cols.first[static_cast<std::size_t>(x)]) * channels;
                for (int c = 0; c < channels; ++c) {
                    float total = 0.0f;
                    for (int k = 0; k < cols.count; ++k) {
                        total += tapWeights[k] * values[k * channels + c];
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

    // The view pixels an image rectangle touches, in part or whole.
    cv::Rect ViewOf(cv::Rect bounds) const
    {
        bounds &= cv::Rect(cv::Point(0, 0), imageSize);
        if (bounds.empty()) {
            return {};
        }
        const int left = static_cast<int>(std::floor(bounds.x * scaleX));
        const int top = static_cast<int>(std::floor(bounds.y * scaleY));
        const int right = std::min(viewSize.width, static_cast<int>(std::ceil(bounds.br().x * scaleX)));
        const int bottom = std::min(viewSize.height, static_cast<int>(std::ceil(bounds.br().y * scaleY)));
        return cv::Rect(left, top, std::max(0, right - left), std::max(0, bottom - top));
    }

    // The view pixels wholly inside an image rectangle.
    cv::Rect ViewInside(const cv::Rect& bounds) const
    {
        if (bounds.empty()) {
            return {};
        }
        const int left = static_cast<int>(std::ceil(bounds.x * scaleX));
        const int top = static_cast<int>(std::ceil(bounds.y * scaleY));
        const int right = static_cast<int>(std::floor(bounds.br().x * scaleX));
        const int bottom = static_cast<int>(std::floor(bounds.br().y * scaleY));
        return right > left && bottom > top ? cv::Rect(left, top, right - left, bottom - top) : cv::Rect();
    }

    // Starts a new overlay over the image rectangle `bounds` (clipped to the image).
    void Begin(const cv::Rect& bounds) { BeginView(ViewOf(bounds)); }

    // Starts a new overlay over a window of the view.
    void BeginView(const cv::Rect& viewWindow)
    {
        window = viewWindow & cv::Rect(cv::Point(0, 0), viewSize);
        // One spare column and row: a pixel's share may spill into the next view pixel.
        share.assign(static_cast<std::size_t>(window.width + 1) * static_cast<std::size_t>(window.height + 1), 0.0f);
    }

    // Adds the image pixels [x, x + length) of row y: the share of each view pixel they
    // cover, worked out per view pixel rather than per image pixel.
    void AddRun(int64_t y, int64_t x, int length)
    {
        const int64_t from = std::max<int64_t>(x, 0);
        const int64_t to = std::min<int64_t>(x + length, imageSize.width);
        if (y < 0 || y >= imageSize.height || from >= to || window.empty()) {
            return;
        }
        const double top = static_cast<double>(y) * scaleY - window.y;
        const int row = static_cast<int>(std::floor(top));
        if (row < 0 || row >= window.height) {
            return;
        }
        const float inRow = static_cast<float>(std::min<double>(top + scaleY, row + 1) - top);
        const float inNextRow = static_cast<float>(scaleY) - inRow;
        const float begin = static_cast<float>(static_cast<double>(from) * scaleX - window.x);
        const float end = static_cast<float>(static_cast<double>(to) * scaleX - window.x);
        const int firstCol = std::max(0, static_cast<int>(begin));
        const int endCol = std::min(window.width + 1, static_cast<int>(std::ceil(end)));
        float* line = &share[static_cast<std::size_t>(row) * static_cast<std::size_t>(window.width + 1)];
        float* next = line + window.width + 1;
        for (int col = firstCol; col < endCol; ++col) {
            const float width = std::min(end, static_cast<float>(col + 1)) - std::max(begin, static_cast<float>(col));
            line[col] += inRow * width;
            next[col] += inNextRow * width;
        }
    }

    // Adds the image pixels [x0, x1) x [y0, y1).
    void AddRect(int64_t x0, int64_t y0, int64_t x1, int64_t y1)
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
            float* line = &share[static_cast<std::size_t>(row - window.y) * static_cast<std::size_t>(window.width + 1)];
            for (int col = std::max(window.x, static_cast<int>(std::floor(left)));
                 col < std::min(window.br().x, static_cast<int>(std::ceil(right))); ++col) {
                const double width = std::min<double>(right, col + 1) - std::max<double>(left, col);
                line[col - window.x] += static_cast<float>(height * width);
            }
        }
    }

    // Paints colour (a view pixel's) over the view in proportion to the share each pixel is
    // covered.
    void Paint(cv::Mat& pixels, const cv::Scalar& colour) const
    {
        for (int row = 0; row < window.height; ++row) {
            uint8_t* pixel =
                pixels.ptr<uint8_t>(window.y + row) + static_cast<std::ptrdiff_t>(window.x) * kViewChannels;
            const float* line = &share[static_cast<std::size_t>(row) * static_cast<std::size_t>(window.width + 1)];
            for (int col = 0; col < window.width; ++col, pixel += kViewChannels) {
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
    std::vector<float> share; // (window.width + 1) x (window.height + 1)
};

void PaintBox(cv::Mat& pixels, Coverage& coverage, const OverlayItem& box)
{
    // cv::rectangle with thickness 2 paints a band of 3 pixels centred on each edge, with the
    // outermost pixel of each corner left out.
    constexpr int kBand = kOverlayBoxThickness + 1;
    const cv::Rect outer = OverlayItemBounds(box);
    const int left = outer.x;
    const int top = outer.y;
    const int right = outer.br().x;
    const int bottom = outer.br().y;
    auto addBands = [&] {
        coverage.AddRect(left + 1, top, right - 1, top + 1);
        coverage.AddRect(left + 1, bottom - 1, right - 1, bottom);
        if (right - left <= 2 * kBand || bottom - top <= 2 * kBand) {
            coverage.AddRect(left, top + 1, right, bottom - 1); // no inside left
            return;
        }
        coverage.AddRect(left, top + 1, right, top + kBand);
        coverage.AddRect(left, bottom - kBand, right, bottom - 1);
        coverage.AddRect(left, top + kBand, left + kBand, bottom - kBand);
        coverage.AddRect(right - kBand, top + kBand, right, bottom - kBand);
    };
    // Painted in parts that share no view pixel, each over the few view pixels it touches:
    // the rows of the top band, those of the bottom band, and the two sides in between.
    const cv::Rect view = coverage.ViewOf(outer);
    const cv::Rect inside =
        coverage.ViewInside(cv::Rect(cv::Point(left + kBand, top + kBand), cv::Point(right - kBand, bottom - kBand)));
    auto paint = [&](cv::Rect window) {
        coverage.BeginView(window);
        addBands();
        coverage.Paint(pixels, ViewColour(box.colour));
    };
    if (inside.empty()) {
        paint(view);
        return;
    }
    paint(cv::Rect(cv::Point(view.x, view.y), cv::Point(view.br().x, inside.y)));
    paint(cv::Rect(cv::Point(view.x, inside.br().y), view.br()));
    paint(cv::Rect(cv::Point(view.x, inside.y), cv::Point(inside.x, inside.br().y)));
    paint(cv::Rect(cv::Point(inside.br().x, inside.y), cv::Point(view.br().x, inside.br().y)));
}

void PaintText(cv::Mat& pixels, Coverage& coverage, const OverlayItem& text)
{
    const cv::Rect bounds = OverlayItemBounds(text);
    if (bounds.empty()) {
        return;
    }
    coverage.Begin(bounds);
    OverlayTextStamps().ForEachRun(text.text, text.origin,
                                   [&](int64_t y, int64_t x, int length) { coverage.AddRun(y, x, length); });
    coverage.Paint(pixels, ViewColour(text.colour));
}

// Paints one overlay item: at the frame's own size the very pixels DrawOverlays paints,
// reduced its share of every view pixel.
void PaintItem(ViewImage& view, const OverlayItem& item)
{
    if (view.pixels.size() == view.imageSize) {
        if (item.kind == OverlayItem::Kind::Box) {
            cv::rectangle(view.pixels, item.topLeft, item.bottomRight, ViewColour(item.colour), kOverlayBoxThickness,
                          cv::LINE_8);
        } else {
            OverlayTextStamps().Draw(view.pixels, item.text, item.origin, ViewColour(item.colour));
        }
        return;
    }
    Coverage coverage(view);
    if (item.kind == OverlayItem::Kind::Box) {
        PaintBox(view.pixels, coverage, item);
    } else {
        PaintText(view.pixels, coverage, item);
    }
}

} // namespace

cv::Scalar ViewColour(const cv::Scalar& colour)
{
    cv::Scalar pixel;
    pixel[kRed] = colour[0];
    pixel[kGreen] = colour[1];
    pixel[kBlue] = colour[2];
    pixel[3] = 255;
    return pixel;
}

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
    view.frameBlack = ChannelAllZero(frame, 0);
    // A buffer that the view may still be showing is never written: a fresh one is taken.
    if (view.pixels.u != nullptr && CV_XADD(&view.pixels.u->refcount, 0) > 1) {
        view.pixels.release();
    }
    const cv::Size size = ViewImageSize(frame.size(), viewport);
    if (size == frame.size()) {
        cv::cvtColor(frame, view.pixels, frame.channels() == 1 ? cv::COLOR_GRAY2BGRA : cv::COLOR_RGB2BGRA);
    } else if (frame.channels() == 1) {
        Reduce(frame, size, view.pixels, kViewChannels);
    } else {
        cv::Mat reduced;
        Reduce(frame, size, reduced, 3);
        cv::cvtColor(reduced, view.pixels, cv::COLOR_RGB2BGRA);
    }
    return true;
}

void DrawViewOverlays(ViewImage& view, const std::vector<quorvel::SegmentInfo>& segments, const AppSettings& settings,
                      const BoxColours& colours)
{
    view.frameRateShown = false;
    view.afterFrameRate.clear();
    if (view.Empty()) {
        return;
    }
    if (segments.empty()) {
        view.pixels.setTo(ViewColour(cv::Scalar(255, 255, 255)));
        return;
    }
    // Everything before the frame rate now; the rate and what follows it in order later.
    for (OverlayItem& item :
         LayOutOverlays(segments, 0.0f, settings, colours, view.imageSize.width, view.imageSize.height)) {
        if (item.frameRate) {
            view.frameRateShown = true;
        } else if (view.frameRateShown) {
            view.afterFrameRate.push_back(std::move(item));
        } else {
            PaintItem(view, item);
        }
    }
}

void DrawViewFrameRate(ViewImage& view, float fpsMean)
{
    if (view.Empty() || !view.frameRateShown) {
        return;
    }
    PaintItem(view, FrameRateItem(fpsMean));
    for (const OverlayItem& item : view.afterFrameRate) {
        PaintItem(view, item);
    }
    view.frameRateShown = false;
    view.afterFrameRate.clear();
}

void DrawViewOverlays(ViewImage& view, const std::vector<quorvel::SegmentInfo>& segments, float fpsMean,
                      const AppSettings& settings, const BoxColours& colours)
{
    DrawViewOverlays(view, segments, settings, colours);
    DrawViewFrameRate(view, fpsMean);
}

void DrawViewCheckmark(ViewImage& view)
{
    if (view.Empty()) {
        return;
    }
    const std::vector<CheckmarkStroke> strokes = CheckmarkStrokes(view.imageSize.width, view.imageSize.height);
    if (view.pixels.size() == view.imageSize) {
        for (const CheckmarkStroke& stroke : strokes) {
            cv::line(view.pixels, stroke.from, stroke.to, ViewColour(stroke.colour), stroke.thickness, cv::LINE_8);
        }
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
    for (const CheckmarkStroke& stroke : strokes) {
        const int thickness = std::max(1, static_cast<int>(std::lround(stroke.thickness * scaleX)));
        cv::line(view.pixels, place(stroke.from), place(stroke.to), ViewColour(stroke.colour), thickness, cv::LINE_AA,
                 kShift);
    }
}

bool ShowsBlank(const ViewImage& view)
{
    return !view.Empty() && view.frameBlack && ChannelAllZero(view.pixels, kRed);
}
