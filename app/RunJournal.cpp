#include "RunJournal.h"

#include "AppLog.h"
#include "AppVersion.h"
#include "AtomicFile.h"
#include "InterchangeFile.h"
#include "RunDirectory.h"

#include <QFile>

RunRecord RunJournal::NewRecord(const QString& person, const QString& device, const std::vector<int32_t>& modes,
                                const AppSettings& settings)
{
    RunRecord record{AppVersionText(), person, QDateTime::currentDateTime(), device, {}, {}};
    for (int32_t mode : modes) {
        record.modes.push_back({mode, CaptureOutcome::NotReached, 0, {}, {}, {}, {}});
    }
    record.interchange = InterchangeValuesOf(settings);
    return record;
}

QString RunJournal::Open(const QString& personDirectory, const QString& runName, const RunRecord& header,
                         const FingerMarks& marks, bool keepRecord)
{
    *this = RunJournal{};
    QString problem;
    QString runDirectory = CreateRunDirectory(personDirectory, runName, &problem);
    if (runDirectory.isEmpty()) {
        qCWarning(lcRun).noquote() << "Run directory not created:" << problem;
        runDirectory = personDirectory + QLatin1Char('/') + runName;
    }
    // A run that stores nothing leaves nothing behind, not even its record.
    if (keepRecord && !Begin(runDirectory, header, marks, &problem)) {
        qCWarning(lcRun).noquote() << "run.ini not written:" << problem;
    }
    return runDirectory;
}

void RunJournal::Resume(const QString& runDirectory, const RunRecord& header, const FingerMarks& marks)
{
    QString problem;
    const std::optional<RunRecord> earlier = ReadRunIni(runDirectory + QStringLiteral("/run.ini"));
    if (!earlier) {
        Begin(runDirectory, header, marks, &problem);
        return;
    }
    directory = runDirectory;
    record = *earlier;
    if (!SetMarks(marks, &problem)) {
        qCWarning(lcRun).noquote() << "fingers.ini not written:" << problem;
    }
}

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
