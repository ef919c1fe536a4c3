#pragma once

#include "CaptureMode.h"
#include "CaptureOutcome.h"
#include "FingerMarks.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// The modes of a run in workflow order; nothing else under a run directory counts as a mode.
inline constexpr std::array<int32_t, 3> kRunModes{Right4, Left4, Thumbs2};

// One finger's score as quality.ini keeps it.
struct FingerScore {
    int position = 0; // standard finger position; 0 unknown
    int quality = 0;  // 0–100
};

// What the files of a run directory tell about one of its modes. Empty optionals are
// values the files do not tell (missing, unreadable or from before the file existed).
struct ModeRow {
    int32_t mode = Right4;
    std::optional<CaptureOutcome> outcome;
    int attempts = 0; // from run.ini, else the attempt directories on disk
    std::optional<int64_t> timeToCaptureMs;
    std::optional<double> meanDistanceMm;
    std::vector<FingerScore> fingers; // from quality.ini, in segment order
    std::optional<int> minQuality;
    std::optional<double> meanQuality;
    std::optional<FingerMarks> missing; // the marks of this mode's fingers; empty when fingers.ini is absent
};

// One run: a directory <base>/<person>/<dd_MM_yy_hh_mm_ss>[_N].
struct RunRow {
    QString person;
    QDateTime started; // invalid: unknown
    QString directory; // absolute path
    std::array<ModeRow, kRunModes.size()> modes;
};

// The start time a run directory's name gives ("07_12_26_09_15_02", also with a "_2"
// suffix), as local time; invalid for any other name.
QDateTime RunStartFromDirectoryName(const QString& name);

// Reads what a run directory holds: run.ini, fingers.ini at its root; SegmentInfos.ini and
// quality.ini of each mode's latest attempt; the attempt directories. Never fails: what
// cannot be read stays unknown. `personDirectoryName` names the person when run.ini does not.
RunRow ReadRunDirectory(const QString& runDirectory, const QString& personDirectoryName);

// Every run directory under `baseDirectory` (person directories, then their run directories;
// names starting with a dot skipped), sorted by path. std::nullopt, with `error` set, when
// the base directory does not exist or cannot be read.
std::optional<QStringList> ListRunDirectories(const QString& baseDirectory, QString* error);

// Whether `a` is listed before `b`: newest first, runs of unknown start last, then by
// directory (descending, so "_2" comes before the run it followed).
bool ListedBefore(const RunRow& a, const RunRow& b);

// Reads every run under `baseDirectory`, handing the rows over in batches of up to
// `batchSize` together with how many runs were read so far and in all. Stops early when
// `cancel` becomes true. False, with `error` set, when the base directory cannot be listed.
using RunBatchHandler = std::function<void(std::vector<RunRow> batch, int done, int total)>;
bool ScanRuns(const QString& baseDirectory, int batchSize, const RunBatchHandler& onBatch,
              const std::atomic_bool* cancel, QString* error);

// All runs under `baseDirectory`, newest first; std::nullopt as for ListRunDirectories.
std::optional<std::vector<RunRow>> ReadAllRuns(const QString& baseDirectory, QString* error);
