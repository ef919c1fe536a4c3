// The run as an ANSI/NIST-ITL file: what a stored run gives, read back by a reader of its own.
#include "AtomicFile.h"
#include "GeneratedRun.h"
#include "InterchangeFile.h"
#include "InterchangeReader.h"
#include "QualityRecord.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <opencv2/imgcodecs.hpp>

#include <functional>
#include <iterator>

#include <gtest/gtest.h>

using namespace ondrel::testsupport;

namespace {

const InterchangeValues kFallback{ "FALLBACK", "FALLBACK9", 0 };

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::vector<InterchangeRecord> ReadBack(const QString& path)
{
    QString error;
    const auto records = ReadInterchangeFile(ReadAll(path), &error);
    EXPECT_TRUE(records) << error.toStdString();
    return records.value_or(std::vector<InterchangeRecord>{});
}

QList<QByteArray> FirstItems(const InterchangeRecord& record, int field, std::size_t subfields)
{
    const auto items = record.Items(field);
    EXPECT_EQ(items.size(), subfields) << field;
    return items.empty() ? QList<QByteArray>{} : items.front();
}

TEST(InterchangeFile, AWholeRunGivesOneImageRecordPerModeWithItsBoxesAndMarks)
{
    QTemporaryDir base;
    const QString run = base.filePath("M\u00fcller 7/07_12_26_09_15_02");
    GeneratedRun generated;
    generated.marks = { { 3, FingerMark::Amputated }, { 7, FingerMark::UnableToPrint } };
    ASSERT_TRUE(WriteGeneratedRun(run, generated));
    // Earlier and unfinished attempts are no latest attempt; their broken images must not be read.
    for (const QString other : { "/4L.1", "/.4R.partial" }) {
        ASSERT_TRUE(QDir().mkpath(run + other) && WriteFileAtomically(run + other + "/final.png", "junk"));
    }
    QString error;
    QStringList warnings;
    ASSERT_TRUE(WriteRunInterchangeFile(run, run + "/run.an2", kFallback, &error, &warnings)) << error.toStdString();
    EXPECT_TRUE(warnings.isEmpty());

    const std::vector<InterchangeRecord> records = ReadBack(run + "/run.an2");
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0].Value(4), "ONDRELTEST");
    EXPECT_EQ(records[0].Value(5), "20261207");
    EXPECT_EQ(records[0].Value(7), "AGENCY123");
    EXPECT_EQ(records[0].Value(8), "AGENCY123");
    EXPECT_EQ(records[0].Value(9), "07_12_26_09_15_02_Mller7_5cbbedf9");
    const struct {
        const char* mode;
        const char* fgp;
        std::size_t segments;
        QList<QByteArray> firstSegment; // position, left, right, top, bottom
        QList<QByteArray> missing;      // the first AMP subfield; empty: none
    } expected[] = {
        { "4R", "13", 3, { "2", "8", "71", "20", "199" }, { "3", "XX" } },
        { "4L", "14", 4, { "10", "8", "71", "20", "199" }, { "7", "UP" } },
        { "2T", "15", 2, { "6", "8", "71", "20", "199" }, {} },
    };
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const auto& e = expected[i];
        SCOPED_TRACE(e.mode);
        const InterchangeRecord& image = records[i + 1];
        EXPECT_EQ(image.type, 14);
        EXPECT_EQ(image.Value(2), QByteArray::number(int(i) + 1));
        // IMP, SRC, FCD, HLL, VLL, SLC, THPS, TVPS, CGA, BPX, FGP
        QByteArrayList values;
        for (int field = 3; field <= 13; ++field) {
            values << image.Value(field);
        }
        EXPECT_EQ(values.join(' '), QByteArray("24 AGENCY123 20261207 320 240 1 500 500 PNG 8 ") + e.fgp);
        EXPECT_EQ(FirstItems(image, 21, e.segments), e.firstSegment);
        EXPECT_EQ(FirstItems(image, 18, e.missing.isEmpty() ? 0 : 1), e.missing);
        EXPECT_EQ(image.Value(999), ReadAll(run + "/" + e.mode + "/final.png"));
    }
}

TEST(InterchangeFile, ARunWithoutRunIniTakesTheFallbackValuesTheDateInItsNameAndBoxesFromQualityIni)
{
    QTemporaryDir base;
    const QString run = base.filePath("P-9/05_01_27_10_00_00_2");
    GeneratedRun generated;
    generated.modes = { Thumbs2 };
    generated.record.reset();
    ASSERT_TRUE(WriteGeneratedRun(run, generated));
    ASSERT_TRUE(QFile::remove(run + "/2T/SegmentInfos.ini"));
    // A box reaching past the right edge is clipped; one of an unknown finger names no finger.
    ASSERT_TRUE(WriteFileAtomically(run + "/2T/quality.ini", QualityIniBytes({ { 6, 300, 10, 50, 20, 80 }, { 0, 10, 10, 20, 20, 50 } })));
    QString error;
    ASSERT_TRUE(WriteRunInterchangeFile(run, run + "/run.an2", kFallback, &error)) << error.toStdString();

    const std::vector<InterchangeRecord> records = ReadBack(run + "/run.an2");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].Value(4), "FALLBACK");
    EXPECT_EQ(records[0].Value(5), "20270105");
    EXPECT_EQ(records[0].Value(9), "05_01_27_10_00_00_2_P-9_ce1f7402");
    EXPECT_EQ(records[1].Value(8), "0");
    EXPECT_EQ(records[1].Value(9), "1");
    EXPECT_EQ(records[1].Value(10), "1");
    EXPECT_EQ(FirstItems(records[1], 21, 1), (QList<QByteArray>{ "6", "300", "319", "10", "29" }));
    EXPECT_FALSE(records[1].Has(18));
}

