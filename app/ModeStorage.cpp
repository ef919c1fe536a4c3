#include "ModeStorage.h"

#include "AppLog.h"
#include "AtomicFile.h"
#include "CaptureQuality.h"
#include "FingerPositions.h"

#include "Device.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace {

const QString kPartialSuffix = QStringLiteral(".partial");

QByteArray LocalPath(const QString& path)
{
    return QFile::encodeName(path);
}

// Flushes a file's or a directory's content (for a directory: its entries) to the disk.
bool SyncToDisk(const QString& path, bool directory)
{
    const int fd = ::open(LocalPath(path).constData(), O_RDONLY | O_CLOEXEC | (directory ? O_DIRECTORY : 0));
    if (fd < 0) {
        return false;
    }
    const bool synced = ::fsync(fd) == 0;
    return ::close(fd) == 0 && synced;
}

QString ParentOf(const QString& path)
{
    return QFileInfo(path).absolutePath();
}

// Creates path and its missing parents; returns the directories whose entries changed
// (the parents of what was created), deepest first, to be flushed.
bool MakePath(const QString& path, QStringList& changed)
{
    QStringList missing;
    QString existing = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    while (!QFileInfo(existing).exists()) {
        missing.prepend(existing);
        const QString parent = ParentOf(existing);
        if (parent == existing) {
            break;
        }
        existing = parent;
    }
    if (!QDir().mkpath(path) || !QFileInfo(path).isDir()) {
        return false;
    }
    for (auto it = missing.crbegin(); it != missing.crend(); ++it) {
        changed << ParentOf(*it);
    }
    return true;
}

const QRegularExpression& StoredModePattern()
{
    static const QRegularExpression pattern(QStringLiteral("^(4R|4L|2T)(\\.[1-9][0-9]*)?$"));
    return pattern;
}

const QRegularExpression& PartialPattern()
{
    static const QRegularExpression pattern(QStringLiteral("^\\..+\\.partial(\\.[0-9]+)?$"));
    return pattern;
}

} // namespace

QString PartialDirectoryName(const QString& modeName)
{
    return QLatin1Char('.') + modeName + kPartialSuffix;
}

bool IsStoredModeName(const QString& name)
{
    return StoredModePattern().match(name).hasMatch();
}

QString ArchiveAttempt(const QString& runDirectory, const QString& modeName, QString* error)
{
    const QDir run(runDirectory);
    if (!QFileInfo(run.filePath(modeName)).isDir()) {
        return {};
    }
    int highest = 0;
    const QString prefix = modeName + QLatin1Char('.');
    for (const QString& name : run.entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot)) {
        if (name.startsWith(prefix)) {
            bool number = false;
            const int attempt = name.mid(prefix.size()).toInt(&number);
            if (number && attempt > highest) {
                highest = attempt;
            }
        }
    }
    const QString archived = prefix + QString::number(highest + 1);
    // rename() is atomic: the mode is under one name or the other, never under none.
    if (::rename(LocalPath(run.filePath(modeName)).constData(), LocalPath(run.filePath(archived)).constData()) != 0) {
        if (error != nullptr) {
            *error = QStringLiteral("%1 could not be renamed to %2: %3")
                         .arg(run.filePath(modeName), archived, QString::fromLocal8Bit(std::strerror(errno)));
        }
        return {};
    }
    SyncToDisk(runDirectory, true);
    return archived;
}

QStringList LeftoverPartialDirectories(const QString& baseDirectory)
{
    QStringList found;
    const QDir base(baseDirectory);
    const auto subdirectories = [](const QDir& dir) {
        return dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    };
    for (const QString& person : subdirectories(base)) {
        const QDir personDir(base.filePath(person));
        for (const QString& run : subdirectories(personDir)) {
            const QDir runDir(personDir.filePath(run));
            for (const QString& name : runDir.entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot)) {
                if (PartialPattern().match(name).hasMatch()) {
                    found << runDir.filePath(name);
                }
            }
        }
    }
    found.sort();
    return found;
}

