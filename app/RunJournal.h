#pragma once

#include "AppSettings.h"
#include "FingerMarks.h"
#include "RunRecord.h"

#include <QString>

#include <cstdint>
#include <vector>

// The record a run keeps of itself at the root of its directory: run.ini, rewritten after
// each mode and each retake, and fingers.ini when fingers are marked missing. Both are
// written to a temporary name and renamed, so they always describe what is on disk.
// A journal that has not begun keeps its record in memory only.
class RunJournal {
public:
    // The start of a run's record: who, when, which device, the interchange values of the
    // settings in force, and `modes` not reached yet.
    static RunRecord NewRecord(const QString& person, const QString& device, const std::vector<int32_t>& modes,
                               const AppSettings& settings);

public:
    // Starts the record with every mode of `header` not reached yet and writes the files.
    // False, with `error` saying why, when a file cannot be written; the record is kept
    // either way, so that the next write may still succeed.
    bool Begin(const QString& runDirectory, const RunRecord& header, const FingerMarks& marks, QString* error);
    // Creates the directory of a new run exclusively (CreateRunDirectory) and, when the run
    // keeps a record, begins it there. Returns the run's directory: the one created, or the
    // intended one when none could be (each mode then reports its storage failure). Problems
    // go to the log.
    QString Open(const QString& personDirectory, const QString& runName, const RunRecord& header,
                 const FingerMarks& marks, bool keepRecord);
    // Goes on with the record of an earlier run in `runDirectory` (a retake): its run.ini as
    // it is, else a new record from `header`; the marks become `marks`.
    void Resume(const QString& runDirectory, const RunRecord& header, const FingerMarks& marks);

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