TEST(InterchangeFile, BrokenRunsAreRefusedAndImagesOfAnotherKindLeftOutWithAWarning)
{
    const struct {
        RunFault fault;
        const char* message;
    } faults[] = {
        { RunFault::NothingStored, "/P/01_02_26_03_04_05: nothing to export" },
        { RunFault::TruncatedFinalImage, "4R/final.png: not a complete PNG image" },
        { RunFault::CorruptFinalImage, "4R/final.png: not a complete PNG image" },
        { RunFault::SegmentKeyMissing, "4R/SegmentInfos.ini: [Segment1] lacks a key" },
        { RunFault::SegmentKeyNotNumber, "4R/SegmentInfos.ini: [Segment1] lacks a key" },
        { RunFault::BoxOutsideImage, "4R/SegmentInfos.ini: segment 2 (168, 5000, 64 x 180) lies wholly outside the 320 x 240" },
    };
    static_assert(std::size(faults) == std::size(kRunFaults));
    for (const auto& f : faults) {
        SCOPED_TRACE(f.message);
        QTemporaryDir base;
        const QString run = base.filePath("P/01_02_26_03_04_05");
        ASSERT_TRUE(WriteGeneratedRun(run, {}) && Spoil(run, f.fault));
        QString error;
        EXPECT_FALSE(WriteRunInterchangeFile(run, run + "/run.an2", kFallback, &error));
        EXPECT_TRUE(error.contains(QString::fromUtf8(f.message))) << error.toStdString();
        EXPECT_FALSE(QFile::exists(run + "/run.an2"));
    }

    QTemporaryDir base;
    ASSERT_TRUE(WriteGeneratedRun(base.path(), {}));
    ASSERT_TRUE(cv::imwrite(base.filePath("4R/final.png").toStdString(), cv::Mat(40, 40, CV_16UC1, cv::Scalar(700))));
    ASSERT_TRUE(cv::imwrite(base.filePath("2T/final.png").toStdString(), cv::Mat(40, 40, CV_8UC3, cv::Scalar(1, 2, 3))));
    const std::optional<CollectedInterchange> collected = CollectInterchangeInput(base.path(), kFallback);
    ASSERT_TRUE(collected);
    ASSERT_EQ(collected->input.images.size(), 1u);
    EXPECT_EQ(collected->input.images[0].mode, Left4);
    ASSERT_EQ(collected->warnings.size(), 2);
    EXPECT_TRUE(collected->warnings[0].contains("4R/final.png is 16-bit grey, not 8-bit single-channel"))
        << collected->warnings[0].toStdString();
    EXPECT_TRUE(collected->warnings[1].contains("2T/final.png is 8-bit RGB")) << collected->warnings[1].toStdString();
}

TEST(InterchangeFile, TransactionNumberAndValuesKeepTheFormatsRules)
{
    const struct {
        const char* person;
        const char* tcn;
    } numbers[] = {
        { "M\u00fcller 7", "r_Mller7_5cbbedf9" },
        { "\u6e21\u8fba", "r__36310712" },
        { "", "r__e3b0c442" },
        { "Anna-Lena_Schmidt-Wei\u00dfenberger-von-Hohenzollern", "r_Anna-LenaSchmidt-Weienbe_d14a3c80" },
    };
    for (const auto& n : numbers) {
        EXPECT_EQ(InterchangeTransactionControlNumber("r", QString::fromUtf8(n.person)), n.tcn);
    }

    const InterchangeInput valid{ { "ONDREL", "ONDREL000", 0 },
                                  QDate(2026, 1, 2),
                                  "r",
                                  "p",
                                  { { Right4, 10, 10, QByteArray("\x89PNG\r\n\x1a\n", 8), { { 2, 0, 9, 0, 9 } }, {} } } };
    ASSERT_TRUE(InterchangeFileBytes(valid));
    const std::function<void(InterchangeInput&)> breaks[] = {
        [](InterchangeInput& in) { in.values.transactionType = "ONDREL1"; },
        [](InterchangeInput& in) { in.values.transactionType = "ABCDEFGHIJKLMNOPQ"; },
        [](InterchangeInput& in) { in.values.agencyId = "M\u00fcller"; },
        [](InterchangeInput& in) { in.values.agencyId.clear(); },
        [](InterchangeInput& in) { in.values.resolutionPpi = 2001; },
        [](InterchangeInput& in) { in.date = QDate(); },
        [](InterchangeInput& in) { in.runName = "r\u00e9"; },
        [](InterchangeInput& in) { in.images.clear(); },
        [](InterchangeInput& in) { in.images[0].width = 9; },
        [](InterchangeInput& in) { in.images[0].png = "GIF89a"; },
        [](InterchangeInput& in) { in.images[0].segments[0].right = 10; },
        [](InterchangeInput& in) { in.images[0].segments[0].position = 0; },
    };
    for (std::size_t i = 0; i < std::size(breaks); ++i) {
        InterchangeInput input = valid;
        breaks[i](input);
        QString error;
        EXPECT_FALSE(InterchangeFileBytes(input, &error)) << i;
        EXPECT_FALSE(error.isEmpty()) << i;
    }
}

} // namespace