QString LeftoverPartialNotice(const QStringList& directories)
{
    if (directories.isEmpty()) {
        return {};
    }
    if (directories.size() == 1) {
        return QStringLiteral("A mode that was not stored to the end is kept in %1").arg(directories.front());
    }
    return QStringLiteral("%1 modes that were not stored to the end are kept in: %2")
        .arg(directories.size())
        .arg(directories.join(QStringLiteral(", ")));
}

// ---------------------------------------------------------------------------------------
// ModeWriter

ModeWriter::ModeWriter(QString runDir, QString mode, int workerCount, WriteHook hook)
    : runDirectory(std::move(runDir))
    , modeName(std::move(mode))
    , beforeWrite(std::move(hook))
{
    clock.start();
    QStringList changed;
    if (!MakePath(runDirectory, changed)) {
        setupReport.AddFailure(runDirectory);
    } else {
        // A partial directory already there belongs to an earlier store: it stays untouched.
        const QDir run(runDirectory);
        for (int n = 1; partialDirectory.isEmpty(); ++n) {
            const QString name =
                PartialDirectoryName(modeName) + (n > 1 ? QLatin1Char('.') + QString::number(n) : QString());
            const QString path = run.filePath(name);
            if (::mkdir(LocalPath(path).constData(), 0777) == 0) {
                partialDirectory = path;
            } else if (errno != EEXIST) {
                setupReport.AddFailure(path);
                break;
            }
        }
        directories << changed;
    }
    if (workerCount <= 0) {
        workerCount = std::max(1, QThread::idealThreadCount());
    }
    for (int i = 0; i < workerCount; ++i) {
        workers.emplace_back([this] { Work(); });
    }
    syncer = std::thread([this] { Sync(); });
}

ModeWriter::~ModeWriter()
{
    Wait();
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    jobsReady.notify_all();
    syncReady.notify_all();
    for (std::thread& worker : workers) {
        worker.join();
    }
    syncer.join();
}

QString ModeWriter::ModeDirectory() const
{
    return QDir(runDirectory).filePath(modeName);
}

bool ModeWriter::MakeDirectory(const QString& relativePath)
{
    if (partialDirectory.isEmpty()) {
        return false;
    }
    const QString path = QDir(partialDirectory).filePath(relativePath);
    if (QDir().mkpath(path) && QFileInfo(path).isDir()) {
        directories.prepend(path);
        return true;
    }
    std::lock_guard<std::mutex> lock(mutex);
    setupReport.AddFailure(path);
    return false;
}

int ModeWriter::Write(const QString& relativePath, FileWrite write)
{
    std::lock_guard<std::mutex> lock(mutex);
    const int id = static_cast<int>(done.size());
    done.emplace_back();
    // Without the partial directory every file would fail too; its failure says it all.
    if (!partialDirectory.isEmpty()) {
        jobs.push_back({id, relativePath, std::move(write)});
        ++pending;
        jobsReady.notify_one();
    }
    return id;
}

int ModeWriter::WritePng(const QString& relativePath, cv::Mat image)
{
    return Write(relativePath, [image = std::move(image)](const QString& path, StorageReport& report) {
        return WriteImagePng(path, image, report);
    });
}

void ModeWriter::Work()
{
    std::unique_lock<std::mutex> lock(mutex);
    while (true) {
        jobsReady.wait(lock, [this] { return stopping || !jobs.empty(); });
        if (jobs.empty()) {
            return;
        }
        Job job = std::move(jobs.front());
        jobs.pop_front();
        lock.unlock();

        if (beforeWrite) {
            beforeWrite(job.relativePath);
        }
        const QString path = QDir(partialDirectory).filePath(job.relativePath);
        StorageReport report;
        const bool ok = job.write(path, report);
        const bool written = ok && QFileInfo::exists(path); // an empty image leaves no file
        const int64_t atMs = clock.elapsed();
        job.write = nullptr; // the image goes now, not when the file is flushed

        lock.lock();
        Done& result = done[static_cast<std::size_t>(job.id)];
        result.ok = ok;
        result.atMs = atMs;
        result.report = report;
        if (written) {
            toSync.emplace_back(job.id, path);
            syncReady.notify_one();
        } else {
            --pending;
            progress.notify_all();
        }
    }
}

