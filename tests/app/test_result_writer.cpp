#include "ResultWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

#include <opencv2/imgcodecs.hpp>

#include "TestSegments.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

using quorvel::SegmentInfo;

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QByteArray();
    }
    return file.readAll();
}

void WriteText(const QString& path, const QByteArray& text)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

cv::Mat ReadPng(const QString& path)
{
    return cv::imread(QFile::encodeName(path).toStdString(), cv::IMREAD_UNCHANGED);
}

bool Identical(const cv::Mat& a, const cv::Mat& b)
{
    return a.size() == b.size() && a.type() == b.type() && cv::norm(a, b, cv::NORM_INF) == 0.0;
}

// Random pixels, so that every cut-out differs from its neighbours.
cv::Mat RandomImage(int cols, int rows, int type)
{
    cv::Mat image(rows, cols, type);
    cv::randu(image, 0, 256);
    return image;
}

class ResultWriterTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tmp.isValid()); }

    QString Path(const QString& relative) const { return tmp.path() + "/" + relative; }

    // A path below a regular file: no one can create it, not even root.
    QString Unwritable(const QString& below)
    {
        WriteText(Path("file.txt"), "x");
        return Path("file.txt/") + below;
    }

    QTemporaryDir tmp;
    StorageReport report;
};

} // namespace

// --- text files ----------------------------------------------------------------------------

TEST_F(ResultWriterTest, CaptureConfigHoldsTheSixSettingsWithDefaults)
{
    const AppSettings settings;
    ASSERT_TRUE(WriteCaptureConfig(Path("cfg.txt"), settings, report));
    EXPECT_EQ(ReadAll(Path("cfg.txt")), QByteArray("MinWorkflowStep: 1500 ms\n"
                                                   "ThresholdTooHigh: 205 mm\n"
                                                   "ThresholdTooLow: 185 mm\n"
                                                   "ThresholdMoveX: 2.5 px\n"
                                                   "ThresholdMoveY: 3 px\n"
                                                   "ThresholdMoveZ: 20 px\n"));
    EXPECT_TRUE(report.Empty());
}

TEST_F(ResultWriterTest, CaptureConfigUsesSixSignificantDigitsAndReplacesTheOldFile)
{
    WriteText(Path("cfg.txt"), QByteArray(500, '#'));
    AppSettings settings;
    settings.minWorkflowDelayMs = 1234567.0f;
    settings.thresholdMoveY = 0.125f;
    settings.thresholdMoveZ = 3.14159274f;
    ASSERT_TRUE(WriteCaptureConfig(Path("cfg.txt"), settings, report));
    const QByteArray text = ReadAll(Path("cfg.txt"));
    EXPECT_TRUE(text.startsWith("MinWorkflowStep: 1.23457e+06 ms\n")) << text.constData();
    EXPECT_TRUE(text.contains("ThresholdMoveY: 0.125 px\n"));
    EXPECT_TRUE(text.endsWith("ThresholdMoveZ: 3.14159 px\n"));
    EXPECT_FALSE(text.contains('#'));
}

TEST_F(ResultWriterTest, TimesListFinalRawAndFullStepInThatOrderLeavingOutWhatIsOff)
{
    ASSERT_TRUE(WriteTimes(Path("times.txt"), true, 9000000000LL, true, -1, 0, report));
    EXPECT_EQ(ReadAll(Path("times.txt")), QByteArray("FinalProc: 9000000000 ms\n"
                                                     "RawDataRequest: -1 ms\n"
                                                     "FullWorkflowStep: 0 ms\n"));
    ASSERT_TRUE(WriteTimes(Path("times.txt"), false, 0, true, 7, 8, report));
    EXPECT_EQ(ReadAll(Path("times.txt")), QByteArray("RawDataRequest: 7 ms\nFullWorkflowStep: 8 ms\n"));
    ASSERT_TRUE(WriteTimes(Path("times.txt"), false, 11, false, 22, 1234, report));
    EXPECT_EQ(ReadAll(Path("times.txt")), QByteArray("FullWorkflowStep: 1234 ms\n"));
}

TEST_F(ResultWriterTest, BytesAreWrittenUnchanged)
{
    const std::vector<uint8_t> bytes = {0x00, 0x0A, 0x0D, 0x0A, 0xFF, 0x1A, 0x00};
    ASSERT_TRUE(WriteBytes(Path("calibration.calib"), bytes, report));
    const QByteArray written = ReadAll(Path("calibration.calib"));
    EXPECT_EQ(written, QByteArray(reinterpret_cast<const char*>(bytes.data()), int(bytes.size())));
    ASSERT_TRUE(WriteBytes(Path("calibration.calib"), {}, report));
    EXPECT_TRUE(QFileInfo::exists(Path("calibration.calib")));
    EXPECT_EQ(QFileInfo(Path("calibration.calib")).size(), 0);
}

// --- segment measurements ------------------------------------------------------------------

