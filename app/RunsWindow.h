#pragma once

#include "RunScan.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QCloseEvent;
class QModelIndex;
class QTimer;
class QUrl;
class RunsFilterProxy;
class RunsLoader;
class RunsTableModel;

namespace Ui {
class RunsForm;
}

// Every run under the base directory in one table, newest first, with a summary of the
// runs shown above it, a filter by person and date, and an export to CSV. The run
// directories are read on a worker; the table fills as batches arrive.
class RunsWindow : public QWidget {
    Q_OBJECT

public:
    // What the window asks of the desktop. Tests replace it to answer without a user; by
    // default it is a file dialog and the desktop's file manager.
    struct Desktop {
        // (parent, caption, suggested file, filter) -> chosen file, or an empty string when cancelled.
        std::function<QString(QWidget*, const QString&, const QString&, const QString&)> saveFile;
        // Opens a directory; false when nothing could open it.
        std::function<bool(const QUrl&)> openUrl;
    };
    static Desktop NativeDesktop();

    // A window of its own (not embedded) even with a parent, so that it closes with it.
    explicit RunsWindow(QWidget* parent = nullptr);
    ~RunsWindow() override;

    // The runs window of `owner`, made on first use, shown over `baseDirectory` and read anew.
    static RunsWindow* ShowFor(QWidget* owner, const QString& baseDirectory);

    void setDesktop(Desktop replacement);
    // Reads the runs under `path`.
    void SetBaseDirectory(const QString& path);
    bool IsReading() const;
    const RunsFilterProxy& ShownRuns() const { return *proxy; }

public slots:
    void Reload();
    void ExportCsv();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void AddRuns(const std::vector<RunRow>& rows, int done, int total);
    void FinishReading(const QString& error);
    void ApplyFilter();
    void UpdateSummary();
    void OpenRun(const QModelIndex& index);
    void ShowStatus(const QString& text, bool problem = false);

    struct SummaryLabels;

    std::unique_ptr<Ui::RunsForm> ui;
    std::unique_ptr<SummaryLabels> summaryLabels;
    RunsTableModel* model;
    RunsFilterProxy* proxy;
    RunsLoader* loader;
    // Gathers the summary updates of many batches into one.
    QTimer* summaryTimer;
    Desktop desktop;
    QString baseDirectory;
};