void ModeWriter::Sync()
{
    std::unique_lock<std::mutex> lock(mutex);
    while (true) {
        syncReady.wait(lock, [this] { return stopping || !toSync.empty(); });
        if (toSync.empty()) {
            return;
        }
        const auto [id, path] = toSync.front();
        toSync.pop_front();
        lock.unlock();
        // A job may have written a directory of files: each of them, then the directory.
        StorageReport failures;
        const QFileInfo written(path);
        if (written.isDir()) {
            const QDir directory(path);
            for (const QString& name : directory.entryList(QDir::Files)) {
                if (!SyncToDisk(directory.filePath(name), false)) {
                    failures.AddFailure(directory.filePath(name));
                }
            }
        }
        if (!SyncToDisk(path, written.isDir())) {
            failures.AddFailure(path);
        }
        lock.lock();
        Done& result = done[static_cast<std::size_t>(id)];
        for (const QString& failed : failures.FailedPaths()) {
            result.ok = false;
            result.report.AddFailure(failed);
        }
        --pending;
        progress.notify_all();
    }
}

void ModeWriter::Wait()
{
    std::unique_lock<std::mutex> lock(mutex);
    progress.wait(lock, [this] { return pending == 0; });
}

bool ModeWriter::Succeeded(int id) const
{
    std::lock_guard<std::mutex> lock(mutex);
    return id >= 0 && static_cast<std::size_t>(id) < done.size() && done[static_cast<std::size_t>(id)].ok;
}

int64_t ModeWriter::WrittenAtMs(int id) const
{
    std::lock_guard<std::mutex> lock(mutex);
    return id >= 0 && static_cast<std::size_t>(id) < done.size() ? done[static_cast<std::size_t>(id)].atMs : 0;
}

StorageReport ModeWriter::Report() const
{
    std::lock_guard<std::mutex> lock(mutex);
    StorageReport report = setupReport;
    for (const Done& result : done) {
        for (const QString& path : result.report.FailedPaths()) {
            report.AddFailure(path);
        }
    }
    return report;
}

bool ModeWriter::Commit()
{
    Wait();
    if (committed || partialDirectory.isEmpty()) {
        return committed;
    }
    // Subdirectories first, then the partial directory, whose entries name them.
    for (const QString& directory : directories) {
        if (directory.startsWith(partialDirectory) && !SyncToDisk(directory, true)) {
            std::lock_guard<std::mutex> lock(mutex);
            setupReport.AddFailure(directory);
        }
    }
    if (!SyncToDisk(partialDirectory, true)) {
        std::lock_guard<std::mutex> lock(mutex);
        setupReport.AddFailure(partialDirectory);
    }
    if (!Report().Empty()) {
        return false;
    }
    QString archiveError;
    const QString archived = ArchiveAttempt(runDirectory, modeName, &archiveError);
    if (archived.isEmpty() && !archiveError.isEmpty()) {
        std::lock_guard<std::mutex> lock(mutex);
        setupReport.AddFailure(ModeDirectory());
        return false;
    }
    if (!archived.isEmpty() && !earlierConfig.isEmpty()) {
        const QString config = QDir(runDirectory).filePath(archived + QStringLiteral("/cfg.txt"));
        if (!WriteFileAtomically(config, earlierConfig)) {
            std::lock_guard<std::mutex> lock(mutex);
            setupReport.AddFailure(config);
        }
    }
    if (::rename(LocalPath(partialDirectory).constData(), LocalPath(ModeDirectory()).constData()) != 0) {
        std::lock_guard<std::mutex> lock(mutex);
        setupReport.AddFailure(ModeDirectory());
        return false;
    }
    SyncToDisk(runDirectory, true);
    for (const QString& directory : directories) {
        if (!directory.startsWith(partialDirectory)) {
            SyncToDisk(directory, true); // the run directory's parents, when it was new
        }
    }
    committed = true;
    return true;
}