TEST_F(ResultWriterTest, SegmentInfosHoldCountAndEightKeysPerSegment)
{
    const std::vector<SegmentInfo> segments = {
        MakeSegment(120, 340, 180, 420, 197.5f),
        MakeSegment(-3, 7, 1, 2, 123.456789f, -1.25f, 0.5f, 1e-7f),
        MakeSegment(0, 0, 0, 0),
        MakeSegment(1, 2, 3, 4, 200.0f, 3.0f, 4.0f, 5.0f),
    };
    ASSERT_TRUE(WriteSegmentInfosIni(Path("SegmentInfos.ini"), segments, report));

    QSettings ini(Path("SegmentInfos.ini"), QSettings::IniFormat);
    EXPECT_EQ(ini.value("Segments").toULongLong(), 4u);
    EXPECT_EQ(ini.value("Segment0/posX").toString(), "120");
    EXPECT_EQ(ini.value("Segment0/posY").toString(), "340");
    EXPECT_EQ(ini.value("Segment0/height").toString(), "420");
    EXPECT_EQ(ini.value("Segment0/width").toString(), "180");
    EXPECT_EQ(ini.value("Segment0/distance").toString(), "197.5");
    EXPECT_EQ(ini.value("Segment0/moveX").toString(), "0");
    EXPECT_EQ(ini.value("Segment0/moveY").toString(), "0");
    EXPECT_EQ(ini.value("Segment0/moveZ").toString(), "0");
    EXPECT_EQ(ini.value("Segment1/posX").toString(), "-3");
    EXPECT_EQ(ini.value("Segment1/distance").toString(), "123.457");
    EXPECT_EQ(ini.value("Segment1/moveX").toString(), "-1.25");
    EXPECT_EQ(ini.value("Segment1/moveY").toString(), "0.5");
    EXPECT_EQ(ini.value("Segment1/moveZ").toString(), "1e-07");
    EXPECT_EQ(ini.value("Segment3/moveZ").toString(), "5");
    ini.beginGroup("Segment2");
    EXPECT_EQ(ini.childKeys().size(), 8);
    ini.endGroup();
    EXPECT_EQ(ini.childGroups(), QStringList({"Segment0", "Segment1", "Segment2", "Segment3"}));

    const QString text = QString::fromUtf8(ReadAll(Path("SegmentInfos.ini")));
    const int group = text.indexOf("[Segment0]");
    ASSERT_GE(group, 0);
    const int height = text.indexOf("\nheight=420", group);
    const int width = text.indexOf("\nwidth=180", group);
    ASSERT_GE(height, 0);
    EXPECT_LT(height, width);
    EXPECT_LT(width, text.indexOf("[Segment1]"));
}

TEST_F(ResultWriterTest, SegmentInfosRewriteDropsGroupsOfAnEarlierCapture)
{
    const std::vector<SegmentInfo> six(6, MakeSegment(1, 2, 3, 4, 190.0f));
    ASSERT_TRUE(WriteSegmentInfosIni(Path("SegmentInfos.ini"), six, report));
    ASSERT_TRUE(WriteSegmentInfosIni(Path("SegmentInfos.ini"), {MakeSegment(9, 9, 9, 9)}, report));
    QSettings ini(Path("SegmentInfos.ini"), QSettings::IniFormat);
    EXPECT_EQ(ini.value("Segments").toULongLong(), 1u);
    EXPECT_EQ(ini.childGroups(), QStringList({"Segment0"}));
    EXPECT_EQ(ini.value("Segment0/posX").toString(), "9");
}

// --- images --------------------------------------------------------------------------------

TEST_F(ResultWriterTest, ImagesAreStoredExactlyAsDelivered)
{
    const cv::Mat grey = RandomImage(33, 17, CV_8UC1);
    const cv::Mat colour = RandomImage(20, 10, CV_8UC3);
    const cv::Mat deep = RandomImage(12, 9, CV_16UC1);
    ASSERT_TRUE(WriteImagePng(Path("grey.png"), grey, report));
    ASSERT_TRUE(WriteImagePng(Path("colour.png"), colour, report));
    ASSERT_TRUE(WriteImagePng(Path("deep.png"), deep, report));
    EXPECT_TRUE(Identical(ReadPng(Path("grey.png")), grey));
    EXPECT_TRUE(Identical(ReadPng(Path("colour.png")), colour)); // channel order kept
    EXPECT_TRUE(Identical(ReadPng(Path("deep.png")), deep));
    EXPECT_TRUE(report.Empty());
}

TEST_F(ResultWriterTest, EmptyImageIsNotWrittenAndIsNoFailure)
{
    EXPECT_TRUE(WriteImagePng(Path("final.png"), cv::Mat(), report));
    EXPECT_FALSE(QFileInfo::exists(Path("final.png")));
    EXPECT_TRUE(report.Empty());
}

TEST_F(ResultWriterTest, ImageTheEncoderRejectsIsReportedNotThrown)
{
    const cv::Mat twoChannels(4, 4, CV_8UC2, cv::Scalar(1, 2));
    bool written = true;
    EXPECT_NO_THROW(written = WriteImagePng(Path("odd.png"), twoChannels, report));
    EXPECT_FALSE(written);
    EXPECT_EQ(report.FailedPaths(), QStringList({Path("odd.png")}));
}

