// The run's own small files (run.ini, quality.ini, fingers.ini, SegmentInfos.ini read back)
// and the finger positions they name.
#include "AtomicFile.h"
#include "CaptureMode.h"
#include "FingerMarks.h"
#include "FingerPositions.h"
#include "QualityRecord.h"
#include "ResultWriter.h"
#include "RunDirectory.h"
#include "RunRecord.h"
#include "SegmentInfosFile.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

TEST(RunFiles, RunIniHasItsLayoutAndReadsBack)
{
    RunRecord record;
    record.version = "0.3.0";
    record.person = "M\u00fcller, \"P\"=1";
    record.started = QDateTime(QDate(2026, 12, 7), QTime(9, 15, 2), QTimeZone(3600));
    record.device = "127.0.0.1:60123";
    record.modes = { { Right4, CaptureOutcome::Captured, 1, 2400, 31, 12.5, 196.25 },
                     { Left4, CaptureOutcome::TimeLimit, 1, std::nullopt, 400, 13.0, std::nullopt } };
    EXPECT_EQ(RunIniBytes(record).toStdString(),
              "[Run]\nversion=0.3.0\nperson=M\u00fcller, \"P\"=1\n"
              "started=2026-12-07T09:15:02+01:00\ndevice=127.0.0.1:60123\n"
              "[4R]\noutcome=captured\nattempts=1\ntimeToCaptureMs=2400\n"
              "frames=31\nmeanFps=12.5\nmeanDistanceMm=196.25\n"
              "[4L]\noutcome=time limit\nattempts=1\ntimeToCaptureMs=\n"
              "frames=400\nmeanFps=13\nmeanDistanceMm=\n");

    QTemporaryDir dir;
    record.interchange = InterchangeValues{ "ONDREL", "ONDREL000", 500 };
    ASSERT_TRUE(WriteFileAtomically(dir.filePath("run.ini"), RunIniBytes(record)));
    const std::optional<RunRecord> read = ReadRunIni(dir.filePath("run.ini"));
    ASSERT_TRUE(read);
    EXPECT_EQ(RunIniBytes(*read), RunIniBytes(record));
    EXPECT_EQ(IsoTimeWithOffset(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC)), "2026-01-02T03:04:05+00:00");
}

TEST(RunFiles, FingerMarksOptionAndFile)
{
    const struct {
        const char* text;
        const char* marks; // in the option's form; empty: a usage error
    } cases[] = { { "3", "3:XX" }, { "7:UP,3", "3:XX,7:UP" }, { "10:XX", "10:XX" }, { "0", "" }, { "11", "" },
                  { "3:AB", "" },  { "3,3:UP", "" },          { "3,", "" },         { "", "" },  { "x", "" } };
    for (const auto& c : cases) {
        QString error;
        const std::optional<FingerMarks> marks = ParseFingerMarks(c.text, &error);
        EXPECT_EQ(marks ? FingerMarksText(*marks) : QString(), QString(c.marks)) << c.text;
        EXPECT_EQ(marks.has_value(), error.isEmpty()) << c.text;
    }
    const FingerMarks marks{ { 3, FingerMark::Amputated }, { 7, FingerMark::UnableToPrint } };
    EXPECT_EQ(FingersIniBytes(marks), "[Fingers]\n3=XX\n7=UP\n");
    QTemporaryDir dir;
    ASSERT_TRUE(WriteFileAtomically(dir.filePath("fingers.ini"), FingersIniBytes(marks)));
    EXPECT_EQ(ReadFingersIni(dir.filePath("fingers.ini")), marks);
}

