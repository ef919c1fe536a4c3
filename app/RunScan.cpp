#include "RunScan.h"

#include "FingerPositions.h"
#include "QualityRecord.h"
#include "RunRecord.h"
#include "SegmentInfosFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace {

QStringList VisibleSubdirectories(const QDir& dir)
{
    QStringList names = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Readable, QDir::Name);
    names.erase(std::remove_if(names.begin(), names.end(),
                               [](const QString& name) { return name.startsWith(QLatin1Char('.')); }),
                names.end());
    return names;
}

// The latest attempt lives in "<mode>/", earlier ones in "<mode>.1/", "<mode>.2/", …
int AttemptsOnDisk(const QStringList& runSubdirectories, int32_t mode)
{
    const QString name = QLatin1String(CaptureModeDirectoryName(mode));
    int attempts = 0;
    for (const QString& subdirectory : runSubdirectories) {
        if (subdirectory == name) {
            ++attempts;
        } else if (subdirectory.startsWith(name + QLatin1Char('.'))) {
            bool number = false;
            const int n = subdirectory.mid(name.size() + 1).toInt(&number);
            attempts += number && n > 0 ? 1 : 0;
        }
    }
    return attempts;
}

std::optional<double> MeanDistance(const QString& segmentInfosPath)
{
    const auto segments = ReadSegmentInfosIni(segmentInfosPath);
    if (!segments || segments->empty()) {
        return std::nullopt;
    }
    double sum = 0.0;
    for (const quorvel::SegmentInfo& segment : *segments) {
        sum += segment.distance;
    }
    return sum / static_cast<double>(segments->size());
}

void ReadQuality(const QString& qualityPath, ModeRow& row)
{
    const auto fingers = ReadQualityIni(qualityPath);
    if (!fingers || fingers->empty()) {
        return;
    }
    int sum = 0;
    int lowest = fingers->front().quality;
    for (const FingerQualityRecord& finger : *fingers) {
        row.fingers.push_back({finger.position, finger.quality});
        sum += finger.quality;
        lowest = std::min(lowest, finger.quality);
    }
    row.minQuality = lowest;
    row.meanQuality = static_cast<double>(sum) / static_cast<double>(fingers->size());
}

FingerMarks MarksOfMode(const FingerMarks& marks, int32_t mode)
{
    FingerMarks ofMode;
    for (int position : ModeFingerPositions(mode)) {
        if (const auto found = marks.find(position); found != marks.end()) {
            ofMode.insert(*found);
        }
    }
    return ofMode;
}

} // namespace

QDateTime RunStartFromDirectoryName(const QString& name)
{
    static const QRegularExpression pattern(
        QStringLiteral("^(\\d\\d)_(\\d\\d)_(\\d\\d)_(\\d\\d)_(\\d\\d)_(\\d\\d)(_[1-9]\\d*)?$"));
    const QRegularExpressionMatch match = pattern.match(name);
    if (!match.hasMatch()) {
        return QDateTime();
    }
    const auto field = [&match](int i) { return match.capturedRef(i).toInt(); };
    // The name's two-digit year belongs to this century.
    const QDate date(2000 + field(3), field(2), field(1));
    const QTime time(field(4), field(5), field(6));
    if (!date.isValid() || !time.isValid()) {
        return QDateTime();
    }
    return QDateTime(date, time, Qt::LocalTime);
}

