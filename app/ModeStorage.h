#pragma once

#include "AppSettings.h"
#include "DeviceError.h"
#include "FingerMarks.h"
#include "QualityRecord.h"
#include "ResultWriter.h"
#include "SegmentInfo.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <opencv2/core.hpp>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace quorvel {
class Device;
}

// A run directory holds each stored mode whole or not at all: a mode is written into
// ".<mode>.partial", every file and directory flushed to disk, and only then renamed to its
// name. A crash leaves the partial directory, which is never deleted (it may hold the only
// copy of a capture) and is named at the next start.

// ".4R.partial" for "4R".
QString PartialDirectoryName(const QString& modeName);

// Whether a name in a run directory is a stored mode: "4R", "4L", "2T", or an earlier
// attempt of one, "4R.1", "4R.2", ... Never a name that starts with a dot.
bool IsStoredModeName(const QString& name);

// Moves runDirectory/modeName aside to modeName.N, N one above the highest attempt already
// there (the first retake of 4L makes 4L.1, the second 4L.2), and flushes the directory.
// Returns the new name; an empty name when there is no such directory, or, with error set,
// when the rename failed.
QString ArchiveAttempt(const QString& runDirectory, const QString& modeName, QString* error = nullptr);

// The partial directories under a base directory (<base>/<person>/<run>/.<mode>.partial...),
// full paths, sorted.
QStringList LeftoverPartialDirectories(const QString& baseDirectory);

// The status line's words about leftover partial directories; empty for none.
QString LeftoverPartialNotice(const QStringList& directories);

// Writes the files of one mode on worker threads into a partial directory and renames it into
// place once everything is written and flushed. One thread queues the files (any thread, but
// one at a time); the workers write them in parallel.
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

    // The run's cfg.txt as it was for the attempt now stored under the mode's name: it goes
    // with that attempt when Commit() moves it aside.
    void KeepEarlierConfig(QByteArray config) { earlierConfig = std::move(config); }
    // Waits, flushes the directories and, when every file was written, moves an earlier
    // modeName aside (ArchiveAttempt) and renames the partial directory to modeName. False
    // when something could not be written: the partial directory then stays.
    bool Commit();
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
    QStringList directories; // inside the mode, to flush before the rename
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

// The device's capture results requests for the frame whose results are stored; StoreMode
// makes them one at a time, in its order.
struct CaptureResultRequests {
    std::function<quorvel::DeviceError(cv::Mat& image)> finalImage;
    std::function<quorvel::DeviceError(std::vector<quorvel::SegmentInfo>& segments)> segmentInfos;
    std::function<quorvel::DeviceError(std::vector<cv::Mat>& frames)> rawImages;
    std::function<quorvel::DeviceError(std::vector<uint8_t>& bytes)> calibration;
};

// The requests on a device for the results of frame frameId.
CaptureResultRequests DeviceResultRequests(quorvel::Device& device, uint32_t frameId);

struct ModeStoreInput {
    QString runDirectory;
    QString modeName;
    int32_t mode = 0;  // CaptureMode, for the fingers' positions
    FingerMarks marks; // fingers marked missing, for the same
    AppSettings settings;
    cv::Mat preview;         // the last frame shown
    QElapsedTimer stepTimer; // started with the workflow step
    int64_t finalProcMs = 0; // the values of the last stored step, kept when a request fails
    int64_t rawDataMs = 0;
    int workers = 0;                   // 0: one per core
    ModeWriter::WriteHook beforeWrite; // for tests: called before each file is written
};

struct ModeStoreOutcome {
    int64_t finalProcMs = 0;
    int64_t rawDataMs = 0;
    std::vector<quorvel::DeviceError> failedRequests; // in the order they were made
    StorageReport report;                             // paths that could not be written
    QStringList storedFiles;                          // "final.png", "raw/ (10)", ...
    std::vector<FingerQualityRecord> fingers;         // the final image's fingers, scored
    bool scored = false;                              // a final image and its segments arrived
    cv::Size finalImageSize;                          // the image the fingers were scored in
    bool committed = false;                           // the mode is in place under its name
    QString partialDirectory;                         // where it stays when not committed

    bool Complete() const { return failedRequests.empty() && report.Empty(); }
    // The one message about what could not be written; empty when everything was.
    QString StorageMessage() const;
};

// Stores one captured mode: "cfg.txt" in the run directory (replaced atomically), then the
// mode's files as the settings choose them. The requests are made on the calling thread, in
// order, one at a time: final image, segment information, raw images, calibration file; what
// each returns is written by workers while the next request runs. Returns once the mode is
// complete on disk. times.txt keeps its meaning: FinalProc is the final image request's
// duration, RawDataRequest the time from the raw images' arrival until the last of them is
// written, FullWorkflowStep the step's time when times.txt is written, after every other file.
ModeStoreOutcome StoreMode(const ModeStoreInput& input, const CaptureResultRequests& requests);
