// The files a mode's results are stored in: their exact text, images as delivered, and
// failures reported without stopping the rest.
#include "ResultWriter.h"
#include "SettingsStore.h"
#include "test_segments.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include <limits>

namespace {

cv::Mat Random(int cols, int rows, int type)
{
    cv::Mat image(rows, cols, type);
    cv::randu(image, 0, 256);
    return image;
}

class ResultWriter : public ::testing::Test {
protected:
    QString Path(const QString& relative) const { return tmp.path() + "/" + relative; }
    QByteArray Read(const QString& relative) const
    {
        QFile file(Path(relative));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    void Write(const QString& relative, const QByteArray& bytes) const
    {
        QFile file(Path(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    bool StoredAs(const QString& relative, const cv::Mat& image) const
    {
        const cv::Mat read = cv::imread(QFile::encodeName(Path(relative)).toStdString(), cv::IMREAD_UNCHANGED);
        return read.size() == image.size() && read.type() == image.type() && cv::norm(read, image, cv::NORM_INF) == 0.0;
    }

    QTemporaryDir tmp;
    StorageReport report;
};

} // namespace

TEST_F(ResultWriter, CaptureConfigHoldsTheSixSettingsWithSixSignificantDigitsAndReplacesTheFile)
{
    ASSERT_TRUE(WriteCaptureConfig(Path("cfg.txt"), DefaultAppSettings(), report));
    EXPECT_EQ(Read("cfg.txt"),
              QByteArray("MinWorkflowStep: 1500 ms\nThresholdTooHigh: 205 mm\nThresholdTooLow: 185 mm\n"
                         "ThresholdMoveX: 2.5 px\nThresholdMoveY: 3 px\nThresholdMoveZ: 20 px\n"));
    Write("cfg.txt", QByteArray(500, '#'));
    AppSettings settings = DefaultAppSettings();
    settings.minWorkflowDelayMs = 1234567.0f;
    settings.thresholdMoveY = 0.125f;
    settings.thresholdMoveZ = 3.14159274f;
    ASSERT_TRUE(WriteCaptureConfig(Path("cfg.txt"), settings, report));
    EXPECT_EQ(Read("cfg.txt"),
              QByteArray("MinWorkflowStep: 1.23457e+06 ms\nThresholdTooHigh: 205 mm\nThresholdTooLow: 185 mm\n"
                         "ThresholdMoveX: 2.5 px\nThresholdMoveY: 0.125 px\nThresholdMoveZ: 3.14159 px\n"));
    EXPECT_TRUE(report.Empty());
}

TEST_F(ResultWriter, TimesListFinalRawAndFullStepInThatOrderLeavingOutWhatIsOff)
{
    ASSERT_TRUE(WriteTimes(Path("times.txt"), true, 9000000000LL, true, -1, 0, report));
    EXPECT_EQ(Read("times.txt"), QByteArray("FinalProc: 9000000000 ms\nRawDataRequest: -1 ms\nFullWorkflowStep: 0 ms\n"));
    ASSERT_TRUE(WriteTimes(Path("times.txt"), false, 0, true, 7, 8, report));
    EXPECT_EQ(Read("times.txt"), QByteArray("RawDataRequest: 7 ms\nFullWorkflowStep: 8 ms\n"));
    ASSERT_TRUE(WriteTimes(Path("times.txt"), false, 11, false, 22, 1234, report));
    EXPECT_EQ(Read("times.txt"), QByteArray("FullWorkflowStep: 1234 ms\n"));
}

// A rewrite drops the groups of an earlier capture.
TEST_F(ResultWriter, SegmentInfosHoldTheCountAndEightKeysPerSegment)
{
    ASSERT_TRUE(WriteSegmentInfosIni(Path("SegmentInfos.ini"), std::vector<quorvel::SegmentInfo>(6, MakeSegment(1, 2, 3, 4)), report));
    ASSERT_TRUE(WriteSegmentInfosIni(
        Path("SegmentInfos.ini"), { MakeSegment(120, 340, 180, 420, 197.5f), MakeSegment(-3, 7, 1, 2, 123.456789f, -1.25f, 0.5f, 1e-7f) },
        report));
    EXPECT_EQ(Read("SegmentInfos.ini").toStdString(),
              "[General]\nSegments=2\n\n"
              "[Segment0]\ndistance=197.5\nheight=420\nmoveX=0\nmoveY=0\nmoveZ=0\nposX=120\nposY=340\nwidth=180\n\n"
              "[Segment1]\ndistance=123.457\nheight=2\nmoveX=-1.25\nmoveY=0.5\nmoveZ=1e-07\nposX=-3\nposY=7\nwidth=1\n");
}

TEST_F(ResultWriter, ImagesAreStoredExactlyAsDeliveredAndAnEmptyOneIsNotWritten)
{
    const cv::Mat grey = Random(33, 17, CV_8UC1), colour = Random(20, 10, CV_8UC3), deep = Random(12, 9, CV_16UC1);
    for (const auto& [name, image] : { std::pair("grey.png", grey), std::pair("colour.png", colour), std::pair("deep.png", deep) }) {
        ASSERT_TRUE(WriteImagePng(Path(name), image, report));
        EXPECT_TRUE(StoredAs(name, image)) << name; // channel order kept
    }
    EXPECT_TRUE(WriteImagePng(Path("final.png"), cv::Mat(), report));
    EXPECT_FALSE(QFileInfo::exists(Path("final.png")));
    EXPECT_TRUE(report.Empty());
}

TEST_F(ResultWriter, SegmentImagesAreClippedOrSkippedAndKeepTheirIndex)
{
    const cv::Mat finalImage = Random(200, 100, CV_8UC1);
    const int32_t big = std::numeric_limits<int32_t>::max();
    ASSERT_TRUE(
        WriteSegmentImages(Path("4L/segments"), finalImage,
                           { MakeSegment(10, 10, 20, 30), /* inside */ MakeSegment(190, 90, 50, 50), /* over the bottom right corner */
                             MakeSegment(300, 10, 5, 5), /* wholly outside */ MakeSegment(-10, -5, 15, 10), /* over the top left corner */
                             MakeSegment(50, 50, -5, 10), /* negative size */ MakeSegment(big, big, big, big), /* would overflow */
                             MakeSegment(0, 0, 200, 100) /* the whole image */ },
                           report));
    EXPECT_TRUE(report.Empty());
    EXPECT_EQ(QDir(Path("4L/segments")).entryList(QDir::Files, QDir::Name), QStringList({ "0.png", "1.png", "3.png", "6.png" }));
    EXPECT_TRUE(StoredAs("4L/segments/0.png", finalImage(cv::Rect(10, 10, 20, 30))));
    EXPECT_TRUE(StoredAs("4L/segments/1.png", finalImage(cv::Rect(190, 90, 10, 10))));
    EXPECT_TRUE(StoredAs("4L/segments/3.png", finalImage(cv::Rect(0, 0, 5, 5))));
    EXPECT_TRUE(StoredAs("4L/segments/6.png", finalImage));
}

// Below a regular file no one can create anything, not even root. A directory that
// cannot be made is named once, not once per file in it.
TEST_F(ResultWriter, EveryWriterReportsAnUnwritablePathAndGoesOnAndSoDoesAFailedFile)
{
    Write("file.txt", "x");
    const QString dir = Path("file.txt/4R");
    const cv::Mat image = Random(8, 8, CV_8UC1);
    EXPECT_FALSE(EnsureDirectory(Path("file.txt"), report));
    EXPECT_FALSE(WriteCaptureConfig(dir + "/cfg.txt", DefaultAppSettings(), report));
    EXPECT_FALSE(WriteImagePng(dir + "/preview.png", image, report));
    EXPECT_FALSE(WriteSegmentInfosIni(dir + "/SegmentInfos.ini", { MakeSegment(1, 2, 3, 4) }, report));
    EXPECT_FALSE(WriteTimes(dir + "/times.txt", true, 1, true, 2, 3, report));
    EXPECT_FALSE(WriteBytes(dir + "/calibration.calib", { 1, 2, 3 }, report));
    EXPECT_FALSE(WriteRawFrames(dir + "/raw", { image, image, image }, report));
    EXPECT_FALSE(WriteSegmentImages(dir + "/segments", image, { MakeSegment(0, 0, 4, 4), MakeSegment(1, 1, 4, 4) }, report));
    const QStringList expected = { Path("file.txt"),   dir + "/cfg.txt",           dir + "/preview.png", dir + "/SegmentInfos.ini",
                                   dir + "/times.txt", dir + "/calibration.calib", dir + "/raw",         dir + "/segments" };
    EXPECT_EQ(report.FailedPaths(), expected);
    EXPECT_EQ(report.Message(), "The capture results could not be written to:\n" + expected.join('\n'));

    // A failed file does not stop the others in the same directory.
    StorageReport rawReport;
    const std::vector<cv::Mat> frames = { Random(8, 8, CV_8UC1), cv::Mat(4, 4, CV_8UC2, cv::Scalar(0, 0)), Random(8, 8, CV_8UC1) };
    EXPECT_NO_THROW(EXPECT_FALSE(WriteRawFrames(Path("raw"), frames, rawReport))); // the encoder refuses two channels
    EXPECT_EQ(rawReport.FailedPaths(), QStringList({ Path("raw/frame2.png") }));
    EXPECT_TRUE(QFileInfo::exists(Path("raw/frame1.png")) && QFileInfo::exists(Path("raw/frame3.png")));
}
