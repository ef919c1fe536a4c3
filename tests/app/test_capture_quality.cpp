// The capture quality measure over purpose-made degradations of the simulator's own
// fingertips, the simulator's degraded final image, and the measure's texts and overlay.
#include "CaptureDecision.h"
#include "CaptureMode.h"
#include "CaptureQuality.h"
#include "FingerPositions.h"
#include "FrameSynthesizer.h"
#include "HandScene.h"
#include "OverlayRenderer.h"
#include "QualityOverlay.h"
#include "QualityTexts.h"
#include "ResponsePayloads.h"
#include "SimOptions.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <chrono>
#include <climits>
#include <cstring>

namespace {

using namespace ondrel::sim;

constexpr int kWidth = 1280;
constexpr int kHeight = 1024;

struct Hand {
    int32_t mode;
    HandKind kind;
};
constexpr Hand kHands[] = { { Right4, HandKind::Right4 }, { Left4, HandKind::Left4 }, { Thumbs2, HandKind::Thumbs2 } };

HandView Resting(HandKind kind) { return HandScene(kWidth, kHeight, std::chrono::milliseconds(0), 1).RestingView(kind); }

cv::Rect Box(const quorvel::SegmentInfo& s) { return { s.posX, s.posY, s.width, s.height }; }

cv::Mat Blurred(const cv::Mat& image, double sigma)
{
    cv::Mat out = image.clone();
    if (sigma > 0) {
        cv::GaussianBlur(image, out, cv::Size(), sigma);
    }
    return out;
}

cv::Mat Noisy(const cv::Mat& image, double deviation)
{
    cv::Mat noise(image.size(), CV_32F), out;
    cv::RNG(7).fill(noise, cv::RNG::NORMAL, 0, deviation);
    image.convertTo(out, CV_32F);
    out += noise;
    out.convertTo(out, CV_8U);
    return out;
}

// The ridges in the box washed out to `factor` of their contrast about the box's mean.
cv::Mat WashedOut(const cv::Mat& image, cv::Rect box, double factor)
{
    cv::Mat out = image.clone();
    cv::Mat part = out(box);
    part.convertTo(part, CV_8U, factor, (1 - factor) * cv::mean(part)[0]);
    return out;
}

cv::Mat Shifted(const cv::Mat& image, double dx, double dy)
{
    cv::Mat out;
    const cv::Mat move = (cv::Mat_<double>(2, 3) << 1, 0, dx, 0, 1, dy);
    cv::warpAffine(image, out, move, image.size());
    return out;
}

TEST(CaptureQuality, FallsWithBlurNoiseAndWashedOutRidgesAndHoldsUnderShiftAndQuarterTurn)
{
    const FrameSynthesizer synthesizer(kWidth, kHeight);
    for (HandKind kind : { HandKind::Right4, HandKind::Thumbs2 }) {
        const HandView view = Resting(kind);
        const cv::Mat frame = synthesizer.Render(view);
        cv::Mat turned;
        cv::rotate(frame, turned, cv::ROTATE_90_CLOCKWISE);
        for (std::size_t i = 0; i < view.segments.size(); ++i) {
            SCOPED_TRACE("hand " + std::to_string(static_cast<int>(kind)) + ", finger " + std::to_string(i));
            const cv::Rect box = Box(view.segments[i]);
            const int sharp = ScoreFinger(frame, box).quality;
            EXPECT_GE(sharp, 70) << "a clear simulated fingertip is not flagged";
            int previous = sharp + 1;
            for (double sigma : { 0.0, 1.0, 2.0, 4.0 }) {
                const int blurred = ScoreFinger(Blurred(frame, sigma), box).quality;
                EXPECT_LT(blurred, previous) << "blur " << sigma;
                previous = blurred;
            }
            previous = sharp;
            for (double deviation : { 10.0, 20.0, 40.0 }) {
                const int noisy = ScoreFinger(Noisy(frame, deviation), box).quality;
                EXPECT_LT(noisy, previous) << "noise " << deviation;
                previous = noisy;
            }
            EXPECT_LT(ScoreFinger(WashedOut(frame, box, 0.3), box).quality, sharp);

            const cv::Rect turnedBox(frame.rows - box.y - box.height, box.x, box.height, box.width);
            EXPECT_NEAR(ScoreFinger(turned, turnedBox).quality, sharp, 3);
            for (const auto& [dx, dy] : { std::pair{ 3, 2 }, std::pair{ -4, 5 } }) {
                EXPECT_NEAR(ScoreFinger(Shifted(frame, dx, dy), box).quality, sharp, 3) << dx << "," << dy;
            }
        }
    }
}

TEST(CaptureQuality, StaysLowWithoutRidgesAndIsDefinedForDegenerateInput)
{
    const FrameSynthesizer synthesizer(kWidth, kHeight);
    const HandView view = Resting(HandKind::Right4);
    const cv::Mat frame = synthesizer.Render(view);
    const cv::Rect box = Box(view.segments[1]);
    cv::Mat skin(box.size(), CV_32F);
    for (int x = 0; x < skin.cols; ++x) {
        skin.col(x).setTo(120 + 60 * std::sin(CV_PI * x / skin.cols)); // a rounded finger without ridges
    }
    skin = Noisy(skin, 2);
    const struct {
        const char* name;
        cv::Mat image;
        cv::Rect box;
    } flat[] = {
        { "uniform grey", cv::Mat(kHeight, kWidth, CV_8UC1, cv::Scalar(128)), box },
        { "all black", cv::Mat(kHeight, kWidth, CV_8UC1, cv::Scalar(0)), box },
        { "all white", cv::Mat(kHeight, kWidth, CV_8UC1, cv::Scalar(255)), box },
        { "background", synthesizer.Render(HandView{}), box },
        { "flat skin", skin, cv::Rect(0, 0, skin.cols, skin.rows) },
    };
    for (const auto& patch : flat) {
        EXPECT_LT(ScoreFinger(patch.image, patch.box).quality, 20) << patch.name;
    }

    // Nothing to judge scores 0 in every component; a box partly outside is judged on its
    // part inside; three channels are judged as grey.
    const cv::Mat oneByOne(1, 1, CV_8UC1, cv::Scalar(200));
    for (const auto& [image, judged] :
         { std::pair{ cv::Mat(), cv::Rect(0, 0, 10, 10) }, std::pair{ oneByOne, cv::Rect(0, 0, 1, 1) },
           std::pair{ frame, cv::Rect(box.x, box.y, 0, box.height) }, std::pair{ frame, cv::Rect(-500, -500, 100, 100) },
           std::pair{ frame, cv::Rect(0, 0, INT_MAX, -5) }, std::pair{ frame, cv::Rect(box.x, box.y, 20, 20) },
           std::pair{ cv::Mat(kHeight, kWidth, CV_16UC1, cv::Scalar(30000)), box },
           std::pair{ cv::Mat(9000, 40, CV_8UC1, cv::Scalar(100)), cv::Rect(0, 0, 30, 9000) } }) {
        const FingerQuality q = ScoreFinger(image, judged);
        EXPECT_EQ(std::make_tuple(q.quality, q.sharpness, q.orientation, q.contrast), std::make_tuple(0, 0.0, 0.0, 0.0));
    }
    EXPECT_EQ(ScoreFinger(frame, cv::Rect(box.x, box.y, INT_MAX, INT_MAX)).quality,
              ScoreFinger(frame, cv::Rect(box.x, box.y, kWidth - box.x, kHeight - box.y)).quality);
    cv::Mat colour;
    cv::cvtColor(frame, colour, cv::COLOR_GRAY2BGR);
    EXPECT_EQ(ScoreFinger(colour, box).quality, ScoreFinger(frame, box).quality);
}

// The simulator names its fingers as the app does, and its degraded final image scores the
// spoilt fingers below the others.
TEST(CaptureQuality, SimulatorHandsFollowThePositionsAndItsDegradedFingerScoresBelowTheOthers)
{
    for (const Hand& hand : kHands) {
        std::vector<int> positions;
        for (const FingerShape& finger : ShapeOf(hand.kind).fingers) {
            positions.push_back(finger.position);
        }
        EXPECT_EQ(positions, ModeFingerPositions(hand.mode));
        EXPECT_TRUE(HandArrangementOk(hand.mode, Resting(hand.kind).segments)) << hand.mode;
    }

    const ParseOutcome options = ParseOptions({ "--degrade", "3:blur=3,4:contrast=0.3" });
    ASSERT_EQ(options.error, "");
    const FrameSynthesizer synthesizer(kWidth, kHeight);
    const HandView view = Resting(HandKind::Right4);
    quorvel::tcp::Message served = FinalImageResponse(synthesizer, view, HostileKind::None, options.options.degradations);
    const cv::Mat image(kHeight, kWidth, CV_8UC1, served.body.data() + quorvel::tcp::kImageBlockHeaderSize);
    const std::vector<FingerQualityRecord> fingers = ScoreFingers(image, view.segments, ModeFingerPositions(Right4));
    ASSERT_EQ(fingers.size(), 4u);
    EXPECT_EQ(std::make_tuple(fingers[1].position, fingers[1].posX, fingers[1].width),
              std::make_tuple(3, view.segments[1].posX, view.segments[1].width));
    for (int untouched : { 0, 3 }) {
        EXPECT_GE(fingers[untouched].quality, 70);
        EXPECT_LT(fingers[2].quality, fingers[untouched].quality - 10) << "washed out";
    }
    EXPECT_LT(fingers[1].quality, 40) << "blurred";
    EXPECT_EQ(ScoreFingers(image, view.segments, { 2 })[3].position, kUnknownFingerPosition);
}

TEST(QualityTexts, SummaryBelowMinimumAndUnattendedLines)
{
    const auto finger = [](int position, int quality) {
        FingerQualityRecord record;
        record.position = position;
        record.quality = quality;
        return record;
    };
    const std::vector<FingerQualityRecord> right{ finger(2, 71), finger(3, 23), finger(4, 40), finger(5, 75) };
    EXPECT_EQ(QualitySummary(Right4, right), QString::fromUtf8("4R quality 71 \u00b7 23 \u00b7 40 \u00b7 75"));
    EXPECT_EQ(UnattendedQualityLine(Right4, right), "Quality 4R: 71 23 40 75");
    EXPECT_EQ(BelowMinimumTexts(Right4, right, 40), QStringList{ "4R: finger 3, right middle, quality 23, below 40" });
    EXPECT_EQ(BelowMinimumTexts(Right4, right, 0), QStringList{});
    EXPECT_EQ(BelowMinimumTexts(Thumbs2, { finger(6, 90), finger(0, 5) }, 40),
              QStringList{ "2T: finger ? (segment 2), quality 5, below 40" });
    EXPECT_EQ(QualitySummary(Left4, {}), "4L quality none");
    EXPECT_EQ(UnattendedQualityLine(Left4, {}), "Quality 4L: none");
}

TEST(QualityOverlay, ScoreStandsBesideItsBoxInRedWhenBelowTheMinimum)
{
    cv::Mat display(480, 640, CV_8UC3, cv::Scalar::all(50));
    FingerQualityRecord high{ 2, 100, 200, 80, 120, 71 }, low{ 3, 400, 10, 80, 120, 23 };
    DrawFingerQualities(display, { high, low }, 40);
    const auto count = [&](cv::Rect area, cv::Scalar colour) {
        cv::Mat mask;
        cv::inRange(display(area), colour, colour, mask);
        return cv::countNonZero(mask);
    };
    EXPECT_GT(count({ 100, 160, 140, 40 }, kOverlayTextColour), 0) << "above the box";
    EXPECT_GT(count({ 400, 130, 140, 40 }, kLowQualityColour), 0) << "below the box, no room above";
    EXPECT_EQ(count({ 0, 0, 640, 480 }, kLowQualityColour), count({ 400, 130, 140, 40 }, kLowQualityColour));
}

} // namespace