TEST_F(ResultWriterTest, RawFramesAreNumberedFromOne)
{
    std::vector<cv::Mat> frames;
    for (int i = 0; i < 5; ++i) {
        frames.push_back(RandomImage(16, 8, CV_8UC1));
    }
    ASSERT_TRUE(WriteRawFrames(Path("4R/raw"), frames, report));
    const QStringList files = QDir(Path("4R/raw")).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(files, QStringList({"frame1.png", "frame2.png", "frame3.png", "frame4.png", "frame5.png"}));
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(Identical(ReadPng(Path("4R/raw/frame%1.png").arg(i + 1)), frames[i])) << i;
    }
}

TEST_F(ResultWriterTest, SegmentImagesAreClippedOrSkippedAndKeepTheirIndex)
{
    const cv::Mat finalImage = RandomImage(200, 100, CV_8UC1);
    const int32_t big = std::numeric_limits<int32_t>::max();
    const std::vector<SegmentInfo> segments = {
        MakeSegment(10, 10, 20, 30),     // inside
        MakeSegment(190, 90, 50, 50),    // reaches over the bottom right corner
        MakeSegment(300, 10, 5, 5),      // wholly outside
        MakeSegment(-10, -5, 15, 10),    // reaches over the top left corner
        MakeSegment(50, 50, -5, 10),     // negative size
        MakeSegment(big, big, big, big), // would overflow
        MakeSegment(0, 0, 200, 100),     // the whole image
    };
    ASSERT_TRUE(WriteSegmentImages(Path("4L/segments"), finalImage, segments, report));
    EXPECT_TRUE(report.Empty());

    const QStringList files = QDir(Path("4L/segments")).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(files, QStringList({"0.png", "1.png", "3.png", "6.png"}));
    EXPECT_TRUE(Identical(ReadPng(Path("4L/segments/0.png")), finalImage(cv::Rect(10, 10, 20, 30))));
    EXPECT_TRUE(Identical(ReadPng(Path("4L/segments/1.png")), finalImage(cv::Rect(190, 90, 10, 10))));
    EXPECT_TRUE(Identical(ReadPng(Path("4L/segments/3.png")), finalImage(cv::Rect(0, 0, 5, 5))));
    EXPECT_TRUE(Identical(ReadPng(Path("4L/segments/6.png")), finalImage));
}

// --- failures ------------------------------------------------------------------------------

TEST_F(ResultWriterTest, EnsureDirectoryFailsWhereAFileIsInTheWay)
{
    WriteText(Path("taken"), "x");
    EXPECT_FALSE(EnsureDirectory(Path("taken"), report));
    const QString below = Unwritable("sub/dir");
    EXPECT_FALSE(EnsureDirectory(below, report));
    EXPECT_EQ(report.FailedPaths(), QStringList({Path("taken"), below}));
}

TEST_F(ResultWriterTest, EveryWriterReportsAnUnwritablePathAndGoesOn)
{
    const QString dir = Unwritable("4R");
    const AppSettings settings;
    const cv::Mat image = RandomImage(8, 8, CV_8UC1);
    EXPECT_FALSE(WriteCaptureConfig(dir + "/cfg.txt", settings, report));
    EXPECT_FALSE(WriteImagePng(dir + "/preview.png", image, report));
    EXPECT_FALSE(WriteSegmentInfosIni(dir + "/SegmentInfos.ini", {MakeSegment(1, 2, 3, 4)}, report));
    EXPECT_FALSE(WriteTimes(dir + "/times.txt", true, 1, true, 2, 3, report));
    EXPECT_FALSE(WriteBytes(dir + "/calibration.calib", {1, 2, 3}, report));
    // A directory that cannot be made is named once, not once per image in it.
    EXPECT_FALSE(WriteRawFrames(dir + "/raw", {image, image, image}, report));
    EXPECT_FALSE(WriteSegmentImages(dir + "/segments", image, {MakeSegment(0, 0, 4, 4), MakeSegment(1, 1, 4, 4)}, report));

    const QStringList expected = {dir + "/cfg.txt",     dir + "/preview.png",       dir + "/SegmentInfos.ini",
                                  dir + "/times.txt",   dir + "/calibration.calib", dir + "/raw",
                                  dir + "/segments"};
    EXPECT_EQ(report.FailedPaths(), expected);
    for (const QString& path : expected) {
        EXPECT_TRUE(report.Message().contains(path)) << path.toStdString();
    }
}

TEST_F(ResultWriterTest, FailedFileDoesNotStopTheOthersInTheSameDirectory)
{
    std::vector<cv::Mat> frames = {RandomImage(8, 8, CV_8UC1), cv::Mat(4, 4, CV_8UC2, cv::Scalar(0, 0)),
                                   RandomImage(8, 8, CV_8UC1)};
    EXPECT_FALSE(WriteRawFrames(Path("raw"), frames, report));
    EXPECT_EQ(report.FailedPaths(), QStringList({Path("raw/frame2.png")}));
    EXPECT_TRUE(QFileInfo::exists(Path("raw/frame1.png")));
    EXPECT_TRUE(QFileInfo::exists(Path("raw/frame3.png")));
}
