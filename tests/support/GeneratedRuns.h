#pragma once

#include <QDateTime>
#include <QString>

#include <array>
#include <optional>
#include <utility>
#include <vector>

namespace ondrel::testsupport {

// What the generator put into one mode of a run, as a reader of its files should find it.
struct GeneratedMode {
    QString name; // "4R", "4L", "2T"
    std::optional<QString> outcome;
    int attempts = 0;
    std::optional<qint64> timeToCaptureMs;
    std::optional<double> meanDistanceMm;
    std::vector<std::pair<int, int>> fingers; // (position, quality); empty when unreadable
    QString missing;                          // "3:XX" for this mode's fingers; empty when none
};

struct GeneratedCollectionRun {
    QString person;
    QString directory;
    QDateTime started;
    std::array<GeneratedMode, 3> modes; // 4R, 4L, 2T
};

// Writes `count` run directories under `base`, with deterministic values: persons with
// commas, quotes and umlauts, every outcome, retakes and missing fingers. With `faults`
// some runs lack run.ini (an older run), some have one that is garbage, some a corrupt
// quality.ini or no SegmentInfos.ini; hidden directories lie beside them. Returns what a
// reader should find, in the order written.
std::vector<GeneratedCollectionRun> GenerateRuns(const QString& base, int count, bool faults);

} // namespace ondrel::testsupport