RunRow ReadRunDirectory(const QString& runDirectory, const QString& personDirectoryName)
{
    const QDir dir(runDirectory);
    RunRow row;
    row.directory = dir.absolutePath();
    row.person = personDirectoryName;
    row.started = RunStartFromDirectoryName(dir.dirName());

    const std::optional<RunRecord> record = ReadRunIni(dir.filePath(QStringLiteral("run.ini")));
    if (record) {
        if (!record->person.isEmpty()) {
            row.person = record->person;
        }
        if (record->started.isValid()) {
            row.started = record->started;
        }
    }
    const std::optional<FingerMarks> marks = ReadFingersIni(dir.filePath(QStringLiteral("fingers.ini")));
    const QStringList subdirectories = VisibleSubdirectories(dir);

    for (std::size_t i = 0; i < kRunModes.size(); ++i) {
        ModeRow& mode = row.modes[i];
        mode.mode = kRunModes[i];
        const QString modeDirectory = dir.filePath(QLatin1String(CaptureModeDirectoryName(mode.mode)));
        const ModeRunRecord* recorded = record ? record->FindMode(mode.mode) : nullptr;
        if (recorded != nullptr) {
            mode.outcome = recorded->outcome;
            mode.timeToCaptureMs = recorded->timeToCaptureMs;
        }
        mode.attempts = recorded != nullptr && recorded->attempts > 0 ? recorded->attempts
                                                                      : AttemptsOnDisk(subdirectories, mode.mode);
        // The stored segments are the measurement of the stored image; run.ini's figure
        // covers runs that did not keep them.
        mode.meanDistanceMm = MeanDistance(modeDirectory + QStringLiteral("/SegmentInfos.ini"));
        if (!mode.meanDistanceMm && recorded != nullptr) {
            mode.meanDistanceMm = recorded->meanDistanceMm;
        }
        ReadQuality(modeDirectory + QStringLiteral("/quality.ini"), mode);
        if (marks) {
            mode.missing = MarksOfMode(*marks, mode.mode);
        }
    }
    return row;
}

std::optional<QStringList> ListRunDirectories(const QString& baseDirectory, QString* error)
{
    const QFileInfo base(baseDirectory);
    const QDir dir(baseDirectory);
    const auto fail = [&](const char* why) -> std::optional<QStringList> {
        if (error != nullptr) {
            *error = QStringLiteral("The base directory \"%1\" %2.").arg(baseDirectory, QLatin1String(why));
        }
        return std::nullopt;
    };
    if (baseDirectory.isEmpty() || !base.isDir()) {
        return fail("does not exist");
    }
    if (!base.isReadable() || !base.isExecutable()) {
        return fail("cannot be read");
    }
    QStringList runs;
    for (const QString& person : VisibleSubdirectories(dir)) {
        const QDir personDir(dir.filePath(person));
        for (const QString& run : VisibleSubdirectories(personDir)) {
            runs << personDir.filePath(run);
        }
    }
    return runs;
}

bool ListedBefore(const RunRow& a, const RunRow& b)
{
    if (a.started.isValid() != b.started.isValid()) {
        return a.started.isValid();
    }
    if (a.started.isValid() && a.started != b.started) {
        return a.started > b.started;
    }
    return a.directory > b.directory;
}

bool ScanRuns(const QString& baseDirectory, int batchSize, const RunBatchHandler& onBatch,
              const std::atomic_bool* cancel, QString* error)
{
    const std::optional<QStringList> runs = ListRunDirectories(baseDirectory, error);
    if (!runs) {
        return false;
    }
    const int total = runs->size();
    std::vector<RunRow> batch;
    for (int i = 0; i < total; ++i) {
        if (cancel != nullptr && *cancel) {
            return true;
        }
        const QString& run = runs->at(i);
        batch.push_back(ReadRunDirectory(run, QFileInfo(QFileInfo(run).path()).fileName()));
        if (static_cast<int>(batch.size()) >= std::max(1, batchSize) || i + 1 == total) {
            onBatch(std::move(batch), i + 1, total);
            batch.clear();
        }
    }
    if (total == 0) {
        onBatch({}, 0, 0);
    }
    return true;
}

std::optional<std::vector<RunRow>> ReadAllRuns(const QString& baseDirectory, QString* error)
{
    std::vector<RunRow> rows;
    const bool listed = ScanRuns(
        baseDirectory, 256,
        [&rows](std::vector<RunRow> batch, int, int) {
            rows.insert(rows.end(), std::make_move_iterator(batch.begin()), std::make_move_iterator(batch.end()));
        },
        nullptr, error);
    if (!listed) {
        return std::nullopt;
    }
    std::sort(rows.begin(), rows.end(), ListedBefore);
    return rows;
}
