#pragma once

#include "CaptureMode.h"
#include "FingerMarks.h"
#include "RunRecord.h"

#include <QString>

#include <optional>
#include <vector>

namespace ondrel::testsupport {

// A stored run as the app leaves it, made without a device: per mode a patterned 8-bit grey
// final.png and a SegmentInfos.ini with one box per finger present, fingers.ini when marked,
// run.ini when given.
struct GeneratedRun {
    std::vector<int32_t> modes{ Right4, Left4, Thumbs2 };
    int width = 320;
    int height = 240;
    std::optional<RunRecord> record = GeneratedRunRecord();
    FingerMarks marks;

    // Person "Müller 7", started 2026-12-07T09:15:02+01:00, interchange values
    // ONDRELTEST / AGENCY123 / 500 ppi.
    static RunRecord GeneratedRunRecord();
};

// Writes `run` into `runDirectory` (created). False when a file cannot be written.
bool WriteGeneratedRun(const QString& runDirectory, const GeneratedRun& run);

// What spoils a stored run for export; each applies to the 4R mode of a generated run.
enum class RunFault {
    NothingStored,
    TruncatedFinalImage,
    CorruptFinalImage,
    SegmentKeyMissing,
    SegmentKeyNotNumber,
    BoxOutsideImage,
};
constexpr RunFault kRunFaults[] = { RunFault::NothingStored,     RunFault::TruncatedFinalImage, RunFault::CorruptFinalImage,
                                    RunFault::SegmentKeyMissing, RunFault::SegmentKeyNotNumber, RunFault::BoxOutsideImage };
bool Spoil(const QString& runDirectory, RunFault fault);

} // namespace ondrel::testsupport
