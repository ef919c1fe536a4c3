#include "RunJournal.h"

#include "AtomicFile.h"

#include <QFile>

bool RunJournal::Begin(const QString& runDirectory, const RunRecord& header, const FingerMarks& marks, QString* error)
{
    directory = runDirectory;
    record = header;
    for (ModeRunRecord& mode : record.modes) {
        mode = ModeRunRecord{mode.mode, CaptureOutcome::NotReached, 0, {}, {}, {}, {}};
    }
    const bool written = WriteRunIni(error);
    return SetMarks(marks, error) && written;
}

bool RunJournal::RecordAttempt(ModeRunRecord attempt, QString* error)
{
    ModeRunRecord* earlier = record.FindMode(attempt.mode);
    attempt.attempts = (earlier != nullptr ? earlier->attempts : 0) + 1;
    if (earlier != nullptr) {
        *earlier = attempt;
    } else {
        record.modes.push_back(attempt);
    }
    return WriteRunIni(error);
}

bool RunJournal::SetMarks(const FingerMarks& marks, QString* error)
{
    const QString path = directory + QStringLiteral("/fingers.ini");
    if (directory.isEmpty()) {
        return true;
    }
    if (marks.empty()) {
        return !QFile::exists(path) || QFile::remove(path);
    }
    return WriteFileAtomically(path, FingersIniBytes(marks), error);
}

bool RunJournal::WriteRunIni(QString* error) const
{
    if (directory.isEmpty()) {
        return true;
    }
    return WriteFileAtomically(directory + QStringLiteral("/run.ini"), RunIniBytes(record), error);
}