TEST(RunFiles, SegmentsMapToFingerPositionsWithoutTheAbsentOnes)
{
    const FingerMarks none;
    const FingerMarks ringGone{ { 4, FingerMark::Amputated } };
    const FingerMarks indexBandaged{ { 7, FingerMark::UnableToPrint } };
    const FingerMarks thumbsGone{ { 1, FingerMark::Amputated }, { 6, FingerMark::Amputated } };
    const struct {
        int32_t mode;
        const FingerMarks& marks;
        std::size_t count;
        std::vector<int> positions;
    } cases[] = {
        { Right4, none, 4, { 2, 3, 4, 5 } },
        { Left4, none, 4, { 10, 9, 8, 7 } },
        { Thumbs2, none, 2, { 6, 1 } },
        { Right4, none, 3, { 0, 0, 0 } },
        { Right4, ringGone, 3, { 2, 3, 5 } },
        { Right4, ringGone, 4, { 0, 0, 0, 0 } },
        { Left4, indexBandaged, 4, { 10, 9, 8, 7 } },
        { Left4, indexBandaged, 3, { 10, 9, 8 } },
        { Thumbs2, thumbsGone, 0, {} },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SegmentFingerPositions(c.mode, c.count, c.marks), c.positions) << c.mode << " " << c.count;
    }
    EXPECT_EQ(ExpectedSegmentCounts(Right4, none), (std::set<int>{ 4 }));
    EXPECT_EQ(ExpectedSegmentCounts(Left4, indexBandaged), (std::set<int>{ 3, 4 }));
    EXPECT_EQ(ExpectedSegmentCounts(Thumbs2, thumbsGone), (std::set<int>{ 0 }));
    EXPECT_EQ(FingerPositionName(3), "right middle");
}

TEST(RunFiles, QualityAndSegmentFilesReadBackOrAreRefused)
{
    QTemporaryDir dir;
    const std::vector<FingerQualityRecord> fingers{ { 2, 10, 20, 30, 40, 71, 0.1 + 0.2, 0.83, 41.5 } };
    ASSERT_TRUE(WriteFileAtomically(dir.filePath("quality.ini"), QualityIniBytes(fingers)));
    const auto read = ReadQualityIni(dir.filePath("quality.ini"));
    ASSERT_TRUE(read && read->size() == 1);
    EXPECT_EQ((*read)[0].sharpness, 0.1 + 0.2);
    EXPECT_EQ(QualityIniBytes(*read), QualityIniBytes(fingers));

    StorageReport report;
    const std::vector<quorvel::SegmentInfo> segments{ { 10, 20, 30, 40, 196.5f, 0.5f, -1.0f, 2.0f } };
    ASSERT_TRUE(WriteSegmentInfosIni(dir.filePath("SegmentInfos.ini"), segments, report));
    const auto boxes = ReadSegmentInfosIni(dir.filePath("SegmentInfos.ini"));
    ASSERT_TRUE(boxes && boxes->size() == 1);
    EXPECT_EQ((*boxes)[0].width, 30);
    EXPECT_EQ((*boxes)[0].distance, 196.5f);
    for (const char* broken : { "[General]\nSegments=1\n", "[General]\nSegments=x\n",
                                "[General]\nSegments=1\n[Segment0]\nposX=a\nposY=1\nwidth=1\nheight=1\n" }) {
        ASSERT_TRUE(WriteFileAtomically(dir.filePath("bad.ini"), broken));
        QString error;
        EXPECT_FALSE(ReadSegmentInfosIni(dir.filePath("bad.ini"), &error)) << broken;
        EXPECT_FALSE(error.isEmpty());
    }
}

// Two runs in the same second, by this or another process, never share a directory.
TEST(RunFiles, ARunDirectoryIsNeverOneAnEarlierRunMade)
{
    QTemporaryDir base;
    const QString person = base.filePath("P-1");
    EXPECT_EQ(CreateRunDirectory(person, "07_12_26_09_15_02"), person + "/07_12_26_09_15_02");
    EXPECT_EQ(CreateRunDirectory(person, "07_12_26_09_15_02"), person + "/07_12_26_09_15_02_2");
    EXPECT_EQ(CreateRunDirectory(person, "07_12_26_09_15_02"), person + "/07_12_26_09_15_02_3");
    QString error;
    ASSERT_TRUE(WriteFileAtomically(base.filePath("file"), "x"));
    EXPECT_EQ(CreateRunDirectory(base.filePath("file"), "r", &error), QString());
    EXPECT_FALSE(error.isEmpty());

    ASSERT_TRUE(WriteFileAtomically(person + "/07_12_26_09_15_02/cfg.txt", "x"));
    RemoveIfEmpty(person + "/07_12_26_09_15_02");
    RemoveIfEmpty(person + "/07_12_26_09_15_02_2");
    EXPECT_TRUE(QFileInfo::exists(person + "/07_12_26_09_15_02/cfg.txt"));
    EXPECT_FALSE(QFileInfo::exists(person + "/07_12_26_09_15_02_2"));
}

} // namespace
