// ondrel-sim running, through the device client: links, capture, access levels, firmware.
#include "CaptureCheck.h"
#include "Device.h"
#include "DeviceBytes.h"
#include "SimProcess.h"
#include "SslUtil.h"

#include <gtest/gtest.h>

#include <opencv2/core.hpp>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <future>

namespace {
using namespace ondrel::testsupport;
using ondrel::simtest::Presented;
using ondrel::simtest::WhyNotCapturable;

class Simulator : public ::testing::Test {
protected:
    void Launch(std::vector<std::string> args = {})
    {
        args.insert(args.end(), { "--width", "640", "--height", "512" });
        sim = std::make_unique<SimProcess>(args);
        ASSERT_EQ(device.Connect(sim->host(), sim->port()).code, DeviceError::OK);
    }
    DeviceError Frame() { return device.GetFrame(image, segments, frameId); }
    // After a good upload the device drops every link and restarts: waits for `old` to see
    // its link closed, then for a new one to connect.
    std::unique_ptr<Device> Restarted(Device& old)
    {
        EXPECT_EQ(LocalErrorText(old.AwaitResponse(10000)), "(): quorvel error - connection not established");
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        auto fresh = std::make_unique<Device>();
        while (fresh->Connect(sim->host(), sim->port()).failed() && std::chrono::steady_clock::now() < deadline) {
            fresh = std::make_unique<Device>();
        }
        return fresh;
    }

