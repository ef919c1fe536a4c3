#pragma once

#include <QString>

#include <optional>

// What became of one mode of a run; the review, the status line, the unattended output
// and run.ini all use this one list.
enum class CaptureOutcome {
    Captured,          // captured when every finger was ready, and stored
    Forced,            // captured on the operator's command, and stored
    TimeLimit,         // given up at the unattended run's time limit
    Stopped,           // the operator stopped the run during this mode
    DeviceError,       // a device request failed
    StorageFailed,     // captured, but a file could not be written
    NotReached,        // the run ended before this mode
    AllFingersMissing, // every finger of the mode was marked missing: nothing to capture
};

// "captured", "forced", "time limit", "stopped", "device error", "storage failed",
// "not reached", "all fingers missing".
QString CaptureOutcomeText(CaptureOutcome outcome);
std::optional<CaptureOutcome> CaptureOutcomeFromText(const QString& text);

// Whether the mode counts as complete for the unattended exit code.
bool CaptureOutcomeComplete(CaptureOutcome outcome);
