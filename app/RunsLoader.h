#pragma once

#include "RunScan.h"

#include <QObject>
#include <QString>

#include <memory>
#include <thread>
#include <vector>

// Reads every run under a base directory on a worker thread and hands the rows to the GUI
// thread in batches, so that thousands of runs never hold up the window. The worker waits
// while two batches are still unhandled: the GUI thread never gets more than that at once.
class RunsLoader : public QObject {
    Q_OBJECT

public:
    static constexpr int kDefaultBatchSize = 100;

    explicit RunsLoader(QObject* parent = nullptr);
    // Cancels a read still going and waits for its worker.
    ~RunsLoader() override;

    // Starts reading; a read still going is cancelled first and nothing more comes of it.
    void Start(const QString& baseDirectory, int batchSize = kDefaultBatchSize);
    void Cancel();
    bool IsReading() const { return reading; }

signals:
    // On the GUI thread, in order: batches, then finished once.
    void batchRead(const std::vector<RunRow>& rows, int done, int total);
    // `error` is empty when every run directory was listed.
    void finished(const QString& error);

private:
    struct Flow;
    void Post(const std::shared_ptr<Flow>& flow, std::vector<RunRow> rows, int done, int total);

    std::shared_ptr<Flow> flow; // of the current read
    std::thread worker;
    bool reading = false;
};
