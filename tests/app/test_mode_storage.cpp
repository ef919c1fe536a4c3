// Storing a mode on workers: the requests in their order, the files under the mode's name
// only once all of them are on disk, failures, earlier attempts moved aside, and what a
// store killed halfway leaves.
#include "ModeStorage.h"
#include "SettingsStore.h"
#include "test_segments.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

namespace {

using quorvel::DeviceError;

cv::Mat Random(int cols, int rows, int type)
{
    cv::Mat image(rows, cols, type);
    cv::randu(image, 0, 256);
    return image;
}

// A device whose results requests answer from fixed values and record their order.
struct FakeResults {
    cv::Mat finalImage = Random(120, 90, CV_8UC1);
    std::vector<quorvel::SegmentInfo> segments{ MakeSegment(5, 5, 20, 30), MakeSegment(60, 10, 20, 30) };
    std::vector<cv::Mat> raw{ Random(64, 48, CV_8UC1), Random(64, 48, CV_8UC1), Random(64, 48, CV_8UC1) };
    std::vector<uint8_t> calibration{ 1, 2, 3 };
    QString failing; // the request that fails
    QStringList asked;

    CaptureResultRequests Requests()
    {
        auto answer = [this](const char* name) {
            asked << QLatin1String(name);
            return failing == QLatin1String(name) ? DeviceError{ DeviceError::TIMEOUT, std::string(name) + " timed out" } : DeviceError{};
        };
        return { [this, answer](cv::Mat& image) {
                    image = finalImage;
                    return answer("final");
                },
                 [this, answer](std::vector<quorvel::SegmentInfo>& s) {
                     s = segments;
                     return answer("segments");
                 },
                 [this, answer](std::vector<cv::Mat>& frames) {
                     frames = raw;
                     return answer("raw");
                 },
                 [this, answer](std::vector<uint8_t>& bytes) {
                     bytes = calibration;
                     return answer("calibration");
                 } };
    }
};

class ModeStorage : public ::testing::Test {
protected:
    ModeStoreInput Input(const QString& mode = QStringLiteral("4R")) const
    {
        ModeStoreInput input;
        input.runDirectory = run.path();
        input.modeName = mode;
        input.settings = DefaultAppSettings();
        input.settings.savePreviewImage = input.settings.saveRawData = input.settings.saveCalibrationFile =
            input.settings.saveCaptureTimes = input.settings.saveSegments = input.settings.saveSegmentInformations = true;
        input.preview = Random(40, 30, CV_8UC1);
        input.stepTimer.start();
        input.rawDataMs = 777;
        return input;
    }
    QStringList Entries(const QString& relative = QString()) const
    {
        return QDir(run.filePath(relative)).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }
    QByteArray Bytes(const QString& relative) const
    {
        QFile file(run.filePath(relative));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir run;
    FakeResults device;
};

QByteArray Png(const cv::Mat& image)
{
    std::vector<uchar> bytes;
    cv::imencode(".png", image, bytes);
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()));
}

} // namespace

TEST_F(ModeStorage, TheRequestsComeInOrderAndEveryFileLandsUnderTheModesNameAsTheImageWriterWritesIt)
{
    const ModeStoreInput input = Input();
    const ModeStoreOutcome outcome = StoreMode(input, device.Requests());
    EXPECT_TRUE(outcome.Complete() && outcome.committed);
    EXPECT_EQ(device.asked, QStringList({ "final", "segments", "raw", "calibration" }));
    EXPECT_EQ(Entries(), QStringList({ "4R", "cfg.txt" }));
    EXPECT_EQ(Entries("4R"),
              QStringList({ "SegmentInfos.ini", "calibration.calib", "final.png", "preview.png", "quality.ini", "raw", "segments", "times.txt" }));
    EXPECT_EQ(Entries("4R/raw"), QStringList({ "frame1.png", "frame2.png", "frame3.png" }));
    EXPECT_EQ(Entries("4R/segments"), QStringList({ "0.png", "1.png" }));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Bytes(QStringLiteral("4R/raw/frame%1.png").arg(i + 1)), Png(device.raw[static_cast<std::size_t>(i)]));
    }
    EXPECT_EQ(Bytes("4R/final.png"), Png(device.finalImage));
    EXPECT_EQ(Bytes("4R/preview.png"), Png(input.preview));
    EXPECT_EQ(Bytes("4R/calibration.calib"), QByteArray("\x01\x02\x03"));
    const QList<QByteArray> times = Bytes("4R/times.txt").split('\n');
    ASSERT_EQ(times.size(), 4);
    EXPECT_TRUE(times[0].startsWith("FinalProc: ") && times[1].startsWith("RawDataRequest: ") && times[2].startsWith("FullWorkflowStep: "));
    EXPECT_EQ(
        outcome.storedFiles,
        QStringList({ "preview.png", "final.png", "quality.ini", "segments/ (2)", "SegmentInfos.ini", "raw/ (3)", "calibration.calib", "times.txt" }));
}

