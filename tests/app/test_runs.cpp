// The runs under a base directory read back: the table's order and filter, the summary of
// the runs shown and the CSV, against what the generator wrote (faults included).
#include "CsvRecords.h"
#include "GeneratedRuns.h"
#include "RunsCsv.h"
#include "RunsSummary.h"
#include "RunsTableModel.h"

#include <QDir>
#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using ondrel::testsupport::GeneratedMode;
using ondrel::testsupport::GeneratedCollectionRun;

namespace {

std::optional<double> MiddleValue(std::vector<double> values)
{
    if (values.empty()) {
        return std::nullopt;
    }
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

class Runs : public ::testing::Test {
protected:
    void SetUp() override
    {
        truth = ondrel::testsupport::GenerateRuns(base.path(), 100, true);
        for (GeneratedCollectionRun& run : truth) {
            run.directory = QDir(run.directory).absolutePath();
        }
        // Newest first; runs of the same second by directory, "_2" before the first.
        std::sort(truth.begin(), truth.end(), [](const GeneratedCollectionRun& a, const GeneratedCollectionRun& b) {
            return a.started != b.started ? a.started > b.started : a.directory > b.directory;
        });
    }
    QTemporaryDir base;
    std::vector<GeneratedCollectionRun> truth;
};

} // namespace

TEST_F(Runs, TheTableListsNewestFirstAndItsSummaryAgreesWithTheRunsShown)
{
    RunsTableModel model;
    RunsFilterProxy proxy;
    proxy.setSourceModel(&model);
    QString error;
    ASSERT_TRUE(ScanRuns(
        base.path(), 7, [&](std::vector<RunRow> rows, int, int) { model.AppendRows(rows); }, nullptr, &error));
    ASSERT_EQ(proxy.rowCount(), 100);
    for (int row = 0; row < 100; ++row) {
        ASSERT_EQ(proxy.ShownRow(row).directory, truth[row].directory) << row;
    }

    const struct {
        const char* person;
        std::optional<QDate> from, to;
    } filters[] = { { "", {}, {} },
                    { "M\u00dcLLER", {}, {} },
                    { "\"", {}, {} },
                    { "", QDate(2026, 3, 5), QDate(2026, 3, 9) },
                    { "p", QDate(2026, 3, 12), {} } };
    for (const auto& filter : filters) {
        SCOPED_TRACE(filter.person);
        proxy.SetPersonText(QString::fromUtf8(filter.person));
        proxy.SetDateRange(filter.from, filter.to);
        std::vector<const GeneratedCollectionRun*> shown;
        for (const GeneratedCollectionRun& run : truth) {
            const QDate day = run.started.toLocalTime().date();
            if (run.person.contains(QString::fromUtf8(filter.person), Qt::CaseInsensitive) && (!filter.from || day >= *filter.from)
                && (!filter.to || day <= *filter.to)) {
                shown.push_back(&run);
            }
        }
        ASSERT_EQ(proxy.rowCount(), static_cast<int>(shown.size()));
        const RunsSummary summary = SummarizeRuns(proxy.ShownRows());
        EXPECT_EQ(summary.runs, static_cast<int>(shown.size()));

        std::map<int, std::vector<double>> scores;
        int allKnown = 0;
        for (int m = 0; m <= 3; ++m) {
            int automatic = 0, forced = 0, givenUp = 0, known = 0;
            std::vector<double> times;
            for (const GeneratedCollectionRun* run : shown) {
                for (int i = 0; i < 3; ++i) {
                    const GeneratedMode& mode = run->modes[i];
                    if (m < 3 && i != m) {
                        continue;
                    }
                    known += mode.outcome.has_value();
                    automatic += mode.outcome == "captured";
                    forced += mode.outcome == "forced";
                    givenUp += mode.outcome == "time limit" || mode.outcome == "stopped";
                    if (mode.timeToCaptureMs) {
                        times.push_back(*mode.timeToCaptureMs);
                    }
                    for (const auto& [position, quality] : mode.fingers) {
                        if (m == 3) {
                            scores[position].push_back(quality);
                        }
                    }
                }
            }
            const ModeSummary& got = m < 3 ? summary.modes[m] : summary.allModes;
            SCOPED_TRACE(m);
            EXPECT_EQ(got.automatic, automatic);
            EXPECT_EQ(got.forced, forced);
            EXPECT_EQ(got.givenUp, givenUp);
            EXPECT_EQ(got.withOutcome, known);
            EXPECT_EQ(got.medianTimeToCaptureMs, MiddleValue(times));
            if (known > 0) {
                EXPECT_DOUBLE_EQ(*got.Share(forced), 100.0 * forced / known);
            }
            allKnown += m < 3 ? known : 0;
        }
        EXPECT_EQ(summary.allModes.withOutcome, allKnown);
        std::vector<FingerQualitySummary> fingers;
        for (auto& [position, values] : scores) {
            fingers.push_back({ position, static_cast<int>(values.size()), *MiddleValue(values),
                                static_cast<int>(*std::min_element(values.begin(), values.end())) });
        }
        ASSERT_EQ(summary.fingers.size(), fingers.size());
        for (std::size_t i = 0; i < fingers.size(); ++i) {
            EXPECT_EQ(summary.fingers[i].position, fingers[i].position);
            EXPECT_EQ(summary.fingers[i].scores, fingers[i].scores);
            EXPECT_DOUBLE_EQ(summary.fingers[i].median, fingers[i].median);
            EXPECT_EQ(summary.fingers[i].lowest, fingers[i].lowest);
        }
    }
}

// Read with a reader of the test's own, in a locale whose decimal separator is a comma.
TEST_F(Runs, TheCsvHasOneRecordPerModeThatReadsBackFieldByField)
{
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QString error;
    const auto rows = ReadAllRuns(base.path(), &error);
    ASSERT_TRUE(rows) << error.toStdString();
    const QByteArray bytes = RunsCsvBytes(*rows);
    QLocale::setDefault(previous);

    ASSERT_TRUE(bytes.startsWith("person,started,run_directory,mode,outcome,attempts,time_to_capture_ms,mean_distance_mm,"
                                 "min_quality,mean_quality,missing_fingers\r\n"));
    const auto records = ParseCsvRecords(bytes);
    ASSERT_TRUE(records);
    ASSERT_EQ(records->size(), 1u + 3 * truth.size());
    const QRegularExpression iso(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d[+-]\\d\\d:\\d\\d$"));
    for (std::size_t r = 1; r < records->size(); ++r) {
        const QStringList& record = (*records)[r];
        const GeneratedCollectionRun& run = truth[(r - 1) / 3];
        const GeneratedMode& mode = run.modes[(r - 1) % 3];
        SCOPED_TRACE(record.join(QLatin1Char('|')).toStdString());
        ASSERT_EQ(record.size(), 11);
        EXPECT_EQ(record[0], run.person);
        EXPECT_TRUE(iso.match(record[1]).hasMatch());
        EXPECT_EQ(QDateTime::fromString(record[1], Qt::ISODate), run.started);
        EXPECT_EQ(record[2], run.directory);
        EXPECT_EQ(record[3], mode.name);
        EXPECT_EQ(record[4], mode.outcome.value_or(QString()));
        EXPECT_EQ(record[5], QString::number(mode.attempts));
        EXPECT_EQ(record[6], mode.timeToCaptureMs ? QString::number(*mode.timeToCaptureMs) : QString());
        EXPECT_EQ(record[7], mode.meanDistanceMm ? QString::asprintf("%.2f", *mode.meanDistanceMm) : QString());
        int lowest = 100, sum = 0;
        for (const auto& finger : mode.fingers) {
            lowest = std::min(lowest, finger.second);
            sum += finger.second;
        }
        const bool scored = !mode.fingers.empty();
        EXPECT_EQ(record[8], scored ? QString::number(lowest) : QString());
        EXPECT_EQ(record[9], scored ? QString::asprintf("%.2f", double(sum) / mode.fingers.size()) : QString());
        EXPECT_EQ(record[10], mode.missing);
    }

    QTemporaryDir other;
    for (const QString& missing : { QString(), other.filePath(QStringLiteral("none")) }) {
        EXPECT_FALSE(ReadAllRuns(missing, &error));
        EXPECT_TRUE(error.endsWith(QStringLiteral("\" does not exist."))) << error.toStdString();
    }
}
