#pragma once

#include "ResultWriter.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <opencv2/core.hpp>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

// Writes the files of one mode on worker threads into a partial directory and renames it into
// place once everything is written and flushed. One thread queues the files (any thread, but
// one at a time); the workers write them in parallel, and a thread of its own flushes each
// file to disk as soon as it is written.
class ModeWriter {
public:
    // Called on a worker right before a file is written, with its path inside the mode.
    using WriteHook = std::function<void(const QString& relativePath)>;
    // Writes one file at `path`; failures go to the report, as the ResultWriter functions do.
    using FileWrite = std::function<bool(const QString& path, StorageReport& report)>;

    // Creates the partial directory (and a missing run directory). workers 0: one per core.
    ModeWriter(QString runDirectory, QString modeName, int workers = 0, WriteHook beforeWrite = {});
    // Waits for the queued files; an uncommitted partial directory stays as it is.
    ~ModeWriter();
    ModeWriter(const ModeWriter&) = delete;
    ModeWriter& operator=(const ModeWriter&) = delete;

    const QString& PartialDirectory() const { return partialDirectory; }
    QString ModeDirectory() const;

    // Creates a directory inside the mode, before files are queued into it.
    bool MakeDirectory(const QString& relativePath);
    // Queues a file (or a directory of files that one job writes); returns its number, for
    // Succeeded() and WrittenAtMs().
    int Write(const QString& relativePath, FileWrite write);
    // Queues `image` as PNG with the image writer's default parameters.
    int WritePng(const QString& relativePath, cv::Mat image);
    // Waits until every queued file is written and flushed.
    void Wait();

    // After Wait(): whether file `id` was written and flushed, and when its writing ended,
    // in milliseconds on the clock given (default: started with the writer).
    bool Succeeded(int id) const;
    int64_t WrittenAtMs(int id) const;
    // Before the first Write().
    void SetClock(const QElapsedTimer& timer) { clock = timer; }

    // Waits, flushes the directories and, when every file was written, moves an earlier
    // modeName aside (ArchiveAttempt) and renames the partial directory to modeName. False
    // when something could not be written: the partial directory then stays. False too when
    // nothing was written at all: the empty partial directory is removed, nothing is moved.
    bool Commit();
    // The run's cfg.txt as it was for the attempt now stored under the mode's name: it goes
    // with that attempt when Commit() moves it aside.
    void KeepEarlierConfig(QByteArray config) { earlierConfig = std::move(config); }
    // Every path that could not be written, in the order the files were queued.
    StorageReport Report() const;

private:
    struct Job {
        int id;
        QString relativePath;
        FileWrite write;
    };
    struct Done {
        bool ok = false;
        int64_t atMs = 0;
        StorageReport report;
    };
    void Work();
    void Sync();

    QString runDirectory;
    QString modeName;
    QString partialDirectory;
    WriteHook beforeWrite;
    QElapsedTimer clock;
    StorageReport setupReport;
    QStringList directories; // made here: inside the mode, flushed before the rename, and
                             // the parents of a new run directory, flushed after it
    bool committed = false;
    QByteArray earlierConfig;

    mutable std::mutex mutex;
    std::condition_variable jobsReady; // for the workers
    std::condition_variable syncReady; // for the syncer
    std::condition_variable progress;  // a file finished: for Wait()
    std::deque<Job> jobs;
    std::vector<Done> done;
    int pending = 0;
    bool stopping = false;
    // Flushing waits for the disk; it has a thread of its own so the workers keep encoding.
    std::deque<std::pair<int, QString>> toSync;
    std::vector<std::thread> workers;
    std::thread syncer;
};
