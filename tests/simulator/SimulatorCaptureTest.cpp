// Capture mode, live frames and the results of a captured frame, through the device client.
#include "CaptureCheck.h"
#include "Device.h"
#include "SimProcess.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <opencv2/core.hpp>

#include <chrono>
#include <string>

namespace {
using ondrel::simtest::Presented;
using ondrel::simtest::WhyNotCapturable;
using ondrel::testsupport::SimProcess;

constexpr int kWidth = 640;
constexpr int kHeight = 512;

class SimulatorCapture : public ::testing::Test {
protected:
    void Launch(std::vector<std::string> args = {})
    {
        args.insert(args.end(), { "--width", std::to_string(kWidth), "--height", std::to_string(kHeight) });
        sim = std::make_unique<SimProcess>(args);
        const quorvel::DeviceError connected = device.Connect(sim->host(), sim->port());
        ASSERT_EQ(connected.code, 0u) << connected.message;
    }

    quorvel::DeviceError Frame()
    {
        return device.GetFrame(image, segments, frameId);
    }

    std::unique_ptr<SimProcess> sim;
    quorvel::Device device;
    cv::Mat image;
    std::vector<quorvel::SegmentInfo> segments;
    uint32_t frameId = 0;
};

double MeanInside(const cv::Mat& image, const quorvel::SegmentInfo& s)
{
    return cv::mean(image(cv::Rect(s.posX, s.posY, s.width, s.height)))[0];
}

TEST_F(SimulatorCapture, CaptureIsRefusedOutsideCaptureMode)
{
    Launch();
    quorvel::DeviceError result = Frame();
    EXPECT_EQ(result.code, 5u);
    EXPECT_EQ(result.message, "not in capture mode");

    ASSERT_EQ(device.Start().code, 0u);
    EXPECT_EQ(Frame().code, 0u);
    ASSERT_EQ(device.Stop().code, 0u);
    result = Frame();
    EXPECT_EQ(result.code, 5u);
    EXPECT_EQ(result.message, "not in capture mode");
}

TEST_F(SimulatorCapture, FramesAreGreyWithBrightFingertipsWhereTheSegmentsAre)
{
    Launch({ "--settle-ms", "0" });
    ASSERT_EQ(device.Start().code, 0u);
    ASSERT_EQ(Frame().code, 0u);
    const uint32_t firstId = frameId;
    EXPECT_EQ(image.type(), CV_8UC1);
    EXPECT_EQ(image.cols, kWidth);
    EXPECT_EQ(image.rows, kHeight);
    ASSERT_EQ(segments.size(), 4u);

    // Above the fingertips there is only background; the palm lies below them.
    int top = image.rows;
    for (const auto& s : segments) {
        top = std::min(top, s.posY);
    }
    const double background = cv::mean(image(cv::Rect(0, 0, image.cols, top)))[0];
    EXPECT_LT(background, 60.0);
    for (const auto& s : segments) {
        EXPECT_GT(MeanInside(image, s), 2.0 * background);
        // Ridges: a fingertip is textured, not a flat blob.
        cv::Scalar mean, deviation;
        cv::meanStdDev(image(cv::Rect(s.posX, s.posY + s.height / 4, s.width, s.height / 2)), mean, deviation);
        EXPECT_GT(deviation[0], 15.0);
    }

    ASSERT_EQ(Frame().code, 0u);
    EXPECT_GT(frameId, firstId);
}

TEST_F(SimulatorCapture, ResultsBelongToTheFrameThatWasIssued)
{
    Launch({ "--settle-ms", "0" });
    ASSERT_EQ(device.Start().code, 0u);
    ASSERT_EQ(Frame().code, 0u);
    const cv::Mat frame = image.clone();
    const auto frameSegments = segments;
    const uint32_t captured = frameId;
    ASSERT_EQ(Frame().code, 0u); // a later frame does not replace the captured one

    cv::Mat finalImage;
    ASSERT_EQ(device.GetFinalImage(finalImage, captured).code, 0u);
    EXPECT_EQ(finalImage.type(), CV_8UC1);
    EXPECT_GE(finalImage.cols, frame.cols);
    EXPECT_GE(finalImage.rows, frame.rows);

    std::vector<quorvel::SegmentInfo> finals;
    ASSERT_EQ(device.GetFinalSegmentInfos(finals, captured).code, 0u);
    ASSERT_EQ(finals.size(), frameSegments.size());
    for (std::size_t i = 0; i < finals.size(); ++i) {
        const cv::Rect box(finals[i].posX, finals[i].posY, finals[i].width, finals[i].height);
        EXPECT_EQ(box, cv::Rect(frameSegments[i].posX, frameSegments[i].posY, frameSegments[i].width,
                           frameSegments[i].height));
        ASSERT_EQ(box & cv::Rect(0, 0, finalImage.cols, finalImage.rows), box);
        EXPECT_GT(cv::mean(finalImage(box))[0], 80.0); // the cut-out holds the fingertip
    }

    std::vector<cv::Mat> raw;
    ASSERT_EQ(device.GetRawImages(raw, captured).code, 0u);
    ASSERT_EQ(raw.size(), 3u);
    for (const auto& take : raw) {
        EXPECT_EQ(take.size(), frame.size());
        EXPECT_EQ(take.type(), CV_8UC1);
    }
    EXPECT_GT(cv::norm(raw[0], raw[1], cv::NORM_L1), 0.0); // separate takes, not copies

    std::vector<uint8_t> calibration;
    ASSERT_EQ(device.GetCalibrationFile(calibration).code, 0u);
    const std::string text(calibration.begin(), calibration.end());
    EXPECT_NE(text.find("sensor_width=640\n"), std::string::npos) << text;
}

TEST_F(SimulatorCapture, UnknownFrameIdsAreAnsweredWithAnErrorText)
{
    Launch({ "--raw-images", "2" });
    ASSERT_EQ(device.Start().code, 0u);
    ASSERT_EQ(Frame().code, 0u);
    const uint32_t unknown = frameId + 1000;

    cv::Mat finalImage;
    EXPECT_EQ(device.GetFinalImage(finalImage, unknown).message,
        "quorvel::Device::GetFinalImageunknown frame id " + std::to_string(unknown));
    std::vector<quorvel::SegmentInfo> finals;
    EXPECT_EQ(device.GetFinalSegmentInfos(finals, unknown).message,
        "quorvel::Device::GetFinalSegmentInfosunknown frame id " + std::to_string(unknown));
    std::vector<cv::Mat> raw;
    EXPECT_EQ(device.GetRawImages(raw, unknown).message,
        "quorvel::Device::GetRawImagesunknown frame id " + std::to_string(unknown));
    ASSERT_EQ(device.GetRawImages(raw, frameId).code, 0u);
    EXPECT_EQ(raw.size(), 2u);
}

// The person presents right, left and thumbs; each becomes capturable with the default
// thresholds once it has settled, and the sound moves on to the next hand.
TEST_F(SimulatorCapture, WalksThroughRightLeftAndThumbsEachBecomingCapturable)
{
    Launch({ "--settle-ms", "150" });
    for (int run = 0; run < 2; ++run) {
        ASSERT_EQ(device.Start().code, 0u); // always begins with the right hand
        for (Presented hand : { Presented::Right4, Presented::Left4, Presented::Thumbs2 }) {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            std::string why = "no frame";
            while (!why.empty() && std::chrono::steady_clock::now() < deadline) {
                ASSERT_EQ(Frame().code, 0u);
                why = WhyNotCapturable(segments, hand, image.cols, image.rows);
            }
            EXPECT_EQ(why, "") << "hand " << static_cast<int>(hand) << " in run " << run;
            ASSERT_EQ(device.PlaySound(2).code, 0u);
        }
        ASSERT_EQ(device.Stop().code, 0u);
    }
}

TEST_F(SimulatorCapture, PreparedFrameServesTheSameSettledFrameUnderFreshIds)
{
    Launch({ "--prepared-frame", "--raw-images", "4" });
    ASSERT_EQ(device.Start().code, 0u);
    ASSERT_EQ(Frame().code, 0u);
    const cv::Mat first = image.clone();
    const uint32_t firstId = frameId;
    EXPECT_EQ(WhyNotCapturable(segments, Presented::Right4, image.cols, image.rows), "");

    ASSERT_EQ(device.PlaySound(2).code, 0u); // no scene to move on
    ASSERT_EQ(Frame().code, 0u);
    EXPECT_GT(frameId, firstId);
    EXPECT_EQ(cv::norm(first, image, cv::NORM_INF), 0.0);

    std::vector<cv::Mat> raw;
    ASSERT_EQ(device.GetRawImages(raw, firstId).code, 0u);
    EXPECT_EQ(raw.size(), 4u);
    cv::Mat finalImage;
    ASSERT_EQ(device.GetFinalImage(finalImage, frameId).code, 0u);
    EXPECT_EQ(cv::norm(first, finalImage, cv::NORM_INF), 0.0);
    std::vector<quorvel::SegmentInfo> finals;
    ASSERT_EQ(device.GetFinalSegmentInfos(finals, frameId).code, 0u);
    EXPECT_EQ(finals.size(), 4u);
}

} // namespace