    std::unique_ptr<SimProcess> sim;
    Device device;
    cv::Mat image;
    std::vector<SegmentInfo> segments;
    uint32_t frameId = 0;
};

// Links

TEST_F(Simulator, AnswersBackToBackRequestsInOrderAndNamesWhatItDoesNotServe)
{
    Launch();
    const std::pair<Message, Message> exchanges[] = {
        { Message(MessageType::GET, "auth_group"), MakeMessage(MessageType::GET, ZeroTerminated("GUEST")) },
        { Message(MessageType::GET_NAME), MakeMessage(MessageType::GET_NAME, ZeroTerminated("ondrel-sim")) },
        { Message(MessageType::PING), Message(MessageType::PING) },
        { Message(MessageType::RESTART_DEVICE),
          MakeMessage(MessageType::RESTART_DEVICE, ZeroTerminated("message type RESTART_DEVICE (65) is not served"), true) },
        { Message(static_cast<MessageType>(7)),
          MakeMessage(static_cast<MessageType>(7), ZeroTerminated("message type UNKNOWN (7) is not served"), true) },
        { Message(MessageType::GET, "serial_of_the_moon"),
          MakeMessage(MessageType::GET, ZeroTerminated("unknown key 'serial_of_the_moon'"), true) },
        { Message(MessageType::GET, "auth_group"), MakeMessage(MessageType::GET, ZeroTerminated("GUEST")) },
    };
    for (const auto& exchange : exchanges) {
        ASSERT_EQ(device.Send(exchange.first).code, DeviceError::OK);
    }
    for (const auto& exchange : exchanges) {
        EXPECT_EQ(WireBytes(device.AwaitResponse(5000)), WireBytes(exchange.second));
    }
    // SIGTERM ends it with exit code 0 while clients are connected, closing their links.
    EXPECT_EQ(sim->Stop(), 0);
    EXPECT_EQ(LocalErrorText(device.AwaitResponse(5000)), "(): quorvel error - connection not established");
}

// Capture

TEST_F(Simulator, CaptureModeGivesGreyFramesWithTexturedBrightFingertipsWhereTheSegmentsAre)
{
    Launch({ "--settle-ms", "0" });
    EXPECT_EQ(Frame().message, "not in capture mode");
    ASSERT_EQ(device.Start().code, DeviceError::OK);
    ASSERT_EQ(Frame().code, DeviceError::OK);
    const uint32_t firstId = frameId;
    EXPECT_EQ(image.type(), CV_8UC1);
    EXPECT_EQ(image.size(), cv::Size(640, 512));
    ASSERT_EQ(segments.size(), 4u);
    // Above the fingertips there is only background; the palm lies below them.
    int top = image.rows;
    for (const auto& s : segments) {
        top = std::min(top, s.posY);
    }
    const double background = cv::mean(image(cv::Rect(0, 0, image.cols, top)))[0];
    EXPECT_LT(background, 60.0);
    for (const auto& s : segments) {
        EXPECT_GT(cv::mean(image(cv::Rect(s.posX, s.posY, s.width, s.height)))[0], 2.0 * background);
        cv::Scalar mean, deviation;
        cv::meanStdDev(image(cv::Rect(s.posX, s.posY + s.height / 4, s.width, s.height / 2)), mean, deviation);
        EXPECT_GT(deviation[0], 15.0); // ridges, not a flat blob
    }
    ASSERT_EQ(Frame().code, DeviceError::OK);
    EXPECT_GT(frameId, firstId);
    ASSERT_EQ(device.Stop().code, DeviceError::OK);
    EXPECT_EQ(Frame().message, "not in capture mode");
    std::vector<uint8_t> calibration;
    ASSERT_EQ(device.GetCalibrationFile(calibration).code, DeviceError::OK);
    EXPECT_NE(TextOf(calibration).find("sensor_width=640\n"), std::string::npos);
}

TEST_F(Simulator, ResultsBelongToTheFrameThatWasIssuedAndUnknownIdsAreNamed)
{
    Launch({ "--settle-ms", "0" });
    ASSERT_EQ(device.Start().code, DeviceError::OK);
    ASSERT_EQ(Frame().code, DeviceError::OK);
    const cv::Mat frame = image.clone();
    const auto frameSegments = segments;
    const uint32_t captured = frameId;
    ASSERT_EQ(Frame().code, DeviceError::OK); // a later frame does not replace the captured one

    cv::Mat finalImage;
    ASSERT_EQ(device.GetFinalImage(finalImage, captured).code, DeviceError::OK);
    EXPECT_EQ(finalImage.type(), CV_8UC1);
    EXPECT_TRUE(finalImage.cols >= frame.cols && finalImage.rows >= frame.rows);
    ASSERT_EQ(device.GetFinalSegmentInfos(segments, captured).code, DeviceError::OK);
    ASSERT_EQ(segments.size(), frameSegments.size());
    for (std::size_t i = 0; i < segments.size(); ++i) {
        const cv::Rect box(segments[i].posX, segments[i].posY, segments[i].width, segments[i].height);
        EXPECT_EQ(box, cv::Rect(frameSegments[i].posX, frameSegments[i].posY, frameSegments[i].width, frameSegments[i].height));
        ASSERT_EQ(box & cv::Rect(0, 0, finalImage.cols, finalImage.rows), box);
        EXPECT_GT(cv::mean(finalImage(box))[0], 80.0); // the cut-out holds the fingertip
    }
    std::vector<cv::Mat> raw;
    ASSERT_EQ(device.GetRawImages(raw, captured).code, DeviceError::OK);
    ASSERT_EQ(raw.size(), 3u);
    EXPECT_EQ(raw[0].size(), frame.size());
    EXPECT_GT(cv::norm(raw[0], raw[1], cv::NORM_L1), 0.0); // separate takes, not copies

    const uint32_t unknown = frameId + 1000;
    const std::string tail = "unknown frame id " + std::to_string(unknown);
    EXPECT_EQ(device.GetFinalImage(finalImage, unknown).message, "quorvel::Device::GetFinalImage" + tail);
    EXPECT_EQ(device.GetFinalSegmentInfos(segments, unknown).message, "quorvel::Device::GetFinalSegmentInfos" + tail);
    EXPECT_EQ(device.GetRawImages(raw, unknown).message, "quorvel::Device::GetRawImages" + tail);
}

// The person presents right, left and thumbs; each becomes capturable with the default
// thresholds once it has settled, and the sound moves on to the next hand.
TEST_F(Simulator, WalksThroughRightLeftAndThumbsEachBecomingCapturable)
{
    Launch({ "--settle-ms", "150" });
    for (int run = 0; run < 2; ++run) {
        ASSERT_EQ(device.Start().code, DeviceError::OK); // always begins with the right hand
        for (Presented hand : { Presented::Right4, Presented::Left4, Presented::Thumbs2 }) {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            std::string why = "no frame";
            while (!why.empty() && std::chrono::steady_clock::now() < deadline) {
                ASSERT_EQ(Frame().code, DeviceError::OK);
                why = WhyNotCapturable(segments, hand, image.cols, image.rows);
            }
            EXPECT_EQ(why, "") << "hand " << static_cast<int>(hand) << " in run " << run;
            ASSERT_EQ(device.PlaySound(2).code, DeviceError::OK);
        }
        ASSERT_EQ(device.Stop().code, DeviceError::OK);
    }
}

// A person without a right middle finger (3) and left index finger (7) who, asked for the
// right hand, first holds out the left one: three fingertips in range and still, but in the
// left hand's order, then the right hand with a gap where its middle finger would be.
TEST_F(Simulator, PresentsMissingFingersAndTheWrongHandFirst)
{
    Launch({ "--settle-ms", "0", "--missing-fingers", "3,7", "--wrong-hand", "4R" });
    ASSERT_EQ(device.Start().code, DeviceError::OK);
    ASSERT_EQ(Frame().code, DeviceError::OK);
    EXPECT_EQ(WhyNotCapturable(segments, Presented::Left4, image.cols, image.rows, 3), "");
    for (Presented hand : { Presented::Right4, Presented::Left4 }) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        std::string why = "no frame";
        while (!why.empty() && std::chrono::steady_clock::now() < deadline) {
            ASSERT_EQ(Frame().code, DeviceError::OK);
            why = WhyNotCapturable(segments, hand, image.cols, image.rows, 3);
        }
        ASSERT_EQ(why, "") << "hand " << static_cast<int>(hand);
        if (hand == Presented::Right4) {
            // Nothing but background between the index and ring fingertips.
            const SegmentInfo& index = segments[0];
            const SegmentInfo& ring = segments[1];
            const int gapLeft = index.posX + index.width + 4;
            ASSERT_GT(ring.posX - 4, gapLeft);
            const cv::Rect gap(gapLeft, std::min(index.posY, ring.posY), ring.posX - 4 - gapLeft, index.height / 2);
            EXPECT_LT(cv::mean(image(gap))[0], 60.0);
        }
        ASSERT_EQ(device.PlaySound(2).code, DeviceError::OK);
    }
}

