#include "ModeWriter.h"

#include "AtomicFile.h"
#include "ModeDirectories.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <utility>

namespace {

QByteArray LocalPath(const QString& path)
{
    return QFile::encodeName(path);
}

} // namespace

ModeWriter::ModeWriter(QString runDir, QString mode, int workerCount, WriteHook hook)
    : runDirectory(std::move(runDir))
    , modeName(std::move(mode))
    , beforeWrite(std::move(hook))
{
    clock.start();
    QStringList changed;
    if (!MakeDirectoryPath(runDirectory, changed)) {
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
                if (!FlushToDisk(directory.filePath(name), false)) {
                    failures.AddFailure(directory.filePath(name));
                }
            }
        }
        if (!FlushToDisk(path, written.isDir())) {
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
    // Nothing came to be written (every request failed): there is no mode to put in place,
    // and an earlier one under its name stays. The empty directory made here goes again.
    if (Report().Empty() && QDir(partialDirectory).isEmpty()) {
        QDir().rmdir(partialDirectory);
        partialDirectory.clear();
        return false;
    }
    // Subdirectories first, then the partial directory, whose entries name them.
    for (const QString& directory : directories) {
        if (directory.startsWith(partialDirectory) && !FlushToDisk(directory, true)) {
            std::lock_guard<std::mutex> lock(mutex);
            setupReport.AddFailure(directory);
        }
    }
    if (!FlushToDisk(partialDirectory, true)) {
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
    FlushToDisk(runDirectory, true);
    for (const QString& directory : directories) {
        if (!directory.startsWith(partialDirectory)) {
            FlushToDisk(directory, true); // the run directory's parents, when it was new
        }
    }
    committed = true;
    return true;
}
