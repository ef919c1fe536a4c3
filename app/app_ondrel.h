#pragma once

#include "AppSettings.h"
#include "CaptureMode.h"
#include "DeviceError.h"
#include "FingerMarks.h"
#include "KeyFileNotice.h"
#include "ModeButtons.h"
#include "QualityRecord.h"
#include "RunJournal.h"
#include "SegmentInfo.h"
#include "SettingsDeviceRelay.h"
#include "StatusTexts.h"
#include "ViewImage.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <opencv2/core.hpp>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class DialogSettings;
class QGraphicsScene;
class RunReview;
class QCloseEvent;
class QPushButton;
class StatusLine;

namespace Ui {
class app_ondrelClass;
}

// Declared only, so that the device client's networking headers stay out of every file
// that includes the window.
namespace quorvel {
class Device;
}

// The application's version, shown in the window title and by --version; the build
// takes it from the project's version.
inline constexpr int kVersionMajor = ONDREL_VERSION_MAJOR;
inline constexpr int kVersionMinor = ONDREL_VERSION_MINOR;
inline constexpr int kVersionPatch = ONDREL_VERSION_PATCH;
QString VersionText();

// How the program was started. Unattended runs have nobody to close a message box:
// errors go to standard error and the progress of a run to standard output.
struct LaunchOptions {
    QString person; // fills the person field when not null
    bool unattended = false;
    // A mode not captured within this time is given up and the run goes on; 0: no limit.
    int64_t modeTimeLimitMs = 0;
    // The device server for this session instead of the stored address, which stays as it
    // is; used when the host is not empty.
    std::string deviceHost;
    uint16_t devicePort = 0;
    FingerMarks fingerMarks; // fingers marked missing for the person given
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
    // Marks the window not connected when the device has closed the link.
    void NoteClosedLink();
    void ShowError(QString text);
    void ResetIcons();
    // Shows an image of a frame's size, reduced to the view.
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
    // Captures one mode of the reviewed run again, into its directory.
    void RetakeMode(int32_t mode);
    // Lets the operator mark fingers missing for the current person.
    void EditFingerMarks();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    const AppSettings& Settings() const;

    // Workflow
    // Everything a run needs before its first mode; false, after one message saying why,
    // when it cannot begin.
    bool BeginRun();
    void RunSteps();
    // Takes the device out of capture mode, if it is in it.
    void EndCaptureMode();
    void FinishClosing();
    void MarkActiveMode();
    void ShowCheckmark();
    // The scores of the mode just stored: on the check-mark frame, the status line and, in
    // unattended runs, standard output.
    void ShowQuality(const std::vector<FingerQualityRecord>& fingers, cv::Size scoredImageSize);
    bool LiveView();
    std::string FloatToString(float value, int precision);
    void SaveResults();
    void WaitProcessingEvents(float minimumMs, const QElapsedTimer& timer);
    void ShowViewImage(const ViewImage& view);

    // The address this session connects to: the stored one unless the command line named another.
    std::string DeviceHost() const;
    uint16_t DevicePort() const;
    QString DeviceAddressText() const;
    // Authenticate() with its result in the log and, when it failed, shown; true when granted.
    // A key file others can read is told first (`chosenIn`: the dialog it was chosen in).
    bool Authenticate(const std::string& authGroup, const std::string& privateKeyFile, QWidget* chosenIn = nullptr);

    // Console output of unattended runs.
    void ReportProgress(const QString& line) const;

    // Status line and keys
    void SetFingerMarks(const FingerMarks& marks);
    // The review of a run in place of the live view; an empty directory shows the live view.
    void ShowReview(const QString& runDirectory);
    void InstallKeys();
    // Keeps what became of the current mode for the status line and in run.ini.
    void NoteModeOutcome(CaptureOutcome outcome, bool stored);

    std::unique_ptr<Ui::app_ondrelClass> ui;
    ModeButtons modeButtons;
    DialogSettings* settingsDialog = nullptr;
    AppSettings runSettings; // the settings of the current run, as they were at its start
    FingerMarks fingerMarks; // for the person in the field, until it changes
    FingerMarks runMarks;    // those of the current run, as they were at its start
    QString captureDirectory;
    std::unique_ptr<quorvel::Device> device;
    QGraphicsScene* scene = nullptr;
    RunReview* review = nullptr;
    QElapsedTimer stepTimer;
    int64_t finalProcMs = 0;
    int64_t rawDataMs = 0;
    std::vector<quorvel::SegmentInfo> previousSegments;
    cv::Mat lastFrame;
    ViewImage display; // the last live image with its overlays, as the view shows it
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
    int64_t modeTimeLimitMs = 0;
    // The current mode's live view ended at the time limit.
    bool modeTimedOut = false;
    std::string deviceHostOverride;
    uint16_t devicePortOverride = 0;

    // Outcome of the current or last run, for unattended runs and their exit code.
    QStringList storedFiles; // what SaveResults() wrote for the current mode
    bool storageComplete = false;
    bool lastRunStoredAll = false;
    std::function<void(bool)> runEnded;

    StatusLine* statusLine = nullptr;
    KeyFileNotice keyFileNotice;         // key files others can read, told once each
    std::vector<ModeResult> modeResults; // one per workflow mode, for the status line
    // Set while a retake of one mode of the reviewed run is started and runs.
    struct RetakeRequest {
        QString directory;
        QString person;
    };
    std::optional<RetakeRequest> retake;
    RunJournal journal;
    QStringList runQuality; // the scores of the run's stored modes, for its summary     // run.ini and fingers.ini of
                            // the current or last run
    ModeLiveStats modeLive; // the current mode's live view
};