// ---------------------------------------------------------------------------------------
// Storing one mode

CaptureResultRequests DeviceResultRequests(quorvel::Device& device, uint32_t frameId)
{
    CaptureResultRequests requests;
    requests.finalImage = [&device, frameId](cv::Mat& image) { return device.GetFinalImage(image, frameId); };
    requests.segmentInfos = [&device, frameId](std::vector<quorvel::SegmentInfo>& segments) {
        return device.GetFinalSegmentInfos(segments, frameId);
    };
    requests.rawImages = [&device, frameId](std::vector<cv::Mat>& frames) {
        return device.GetRawImages(frames, frameId);
    };
    requests.calibration = [&device](std::vector<uint8_t>& bytes) { return device.GetCalibrationFile(bytes); };
    return requests;
}

QString ModeStoreOutcome::StorageMessage() const
{
    if (report.Empty()) {
        return {};
    }
    QString message = report.Message();
    if (!committed && !partialDirectory.isEmpty() && QFileInfo(partialDirectory).isDir()) {
        message += QStringLiteral("\nWhat could be written is kept in ") + partialDirectory;
    }
    return message;
}

ModeStoreOutcome StoreMode(const ModeStoreInput& input, const CaptureResultRequests& requests)
{
    const AppSettings& settings = input.settings;
    ModeStoreOutcome outcome;
    outcome.finalProcMs = input.finalProcMs;
    outcome.rawDataMs = input.rawDataMs;

    ModeWriter writer(input.runDirectory, input.modeName, input.workers, input.beforeWrite);
    writer.SetClock(input.stepTimer);
    const QString configPath = QDir(input.runDirectory).filePath(QStringLiteral("cfg.txt"));
    if (QFileInfo(QDir(input.runDirectory).filePath(input.modeName)).isDir()) {
        QFile earlier(configPath);
        writer.KeepEarlierConfig(earlier.open(QIODevice::ReadOnly) ? earlier.readAll() : QByteArray());
    }
    StorageReport configReport;
    WriteCaptureConfig(QDir(input.runDirectory).filePath(QStringLiteral("cfg.txt")), settings, configReport);

    // What the stored-files list names, with the files that make it up.
    struct Entry {
        QString name;
        std::vector<int> files;
        bool directoryOk = true;
    };
    std::vector<Entry> entries;
    auto failed = [&outcome](const quorvel::DeviceError& error) {
        if (error.failed()) {
            outcome.failedRequests.push_back(error);
        }
        return error.failed();
    };

    if (settings.savePreviewImage && !input.preview.empty()) {
        entries.push_back(
            {QStringLiteral("preview.png"), {writer.WritePng(QStringLiteral("preview.png"), input.preview)}});
    }

    outcome.finalProcMs = input.stepTimer.elapsed();
    if (settings.saveFinalImage) {
        cv::Mat finalImage;
        if (!failed(requests.finalImage(finalImage))) {
            outcome.finalProcMs = input.stepTimer.elapsed() - outcome.finalProcMs;
            if (!finalImage.empty()) {
                entries.push_back(
                    {QStringLiteral("final.png"), {writer.WritePng(QStringLiteral("final.png"), finalImage)}});
            }
            std::vector<quorvel::SegmentInfo> segments;
            if (!failed(requests.segmentInfos(segments))) {
                qCDebug(lcRun).nospace() << "Segment Informations: " << segments.size();
                // Scored beside the other files; quality.ini goes with every fetched final image.
                outcome.scored = true;
                outcome.finalImageSize = finalImage.size();
                entries.push_back(
                    {QStringLiteral("quality.ini"),
                     {writer.Write(QStringLiteral("quality.ini"),
                                   [&outcome, finalImage, segments,
                                    positions = SegmentFingerPositions(input.mode, segments.size(), input.marks)](
                                       const QString& path, StorageReport& report) {
                                       outcome.fingers = ScoreFingers(finalImage, segments, positions);
                                       if (WriteFileAtomically(path, QualityIniBytes(outcome.fingers))) {
                                           return true;
                                       }
                                       report.AddFailure(path);
                                       return false;
                                   })}});
                if (settings.saveSegments) {
                    // A few small cut-outs: one job writes them all.
                    entries.push_back(
                        {QStringLiteral("segments/ (%1)").arg(segments.size()),
                         {writer.Write(QStringLiteral("segments"),
                                       [finalImage, segments](const QString& path, StorageReport& report) {
                                           return WriteSegmentImages(path, finalImage, segments, report);
                                       })}});
                }
                if (settings.saveSegmentInformations) {
                    entries.push_back({QStringLiteral("SegmentInfos.ini"),
                                       {writer.Write(QStringLiteral("SegmentInfos.ini"),
                                                     [segments](const QString& path, StorageReport& report) {
                                                         return WriteSegmentInfosIni(path, segments, report);
                                                     })}});
                }
            }
        }
    }

    std::vector<int> rawFiles;
    int64_t rawArrivedMs = -1;
    if (settings.saveRawData) {
        std::vector<cv::Mat> frames;
        if (!failed(requests.rawImages(frames))) {
            rawArrivedMs = input.stepTimer.elapsed();
            Entry entry{QStringLiteral("raw/ (%1)").arg(frames.size()), {}, true};
            entry.directoryOk = writer.MakeDirectory(QStringLiteral("raw"));
            for (std::size_t i = 0; entry.directoryOk && i < frames.size(); ++i) {
                entry.files.push_back(writer.WritePng(QStringLiteral("raw/frame%1.png").arg(i + 1), frames[i]));
            }
            rawFiles = entry.files;
            entries.push_back(entry);
        }
    }

    if (settings.saveCalibrationFile) {
        std::vector<uint8_t> bytes;
        if (!failed(requests.calibration(bytes))) {
            entries.push_back({QStringLiteral("calibration.calib"),
                               {writer.Write(QStringLiteral("calibration.calib"),
                                             [bytes = std::move(bytes)](const QString& path, StorageReport& report) {
                                                 return WriteBytes(path, bytes, report);
                                             })}});
        }
    }

    writer.Wait();
    if (rawArrivedMs >= 0) {
        int64_t lastWritten = rawArrivedMs;
        for (int id : rawFiles) {
            lastWritten = std::max(lastWritten, writer.WrittenAtMs(id));
        }
        outcome.rawDataMs = lastWritten - rawArrivedMs;
    }
    if (settings.saveCaptureTimes) {
        const int64_t fullStepMs = input.stepTimer.elapsed();
        entries.push_back({QStringLiteral("times.txt"),
                           {writer.Write(QStringLiteral("times.txt"),
                                         [=, finalMs = outcome.finalProcMs,
                                          rawMs = outcome.rawDataMs](const QString& path, StorageReport& report) {
                                             return WriteTimes(path, settings.saveFinalImage, finalMs,
                                                               settings.saveRawData, rawMs, fullStepMs, report);
                                         })}});
    }

    outcome.committed = writer.Commit();
    outcome.partialDirectory = writer.PartialDirectory();
    outcome.report = writer.Report();
    for (const QString& path : configReport.FailedPaths()) {
        outcome.report.AddFailure(path);
    }
    for (const Entry& entry : entries) {
        const bool written = entry.directoryOk
            && std::all_of(entry.files.begin(), entry.files.end(), [&](int id) { return writer.Succeeded(id); });
        if (written) {
            outcome.storedFiles << entry.name;
        }
    }
    return outcome;
}