TEST_F(Simulator, PreparedFrameServesTheSameSettledFrameUnderFreshIds)
{
    Launch({ "--prepared-frame", "--raw-images", "4" });
    ASSERT_EQ(device.Start().code, DeviceError::OK);
    ASSERT_EQ(Frame().code, DeviceError::OK);
    const cv::Mat first = image.clone();
    const uint32_t firstId = frameId;
    EXPECT_EQ(WhyNotCapturable(segments, Presented::Right4, image.cols, image.rows), "");
    ASSERT_EQ(device.PlaySound(2).code, DeviceError::OK); // no scene to move on
    ASSERT_EQ(Frame().code, DeviceError::OK);
    EXPECT_GT(frameId, firstId);
    EXPECT_EQ(cv::norm(first, image, cv::NORM_INF), 0.0);
    std::vector<cv::Mat> raw;
    ASSERT_EQ(device.GetRawImages(raw, firstId).code, DeviceError::OK);
    EXPECT_EQ(raw.size(), 4u);
    cv::Mat finalImage;
    ASSERT_EQ(device.GetFinalImage(finalImage, frameId).code, DeviceError::OK);
    EXPECT_EQ(cv::norm(first, finalImage, cv::NORM_INF), 0.0);
}

// Access levels, with one RSA and one EC key pair made for the suite

class SimulatorAuth : public Simulator {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE((keys = std::make_unique<KeyPairs>())->made); }
    static void TearDownTestSuite() { keys.reset(); }
    static std::string Key(const std::string& level) { return keys->Key(level); }
    void Launch() { Simulator::Launch({ "--keys", keys->dir.Path().string() }); }

    static inline std::unique_ptr<KeyPairs> keys;
};

TEST_F(SimulatorAuth, KeysGrantTheirLevelsPerConnectionAndOtherKeysAreRefused)
{
    Launch();
    ASSERT_EQ(device.Authenticate("USER", Key("USER")).code, DeviceError::OK);
    EXPECT_EQ(Level(device), "USER");
    // Another level's key, a level without a public key, and the shortcut's name in lower case.
    for (const char* level : { "ADMIN", "DEV", "guest" }) {
        EXPECT_EQ(device.Authenticate(level, Key("USER")).message, "Authentification as " + std::string(level) + " failed.");
    }
    EXPECT_EQ(Level(device), "USER"); // a refusal takes nothing away
    ASSERT_EQ(device.Authenticate("ADMIN", Key("ADMIN")).code, DeviceError::OK);
    EXPECT_EQ(Level(device), "ADMIN");
    Device other;
    ASSERT_EQ(other.Connect(sim->host(), sim->port()).code, DeviceError::OK);
    EXPECT_EQ(Level(other), "GUEST");
    ASSERT_EQ(device.Authenticate("GUEST", "").code, DeviceError::OK); // needs no key
    EXPECT_EQ(Level(device), "GUEST");
}

TEST_F(SimulatorAuth, OnlyASignatureOverTheLatestChallengeCountsAndOnlyOnce)
{
    Launch();
    std::string older;
    std::string latest;
    ASSERT_EQ(device.RequestValidation(older).code, DeviceError::OK);
    ASSERT_EQ(device.RequestValidation(latest).code, DeviceError::OK);
    EXPECT_EQ(latest.size(), 64u);
    EXPECT_NE(older, latest); // fresh every time
    EXPECT_EQ(device.SendAuthResponse("USER", quorvel::SignChallenge(older, Key("USER"))).code, DeviceError::RESPONSE_ERROR);
    std::string challenge;
    ASSERT_EQ(device.RequestValidation(challenge).code, DeviceError::OK);
    const auto signature = quorvel::SignChallenge(challenge, Key("USER"));
    EXPECT_EQ(device.SendAuthResponse("USER", signature).code, DeviceError::OK);
    EXPECT_EQ(device.SendAuthResponse("USER", signature).code, DeviceError::RESPONSE_ERROR); // a replay
    EXPECT_EQ(Level(device), "USER");
}

