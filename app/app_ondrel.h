#pragma once

#include "AppSettings.h"
#include "CaptureMode.h"
#include "Device.h"
#include "DisplayPixmaps.h"
#include "SegmentInfo.h"
#include "SettingsDeviceRelay.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <opencv2/core.hpp>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class DialogSettings;
class QGraphicsScene;
class QCloseEvent;
class QPushButton;

namespace Ui {
class app_ondrelClass;
}

// The application's version, shown in the window title and by --version.
inline constexpr int kVersionMajor = 0;
inline constexpr int kVersionMinor = 2;
inline constexpr int kVersionPatch = 1;
QString VersionText();

// How the program was started. Unattended runs have nobody to close a message box:
// errors go to standard error and the progress of a run to standard output.
struct LaunchOptions {
    QString person;          // fills the person field when not null
    bool unattended = false;
};

// The main window: live view, the capture workflow and the device connection. The class
// keeps its established name on purpose (the form and its generated class carry it too).
//
// A workflow run is one long call of StartWorkflow() that keeps the interface alive by
// processing events in short slices, so the slots are re-entered during a run. While a
// run lasts the device belongs to it alone: responses are paired with requests by order,
// and a frame request may be in flight on a worker thread.
class app_ondrel : public QMainWindow, public SettingsDeviceRelay {
    Q_OBJECT

public:
    explicit app_ondrel(QWidget* parent = nullptr, const LaunchOptions& options = LaunchOptions{});
    ~app_ondrel() override;

    std::string GetAuthGroupText() override;

    void OnAuthGroupChanged(std::string authGroup, std::string privateKeyFile);
    void ConnectToDevice();
    bool ReportError(quorvel::DeviceError error);
    void ShowError(QString text);
    void ResetIcons();
    void ShowImage(cv::Mat image);

    bool IsConnected() const { return connected; }
    bool IsRunning() const { return running; }
    // Whether the last run captured and stored all of its modes without a failure.
    bool LastRunStoredAllModes() const { return lastRunStoredAll; }
    // Called at the end of every StartWorkflow() that tried to begin a run, with
    // LastRunStoredAllModes(); the stop click inside a run does not count.
    void SetRunEndedHandler(std::function<void(bool storedAll)> handler) { runEnded = std::move(handler); }

public slots:
    void OpenSettingsWindow();
    void StartWorkflow();
    void ForcedCapturing();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    const AppSettings& Settings() const;

    // Workflow
    void RunSteps();
    void FinishClosing();
    void MarkActiveMode();
    void ShowCheckmark();
    QPushButton* ModeButton(int32_t mode) const;
    bool LiveView();
    std::string FloatToString(float value, int precision);
    void SaveResults();
    void WaitProcessingEvents(float minimumMs, const QElapsedTimer& timer);

    // Console output of unattended runs.
    void ReportProgress(const QString& line) const;
    void ReportRunSummary() const;

    std::unique_ptr<Ui::app_ondrelClass> ui;
    DialogSettings* settingsDialog = nullptr;
    QString captureDirectory;
    std::unique_ptr<quorvel::Device> device;
    QGraphicsScene* scene = nullptr;
    DisplayPixmaps pixmaps;
    QElapsedTimer stepTimer;
    int64_t finalProcMs = 0;
    int64_t rawDataMs = 0;
    std::vector<quorvel::SegmentInfo> segments;
    std::vector<quorvel::SegmentInfo> previousSegments;
    cv::Mat frame;
    cv::Mat lastFrame;
    cv::Mat display;
    // `frame` converted for display by the task that fetched it, ready for the next iteration.
    cv::Mat nextDisplay;
    bool nextDisplayReady = false;
    cv::Scalar colourOutOfRange{255, 0, 0, 0};
    cv::Scalar colourTooHigh{255, 200, 0, 0};
    cv::Scalar colourMoving{0, 150, 200, 0};
    cv::Scalar colourReady{0, 200, 0, 0};
    uint32_t frameId = 0;
    uint32_t previousFrameId = 0;
    int32_t currentStep = 0;
    std::vector<int32_t> workflowModes{Right4, Left4, Thumbs2};
    bool connected = false;
    bool running = false;
    bool forcedCapture = false;
    bool stopRequested = false;

    // The window was asked to close during a run; the run ends after the current frame
    // and the window closes from there.
    bool closeRequested = false;
    // Start() succeeded and the run has not sent Stop() yet.
    bool captureModeOn = false;
    bool unattended = false;

    // Outcome of the current or last run, for unattended runs and their exit code.
    QStringList storedModes;
    QStringList storedFiles;   // what SaveResults() wrote for the current mode
    bool storageComplete = false;
    bool lastRunStoredAll = false;
    std::function<void(bool)> runEnded;
};
