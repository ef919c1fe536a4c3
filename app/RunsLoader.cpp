#include "RunsLoader.h"

#include <QMetaObject>

#include <condition_variable>
#include <mutex>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {
// Batches posted to the GUI thread and not yet handled, at most.
constexpr int kBatchesInFlight = 2;
// The reader yields the processor to the GUI thread: a window that reacts matters more than
// a table that is complete a little sooner.
constexpr int kWorkerNiceness = 10;
} // namespace

// What one read's worker and the GUI thread share; a new read gets a new one, so that
// batches of a cancelled read still queued change nothing.
struct RunsLoader::Flow {
    std::mutex mutex;
    std::condition_variable handled;
    int inFlight = 0;
    std::atomic_bool cancel{false};
};

RunsLoader::RunsLoader(QObject* parent)
    : QObject(parent)
{
}

RunsLoader::~RunsLoader()
{
    Cancel();
}

void RunsLoader::Cancel()
{
    if (flow) {
        {
            const std::lock_guard<std::mutex> lock(flow->mutex);
            flow->cancel = true;
        }
        flow->handled.notify_all();
    }
    if (worker.joinable()) {
        worker.join();
    }
    flow.reset();
    reading = false;
}

void RunsLoader::Start(const QString& baseDirectory, int batchSize)
{
    Cancel();
    flow = std::make_shared<Flow>();
    reading = true;
    worker = std::thread([this, current = flow, baseDirectory, batchSize] {
        setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), kWorkerNiceness);
        QString error;
        const auto onBatch = [&](std::vector<RunRow> rows, int done, int total) {
            {
                std::unique_lock<std::mutex> lock(current->mutex);
                current->handled.wait(lock, [&] { return current->inFlight < kBatchesInFlight || current->cancel; });
                if (current->cancel) {
                    return;
                }
                ++current->inFlight;
            }
            Post(current, std::move(rows), done, total);
        };
        ScanRuns(baseDirectory, batchSize, onBatch, &current->cancel, &error);
        QMetaObject::invokeMethod(
            this,
            [this, current, error] {
                if (current == flow) {
                    reading = false;
                    emit finished(error);
                }
            },
            Qt::QueuedConnection);
    });
}

void RunsLoader::Post(const std::shared_ptr<Flow>& current, std::vector<RunRow> rows, int done, int total)
{
    auto batch = std::make_shared<std::vector<RunRow>>(std::move(rows));
    QMetaObject::invokeMethod(
        this,
        [this, current, batch, done, total] {
            {
                const std::lock_guard<std::mutex> lock(current->mutex);
                --current->inFlight;
            }
            current->handled.notify_all();
            if (current == flow) {
                emit batchRead(*batch, done, total);
            }
        },
        Qt::QueuedConnection);
}