TEST_F(SimulatorAuth, RefusalCarriesAZeroTerminatedTextAndChallengesAreText)
{
    Launch();
    ASSERT_EQ(device.Send(Message(MessageType::AUTH_REQUEST)).code, DeviceError::OK);
    const Message challenge = device.AwaitResponse(5000);
    ASSERT_EQ(challenge.body.size(), 65u);
    EXPECT_EQ(challenge.body.back(), 0);
    ASSERT_EQ(device.Send(Message(MessageType::AUTH_RESPONSE, "../USER").Append(uint32_t{ 0xDEADBEEF })).code, DeviceError::OK);
    const Message refusal = device.AwaitResponse(5000);
    EXPECT_TRUE(refusal.header.error);
    EXPECT_EQ(refusal.body, ZeroTerminated("access level ../USER refused: not a level name"));
}

// At --fps 30 each of two connections at once gets about thirty live frames a second: one
// waiting for its next frame holds up no other.
TEST(SimulatorPacing, EachConnectionGetsLiveFramesAtTheScannersRate)
{
    SimProcess sim({ "--fps", "30", "--width", "320", "--height", "240" });
    const auto framesInASecond = [&sim] {
        Device device;
        cv::Mat image;
        std::vector<SegmentInfo> segments;
        uint32_t frameId = 0;
        int frames = 0;
        if (device.Connect(sim.host(), sim.port()).code == DeviceError::OK && device.Start().code == DeviceError::OK) {
            for (const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1);
                 std::chrono::steady_clock::now() < end && device.GetFrame(image, segments, frameId).code == 0;) {
                ++frames;
            }
        }
        return frames;
    };
    auto other = std::async(std::launch::async, framesInASecond);
    for (const int frames : { framesInASecond(), other.get() }) {
        EXPECT_GE(frames, 20);
        EXPECT_LE(frames, 45);
    }
}

// Firmware

TEST_F(Simulator, StoresEachFirmwareUploadByteForByteAndRefusesAnEmptyOne)
{
    TempDir sources;
    TempDir stored;
    Launch({ "--firmware-dir", stored.Path().string(), "--restart-ms", "1000" });
    Device bystander;
    ASSERT_EQ(bystander.Connect(sim->host(), sim->port()).code, DeviceError::OK);
    Bytes large(700 * 1024);
    for (std::size_t i = 0; i < large.size(); ++i) {
        large[i] = static_cast<uint8_t>(i * 31 + 7);
    }
    const Bytes small{ 0x00, 0x5A, 0xFF, 0x0A, 0x0D };
    ASSERT_EQ(device.UploadFirmware(sources.Write("small.zpxfw", small)).code, DeviceError::OK);
    // Every link closes without another word, and no connection is taken while restarting.
    EXPECT_EQ(LocalErrorText(bystander.AwaitResponse(10000)), "(): quorvel error - connection not established");
    Device early;
    EXPECT_EQ(early.Connect(sim->host(), sim->port()).message, "quorvel::Device::Connect(): quorvel error - connection refused");
    const auto second = Restarted(device);
    ASSERT_EQ(Level(*second), "GUEST");
    ASSERT_EQ(second->UploadFirmware(sources.Write("large.zpxfw", large)).code, DeviceError::OK);
    const auto third = Restarted(*second);
    EXPECT_EQ(third->UploadFirmware(sources.Write("empty.zpxfw", {})).message, "quorvel::Device::UploadFirmwarefirmware image is empty");
    const auto content = [&](const char* name) {
        std::ifstream file(stored.File(name), std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    };
    EXPECT_EQ(content("firmware-1.zpxfw"), small);
    EXPECT_EQ(content("firmware-2.zpxfw"), large);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(stored.Path()), {}), 2);
}

TEST_F(Simulator, UnwritableFirmwareDirectoryIsReportedToTheClient)
{
    TempDir dir;
    Launch({ "--firmware-dir", dir.Write("blocked", { 1 }) }); // a file where the directory should be
    const DeviceError result = device.UploadFirmware(dir.Write("fw.zpxfw", { 1, 2, 3 }));
    EXPECT_EQ(result.code, DeviceError::RESPONSE_ERROR);
    EXPECT_EQ(result.message.rfind("quorvel::Device::UploadFirmwaredevice failure: ", 0), 0u) << result.message;
    EXPECT_EQ(Level(device), "GUEST"); // the simulator goes on serving
}

} // namespace