// A failed request skips what needs its answer, the rest is stored and the mode is in place;
// RawDataRequest keeps the last step's value when the raw images did not come.
TEST_F(ModeStorage, AFailedRequestSkipsWhatDependsOnItAndTheModeIsStillStored)
{
    const struct {
        const char* failing;
        QStringList asked;
        QStringList files;
    } cases[] = {
        { "final", { "final", "raw", "calibration" }, { "calibration.calib", "preview.png", "raw", "times.txt" } },
        { "segments",
          { "final", "segments", "raw", "calibration" },
          { "calibration.calib", "final.png", "preview.png", "raw", "times.txt" } },
        { "raw",
          { "final", "segments", "raw", "calibration" },
          { "SegmentInfos.ini", "calibration.calib", "final.png", "preview.png", "quality.ini", "segments", "times.txt" } },
    };
    for (const auto& c : cases) {
        QDir(run.path()).removeRecursively();
        device.asked.clear();
        device.failing = QLatin1String(c.failing);
        const ModeStoreOutcome outcome = StoreMode(Input(), device.Requests());
        EXPECT_EQ(device.asked, c.asked) << c.failing;
        ASSERT_EQ(outcome.failedRequests.size(), 1u) << c.failing;
        EXPECT_EQ(outcome.failedRequests[0].message, std::string(c.failing) + " timed out");
        EXPECT_TRUE(outcome.committed && outcome.report.Empty()) << c.failing;
        EXPECT_EQ(Entries("4R"), c.files) << c.failing;
        EXPECT_EQ(Bytes("4R/times.txt").contains("RawDataRequest: 777 ms"), device.failing == "raw") << c.failing;
    }

    // A store that comes to write nothing leaves no mode, and the one stored before in place.
    ModeStoreInput finalOnly = Input();
    finalOnly.settings = DefaultAppSettings();
    device.failing = QStringLiteral("final");
    const ModeStoreOutcome nothing = StoreMode(finalOnly, device.Requests());
    EXPECT_FALSE(nothing.committed);
    EXPECT_TRUE(nothing.report.Empty());
    EXPECT_EQ(Entries(), QStringList({ "4R", "cfg.txt" }));
    EXPECT_EQ(Entries("4R"), cases[2].files);
}

// The file in the way is made by the hook, after the partial directory exists.
TEST_F(ModeStorage, AFileThatCannotBeWrittenKeepsTheModeInItsPartialDirectoryAndSaysWhere)
{
    ModeStoreInput input = Input();
    input.beforeWrite = [this](const QString& relative) {
        if (relative == "raw/frame2.png") {
            QDir().mkpath(run.filePath(".4R.partial/raw/frame2.png"));
        }
    };
    const ModeStoreOutcome outcome = StoreMode(input, device.Requests());
    EXPECT_FALSE(outcome.committed);
    EXPECT_EQ(outcome.report.FailedPaths(), QStringList({ run.filePath(".4R.partial/raw/frame2.png") }));
    EXPECT_TRUE(outcome.StorageMessage().endsWith("\nWhat could be written is kept in " + run.filePath(".4R.partial")));
    EXPECT_EQ(Entries(), QStringList({ ".4R.partial", "cfg.txt" }));
    EXPECT_FALSE(outcome.storedFiles.contains("raw/ (3)"));

    // The next store of the mode leaves that directory alone.
    EXPECT_TRUE(StoreMode(Input(), device.Requests()).committed);
    EXPECT_EQ(Entries(), QStringList({ ".4R.partial", "4R", "cfg.txt" }));
}

// A mode stored again moves the earlier one aside under the next attempt number.
TEST_F(ModeStorage, EarlierAttemptsAreNumberedOnAndOnlyModeNamesCountAsStored)
{
    EXPECT_EQ(ArchiveAttempt(run.path(), "4L"), QString()); // nothing to move
    for (const char* expected : { "4L.1", "4L.2" }) {
        ASSERT_TRUE(StoreMode(Input("4L"), device.Requests()).committed);
        EXPECT_EQ(ArchiveAttempt(run.path(), "4L"), QLatin1String(expected));
    }
    QDir(run.path()).mkdir("4L.7");
    ASSERT_TRUE(StoreMode(Input("4L"), device.Requests()).committed);
    ASSERT_TRUE(StoreMode(Input("4L"), device.Requests()).committed); // the one before becomes 4L.8
    EXPECT_EQ(Entries(), QStringList({ "4L", "4L.1", "4L.2", "4L.7", "4L.8", "cfg.txt" }));

    for (const char* name : { "4R", "4L", "2T", "4R.1", "2T.12" }) {
        EXPECT_TRUE(IsStoredModeName(name)) << name;
    }
    for (const char* name : { ".4R.partial", ".4R.partial.2", "4R.0", "4R.", "4R.x", "raw", "unknown", "cfg.txt" }) {
        EXPECT_FALSE(IsStoredModeName(name)) << name;
    }
}

// The helper stores a mode and holds its writer right before the second raw frame.
TEST_F(ModeStorage, AStoreKilledWhileWritingRawFramesLeavesOnlyThePartialDirectoryWhichTheNextStartFinds)
{
    const QString runDirectory = run.filePath("P-1/05_12_26_14_03_09");
    QProcess helper;
    helper.start(QStringLiteral(ONDREL_STORE_UNTIL_KILLED), { runDirectory });
    ASSERT_TRUE(helper.waitForStarted());
    QByteArray said;
    while (!said.contains("holding") && helper.waitForReadyRead(30000)) {
        said += helper.readAllStandardOutput();
    }
    ASSERT_TRUE(said.contains("holding")) << said.toStdString();
    helper.kill();
    helper.waitForFinished();

    EXPECT_FALSE(QFileInfo::exists(runDirectory + "/4R"));
    EXPECT_TRUE(QFileInfo(runDirectory + "/.4R.partial").isDir());
    EXPECT_EQ(LeftoverPartialDirectories(run.path()), QStringList({ runDirectory + "/.4R.partial" }));
    EXPECT_EQ(LeftoverPartialNotice(LeftoverPartialDirectories(run.path())),
              "A mode that was not stored to the end is kept in " + runDirectory + "/.4R.partial");
}
