#pragma once

#include "CaptureOutcome.h"
#include "SegmentInfo.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// What one mode of a run came to, as run.ini keeps it.
struct ModeRunRecord {
    int32_t mode = 0;                      // CaptureMode
    std::optional<CaptureOutcome> outcome; // empty: unknown (read from an unreadable file)
    int attempts = 0;
    std::optional<int64_t> timeToCaptureMs;
    std::optional<int64_t> frames;
    std::optional<double> meanFps;
    std::optional<double> meanDistanceMm; // of the captured segments; empty when none
};

// The values an ANSI/NIST-ITL file of the run uses, fixed when the run starts.
struct InterchangeValues {
    QString transactionType;
    QString agencyId;
    int resolutionPpi = 0; // 0: unknown
};

// run.ini at the root of a run directory: who, when, which device, and per mode its outcome.
struct RunRecord {
    QString version;
    QString person;
    QDateTime started; // local time with its UTC offset
    QString device;    // HOST:PORT
    std::vector<ModeRunRecord> modes;
    std::optional<InterchangeValues> interchange;

    ModeRunRecord* FindMode(int32_t mode);
    const ModeRunRecord* FindMode(int32_t mode) const;
};

// The mean distance of the segments a mode was captured with, to 0.01 mm; empty when there
// are none (or none with a finite distance).
std::optional<double> MeanDistanceMm(const std::vector<quorvel::SegmentInfo>& segments);
double RoundedToHundredths(double value);

// What a mode's live view saw: frames shown, time in it and time until the capture.
struct ModeLiveStats {
    int64_t frames = 0;
    int64_t liveMs = 0;
    int64_t captureMs = 0;
};

// The record of one attempt at a mode: its outcome, the live view's frames and mean rate, and
// for a captured mode the time to capture and the mean distance of `capturedSegments`.
ModeRunRecord ModeAttempt(int32_t mode, CaptureOutcome outcome, const ModeLiveStats& live,
                          const std::vector<quorvel::SegmentInfo>& capturedSegments);

// ISO 8601 with the UTC offset, "2026-12-07T09:15:02+01:00" (never "Z").
QString IsoTimeWithOffset(const QDateTime& time);

// The file's bytes: "[Run]" with version, person, started, device; a group per mode
// ("[4R]": outcome, attempts, timeToCaptureMs, frames, meanFps, meanDistanceMm, empty when
// unknown); then "[Interchange]" when set.
QByteArray RunIniBytes(const RunRecord& record);

// Reads a run.ini leniently: what is missing or unreadable stays unknown. std::nullopt when
// the file cannot be read or has no [Run] group.
std::optional<RunRecord> ReadRunIni(const QString& path);
