#pragma once

#include "FingerMarks.h"
#include "RunRecord.h"

#include <QString>

// The record a run keeps of itself at the root of its directory: run.ini, rewritten after
// each mode and each retake, and fingers.ini when fingers are marked missing. Both are
// written to a temporary name and renamed, so they always describe what is on disk.
// A journal that has not begun keeps its record in memory only.
class RunJournal {
public:
    // Starts the record with every mode of `header` not reached yet and writes the files.
    // False, with `error` saying why, when a file cannot be written; the record is kept
    // either way, so that the next write may still succeed.
    bool Begin(const QString& runDirectory, const RunRecord& header, const FingerMarks& marks, QString* error);
    // Records one attempt at a mode (its attempts counted from the earlier ones) and rewrites
    // run.ini.
    bool RecordAttempt(ModeRunRecord attempt, QString* error);
    // The marks in force from now on (a retake may change them); rewrites fingers.ini, and
    // removes it when no finger is marked.
    bool SetMarks(const FingerMarks& marks, QString* error);

    const RunRecord& Record() const { return record; }
    const QString& Directory() const { return directory; }

private:
    bool WriteRunIni(QString* error) const;

    QString directory;
    RunRecord record;
};
