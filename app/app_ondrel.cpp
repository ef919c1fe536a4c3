#include "app_ondrel.h"

#include "AppLog.h"
#include "AppVersion.h"
#include "CaptureDecision.h"
#include "CaptureMode.h"
#include "Device.h"
#include "DialogFingerMarks.h"
#include "DialogSettings.h"
#include "FileModes.h"
#include "FirmwareUpdate.h"
#include "FrameRateHistory.h"
#include "InterchangeFile.h"
#include "ModeStorage.h"
#include "OverlayRenderer.h"
#include "PersonIdentifier.h"
#include "QualityOverlay.h"
#include "QualityTexts.h"
#include "ResultWriter.h"
#include "RunDirectory.h"
#include "RunJournal.h"
#include "RunReview.h"
#include "RunsWindow.h"
#include "SceneImage.h"
#include "ScreenFit.h"
#include "SelectAllOnFocus.h"
#include "StatusLine.h"
#include "TaskWithEvents.h"
#include "WorkerThread.h"
#include "ui_app_ondrel.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGraphicsScene>
#include <QKeySequence>
#include <QMessageBox>
#include <QShortcut>
#include <QStatusBar>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <functional>
#include <future>
#include <iostream>
#include <utility>

#ifdef ONDREL_HAVE_ICON_RESOURCES
// The icons live in a static library; referencing them here keeps the linker from
// dropping them.
static void InitIconResources()
{
    Q_INIT_RESOURCE(icons);
}
#else
static void InitIconResources() { }
#endif

namespace {

// Event slices that keep the interface responsive during a run.
constexpr int kShowImageEventsMs = 25;
constexpr int kFrameEventsMs = 25;
constexpr int kPauseEventsMs = 50;
constexpr unsigned long kPauseSleepMs = 25;
// How often an idle window looks whether the device closed the link.
constexpr int kLinkWatchMs = 1000;
// A frame without segments is not shown faster than this.
constexpr qint64 kEmptyFramePeriodMs = 200;
// The sound the device plays to confirm a capture.
constexpr uint32_t kCaptureSound = 2;

// One live frame request's outcome, handed from the task that made it to the GUI thread as
// one value. Going in, the frame and view image are buffers to reuse.
struct FetchedFrame {
    quorvel::DeviceError result;
    cv::Mat frame;
    std::vector<quorvel::SegmentInfo> segments;
    uint32_t frameId = 0;
    ViewImage view; // `frame` as the viewport shows it, with its overlays; empty when it cannot be shown
};

// How the frames of one live view are shown. The settings are the run's, which no one
// changes while it lasts.
struct FrameLook {
    cv::Size viewport;
    const AppSettings* settings;
    BoxColours colours;
};

FetchedFrame FetchFrame(quorvel::Device& device, FetchedFrame buffers, const FrameLook& look)
{
    buffers.result = device.GetFrame(buffers.frame, buffers.segments, buffers.frameId);
    if (buffers.result.failed() || !MakeViewImage(buffers.frame, look.viewport, buffers.view)) {
        buffers.view.pixels.release();
    } else {
        DrawViewOverlays(buffers.view, buffers.segments, *look.settings, look.colours);
    }
    return buffers;
}

} // namespace

QString VersionText()
{
    return AppVersionText();
}

app_ondrel::app_ondrel(QWidget* parent, const LaunchOptions& options)
    : QMainWindow(parent)
    , ui(std::make_unique<Ui::app_ondrelClass>())
    , modeButtons(nullptr, nullptr, nullptr, nullptr)
    , scene(new QGraphicsScene(this))
    , unattended(options.unattended)
    , modeTimeLimitMs(options.modeTimeLimitMs)
    , deviceHostOverride(options.deviceHost)
    , devicePortOverride(options.devicePort)
{
    InitIconResources();
    // Numbers written through the standard streams use '.' whatever the user's locale.
    std::setlocale(LC_NUMERIC, "C");

    ui->setupUi(this);
    modeButtons = ModeButtons(ui->btn_AutoWorkflow, ui->btn_captureRight, ui->btn_captureLeft, ui->btn_captureThumbs);
    setWindowTitle(QStringLiteral("Ondrel App ") + VersionText());
    if (!options.person.isNull()) {
        ui->edit_Person->setText(options.person);
    }
    new SelectAllOnFocus(ui->edit_Person);
    fingerMarks = options.fingerMarks;
    new ScreenFit(this);

    settingsDialog = new DialogSettings(this, this);
    if (!deviceHostOverride.empty()) {
        settingsDialog->SetSessionDeviceAddress(deviceHostOverride, devicePortOverride);
    }
    settingsDialog->SetCaptureRunningQuery([this] { return running; });
    ui->graphicsView->setScene(scene);
    // The review of the last run takes the image view's place until the next run starts.
    review = new RunReview(this);
    review->setObjectName(QStringLiteral("review"));
    ui->horizontalLayout->insertWidget(ui->horizontalLayout->indexOf(ui->graphicsView) + 1, review, 1);
    ShowReview(QString());
    connect(review, &RunReview::retakeRequested, this, &app_ondrel::RetakeMode);
    statusLine = new StatusLine(statusBar(), BoxColours{});
    InstallKeys();
    // A mode whose storing was cut short (a crash, a power loss) is kept: say where.
    if (const QStringList left = LeftoverPartialDirectories(QString::fromStdString(Settings().basePath));
        !left.isEmpty()) {
        qCWarning(lcRun).noquote() << LeftoverPartialNotice(left);
        statusLine->ShowRunOutcome(LeftoverPartialNotice(left), QFileInfo(left.front()).path());
    }

    ConnectToDevice();

    // A device that closed the link while the window was idle (a restart after a firmware
    // update, a cable pulled) shows as not connected, and the next start reconnects.
    auto* linkWatch = new QTimer(this);
    connect(linkWatch, &QTimer::timeout, this, &app_ondrel::NoteClosedLink);
    linkWatch->start(kLinkWatchMs);

    connect(ui->btn_AutoWorkflow, &QPushButton::clicked, this, &app_ondrel::StartWorkflow);
    connect(ui->btn_captureRight, &QPushButton::clicked, this, &app_ondrel::ForcedCapturing);
    connect(ui->btn_captureLeft, &QPushButton::clicked, this, &app_ondrel::ForcedCapturing);
    connect(ui->btn_captureThumbs, &QPushButton::clicked, this, &app_ondrel::ForcedCapturing);
    connect(ui->btn_Settings, &QPushButton::clicked, this, &app_ondrel::OpenSettingsWindow);
    connect(ui->btn_MissingFingers, &QPushButton::clicked, this, &app_ondrel::EditFingerMarks);
    // Marks belong to one person.
    connect(ui->edit_Person, &QLineEdit::textEdited, this, [this] { SetFingerMarks({}); });
    connect(ui->btn_Runs, &QPushButton::clicked, this,
            [this] { RunsWindow::ShowFor(this, QString::fromStdString(Settings().basePath)); });
    connect(settingsDialog, &DialogSettings::authRequested, this, &app_ondrel::OnAuthGroupChanged);
    connect(settingsDialog, &DialogSettings::firmwareUploadStarted, statusLine, &StatusLine::ShowFirmwareUploadRunning);
    connect(settingsDialog, &DialogSettings::firmwareUploadFinished, statusLine, &StatusLine::ShowFirmwareUploadEnded);

    ResetIcons();
    SetFingerMarks(fingerMarks);
}

app_ondrel::~app_ondrel()
{
    // A run always ends before the window goes (closeEvent waits for it), so a pending
    // frame request cannot be left behind here.
    if (connected && device) {
        if (captureModeOn) {
            device->Stop();
        }
        device->Disconnect();
        qCInfo(lcDevice).noquote() << "Disconnected from" << DeviceAddressText();
    }
}

const AppSettings& app_ondrel::Settings() const
{
    return settingsDialog->settings();
}

std::string app_ondrel::DeviceHost() const
{
    return deviceHostOverride.empty() ? Settings().deviceIp : deviceHostOverride;
}

uint16_t app_ondrel::DevicePort() const
{
    return deviceHostOverride.empty() ? static_cast<uint16_t>(Settings().devicePort) : devicePortOverride;
}

QString app_ondrel::DeviceAddressText() const
{
    return QString::fromStdString(DeviceHost()) + QLatin1Char(':') + QString::number(DevicePort());
}

void app_ondrel::ConnectToDevice()
{
    if (device) {
        const bool wasConnected = connected;
        ReportError(device->Disconnect());
        if (wasConnected) {
            qCInfo(lcDevice).noquote() << "Disconnected from" << DeviceAddressText();
        }
        scene->clear();
    }
    auto fresh = std::make_unique<quorvel::Device>();
    device = std::move(fresh);
    connected = false;

    const AppSettings& settings = Settings();
    statusLine->ShowConnecting(QString::fromStdString(DeviceHost()), DevicePort());
    const quorvel::DeviceError result = device->Connect(DeviceHost(), DevicePort());
    if (result.failed()) {
        statusLine->ShowNotConnected();
        qCWarning(lcDevice).noquote() << "Connection to" << DeviceAddressText() << "failed";
        ShowError(QStringLiteral("Unable to connect to device server.") + QStringLiteral("\nIP: ")
                  + QString::fromStdString(DeviceHost()) + QStringLiteral("\nPort: ") + QString::number(DevicePort())
                  + QStringLiteral("\nError: ") + QString::fromStdString(result.message));
        return;
    }
    connected = true;
    statusLine->ShowConnected();
    qCInfo(lcDevice).noquote() << "Connected to" << DeviceAddressText();
    if (settings.authAutoLogin && Authenticate(settings.authGroup, settings.privateKeyFile)) {
        statusLine->ShowAccessLevel(QString::fromStdString(settings.authGroup));
    }
}

void app_ondrel::NoteClosedLink()
{
    // During a run the run's own operations report a lost link.
    if (connected && !running && device && !device->LinkOpen()) {
        connected = false;
        statusLine->ShowNotConnected();
        qCWarning(lcDevice).noquote() << "Connection to" << DeviceAddressText() << "lost";
    }
}

bool app_ondrel::ReportError(quorvel::DeviceError error)
{
    if (error.code == quorvel::DeviceError::OK) {
        return false;
    }
    if (error.code == quorvel::DeviceError::CONNECTION_ERROR && connected) {
        connected = false;
        statusLine->ShowNotConnected();
        qCWarning(lcDevice).noquote() << "Connection to" << DeviceAddressText() << "lost";
    }
    ShowError(QString::fromStdString(error.message));
    return true;
}

void app_ondrel::ShowError(QString text)
{
    qCWarning(lcUi).noquote() << "Error shown:" << text;
    if (unattended) {
        std::cerr << "Error: " << text.toStdString() << std::endl;
        return;
    }
    QMessageBox::critical(nullptr, QStringLiteral("Error"), text, QMessageBox::Ok, QMessageBox::NoButton);
}

void app_ondrel::ResetIcons()
{
    modeButtons.SetIdle();
    scene->clear();
}

void app_ondrel::ShowImage(cv::Mat image)
{
    if (image.empty()) {
        scene->clear();
        return;
    }
    ViewImage view;
    if (MakeViewImage(image, SceneImage::ViewportPixels(*ui->graphicsView), view)) {
        ShowViewImage(view);
    }
}

void app_ondrel::ShowViewImage(const ViewImage& view)
{
    SceneImage::Show(*ui->graphicsView, view);
    QCoreApplication::processEvents(QEventLoop::AllEvents, kShowImageEventsMs);
}

void app_ondrel::OnAuthGroupChanged(std::string authGroup, std::string privateKeyFile)
{
    qCDebug(lcUi) << "OnAuthGroupChanged called";
    // A frame request may be in flight, and responses are paired by order alone.
    if (running) {
        ShowError(QStringLiteral("Authentication is not possible while a capture is running. "
                                 "Please authenticate again when the workflow has ended."));
        return;
    }
    if (settingsDialog->IsFirmwareUploadRunning()) {
        ShowError(NotDuringFirmwareUploadText(QStringLiteral("Authentication")));
        return;
    }
    Authenticate(authGroup, privateKeyFile, settingsDialog);
}

bool app_ondrel::Authenticate(const std::string& authGroup, const std::string& privateKeyFile, QWidget* chosenIn)
{
    keyFileNotice.Tell(privateKeyFile, *statusLine, unattended, chosenIn);
    const quorvel::DeviceError result = device->Authenticate(authGroup, privateKeyFile);
    if (result.failed()) {
        qCWarning(lcDevice).noquote() << "Authentication as" << QString::fromStdString(authGroup) << "with key file"
                                      << QString::fromStdString(privateKeyFile) << "failed";
    } else {
        qCInfo(lcDevice).noquote() << "Authenticated as" << QString::fromStdString(authGroup) << "with key file"
                                   << QString::fromStdString(privateKeyFile);
    }
    return !ReportError(result);
}

std::string app_ondrel::GetAuthGroupText()
{
    if (running) {
        return kRelayCaptureRunning;
    }
    if (device && device->IsConnected()) {
        std::string group;
        device->GetCurrentAuthGroup(group);
        if (!group.empty()) {
            statusLine->ShowAccessLevel(QString::fromStdString(group));
        }
        return group;
    }
    return kRelayNotConnected;
}

void app_ondrel::OpenSettingsWindow()
{
    if (running) {
        return;
    }
    settingsDialog->show();
    settingsDialog->RefreshAuthGroup();
}

void app_ondrel::EditFingerMarks()
{
    if (running) {
        return; // a run keeps the marks it started with
    }
    DialogFingerMarks dialog(this);
    dialog.SetMarks(fingerMarks);
    if (dialog.exec() == QDialog::Accepted) {
        SetFingerMarks(dialog.Marks());
    }
}

void app_ondrel::SetFingerMarks(const FingerMarks& marks)
{
    fingerMarks = marks;
    statusLine->ShowFingerMarks(marks);
}

void app_ondrel::RetakeMode(int32_t mode)
{
    if (running || review->RunDirectory().isEmpty()) {
        return;
    }
    const QString directory = review->RunDirectory();
    const std::optional<RunRecord> record = ReadRunIni(directory + QStringLiteral("/run.ini"));
    retake = RetakeRequest{directory, record ? record->person : QFileInfo(directory).dir().dirName()};
    const std::vector<int32_t> wholeRun = std::exchange(workflowModes, {mode});
    StartWorkflow();
    workflowModes = wholeRun;
    retake.reset();
}

void app_ondrel::ForcedCapturing()
{
    if (running) {
        forcedCapture = true;
    }
}

void app_ondrel::closeEvent(QCloseEvent* event)
{
    if (running) {
        // The run is a call further down this stack. It ends after the current frame, stops
        // the device and closes the window again from there.
        closeRequested = true;
        stopRequested = true;
        event->ignore();
        return;
    }
    // Gone mid-upload, the program would leave the device half updated with nothing on screen.
    if (!settingsDialog->WaitForFirmwareUploadBeforeClosing()) {
        event->ignore();
        return;
    }
    settingsDialog->close();
    QMainWindow::closeEvent(event);
}

void app_ondrel::ShowReview(const QString& runDirectory)
{
    const bool shown = !unattended && !closeRequested && !runDirectory.isEmpty() && QDir(runDirectory).exists();
    if (shown) {
        review->ShowRun(runDirectory, runSettings.minFingerQuality);
    }
    review->setVisible(shown);
    ui->graphicsView->setVisible(!shown);
}

// ---------------------------------------------------------------------------------------
// Workflow

void app_ondrel::StartWorkflow()
{
    // During a run this click asks the run to stop. The device belongs to the run, so it is
    // neither reconnected nor used here.
    if (running) {
        stopRequested = true;
        ResetIcons();
        return;
    }
    lastRunStoredAll = false;
    runQuality.clear();
    modeResults.clear();
    for (int32_t mode : workflowModes) {
        modeResults.push_back({mode, CaptureOutcome::NotReached, false});
    }
    statusLine->ShowRunText(QString());

    if (BeginRun()) {
        RunSteps();
        lastRunStoredAll = RunComplete(modeResults);
        RemoveIfEmpty(captureDirectory);
        ReportProgress(UnattendedRunSummary(modeResults, captureDirectory));
        const QString summary =
            (QStringList{RunSummary(modeResults, captureDirectory)} + runQuality).join(QStringLiteral("; "));
        statusLine->ShowRunOutcome(summary, captureDirectory);
        qCInfo(lcRun).noquote() << "Run ended:" << summary;
        ShowReview(captureDirectory);
    } else {
        // Nothing runs, so nothing may look as if it did.
        ResetIcons();
        ReportProgress(QStringLiteral("The workflow could not start."));
        statusLine->ShowRunOutcome(QStringLiteral("The workflow could not start."), QString());
    }

    if (closeRequested) {
        FinishClosing();
    }
    if (runEnded) {
        runEnded(lastRunStoredAll);
    }
}

bool app_ondrel::BeginRun()
{
    // A retake belongs to the reviewed run and its person, whatever the field holds now. A new
    // run's identifier becomes a directory below the base directory: refuse it before the
    // device or the disk is touched.
    const QString person = retake ? retake->person : ui->edit_Person->text();
    const QString identifierProblem = retake ? QString() : PersonIdentifierProblem(person);
    if (!identifierProblem.isEmpty()) {
        ShowError(identifierProblem);
        return false;
    }
    // The device restarts when an upload ends; checked before the connection, whose
    // automatic login would reach the device as well.
    if (settingsDialog->IsFirmwareUploadRunning()) {
        ShowError(QString::fromUtf8(kCaptureDuringFirmwareUploadText));
        return false;
    }
    NoteClosedLink();
    if (!connected) {
        ConnectToDevice();
        if (!connected) {
            return false; // its box said why; Start() would only add a second one
        }
    }

    // The dialog may stay open during the run; what the operator changes there counts from
    // the next run on.
    runSettings = Settings();
    ShowReview(QString());
    UseCreationMask(runSettings.groupReadable);
    runMarks = fingerMarks;
    modeButtons.SetRunning();

    // Clicks that arrived after the last run had used its requests belong to no run.
    stopRequested = false;
    forcedCapture = false;
    if (ReportError(device->Start())) {
        return false;
    }
    captureModeOn = true;
    running = true;
    currentStep = 0;
    // Created now and exclusively, so that no two runs share a directory.
    const RunRecord header = RunJournal::NewRecord(person, DeviceAddressText(), workflowModes, runSettings);
    if (retake) {
        captureDirectory = retake->directory;
        journal.Resume(captureDirectory, header, runMarks);
        const ModeRunRecord* earlier = journal.Record().FindMode(workflowModes.front());
        qCInfo(lcRun).noquote() << QStringLiteral("Retake %1: attempt %2")
                                       .arg(QLatin1String(CaptureModeDirectoryName(workflowModes.front())))
                                       .arg((earlier != nullptr ? earlier->attempts : 0) + 1);
    } else {
        captureDirectory = journal.Open(QString::fromStdString(runSettings.basePath) + QLatin1Char('/') + person,
                                        QDateTime::currentDateTime().toString(QStringLiteral("dd_MM_yy_hh_mm_ss")),
                                        header, runMarks, AnySaveOptionEnabled(runSettings));
    }
    qCInfo(lcRun).noquote() << QStringLiteral("Run started: person \"%1\", directory %2").arg(person, captureDirectory);
    return true;
}

void app_ondrel::RunSteps()
{
    while (true) {
        if (!running) {
            return;
        }
        stepTimer.start();
        modeLive = {};
        modeTimedOut = false;
        MarkActiveMode();
        const int32_t mode = workflowModes[currentStep];
        const char* modeName = CaptureModeDirectoryName(mode);

        if (AllFingersMissing(mode, runMarks)) {
            ReportProgress(QStringLiteral("Not captured: %1 (all fingers missing)").arg(QLatin1String(modeName)));
            NoteModeOutcome(CaptureOutcome::AllFingersMissing, false);
        } else if (LiveView()) {
            const CaptureOutcome captured = forcedCapture ? CaptureOutcome::Forced : CaptureOutcome::Captured;
            forcedCapture = false;
            statusLine->ShowRunText(StepText(currentStep, static_cast<int>(workflowModes.size()),
                                             ModeHandName(mode) + QStringLiteral(": captured")));
            modeButtons.MarkCaptured(mode);
            ShowCheckmark();
            device->PlaySound(kCaptureSound);

            QElapsedTimer pauseTimer;
            pauseTimer.start();
            if (AnySaveOptionEnabled(runSettings)) {
                SaveResults();
                NoteModeOutcome(storageComplete ? captured : CaptureOutcome::StorageFailed, storageComplete);
                ReportProgress(QStringLiteral("Captured %1 -> %2/%1 (%3)%4")
                                   .arg(QLatin1String(modeName), captureDirectory,
                                        storedFiles.join(QStringLiteral(", ")),
                                        storageComplete ? QString() : QStringLiteral(", storage incomplete")));
            } else {
                ReportProgress(
                    QStringLiteral("Captured %1, nothing stored: no save option is on").arg(QLatin1String(modeName)));
                NoteModeOutcome(captured, false);
            }
            WaitProcessingEvents(runSettings.minWorkflowDelayMs, pauseTimer);
        } else if (stopRequested) {
            stopRequested = false;
            running = false;
            ResetIcons();
            EndCaptureMode();
            NoteModeOutcome(CaptureOutcome::Stopped, false);
            ReportProgress(QStringLiteral("Workflow stopped during %1").arg(QLatin1String(modeName)));
            return;
        } else if (modeTimedOut) {
            ReportProgress(
                QStringLiteral("Not captured: %1 (time limit of %2 s reached)")
                    .arg(QLatin1String(modeName), QString::number(static_cast<double>(modeTimeLimitMs) / 1000.0)));
            NoteModeOutcome(CaptureOutcome::TimeLimit, false);
        } else {
            ReportProgress(QStringLiteral("Not captured: %1").arg(QLatin1String(modeName)));
            NoteModeOutcome(CaptureOutcome::DeviceError, false);
        }

        ++currentStep;
        if (currentStep >= static_cast<int32_t>(workflowModes.size())) {
            EndCaptureMode();
            running = false;
            ResetIcons();
            return;
        }
        if (closeRequested) {
            // Closing skips the remaining modes; the device is stopped while closing.
            running = false;
            stopRequested = false;
            ResetIcons();
            return;
        }
    }
}

void app_ondrel::EndCaptureMode()
{
    // A closing window stops the device itself, without a box (FinishClosing).
    if (captureModeOn && !closeRequested) {
        captureModeOn = false;
        ReportError(device->Stop());
    }
}

void app_ondrel::WaitProcessingEvents(float minimumMs, const QElapsedTimer& timer)
{
    while (minimumMs > static_cast<float>(timer.elapsed()) && !closeRequested) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, kPauseEventsMs);
        QThread::msleep(kPauseSleepMs);
    }
}

void app_ondrel::FinishClosing()
{
    // A run cut short by closing leaves the device capturing; stop it, then let the window go.
    if (connected && device) {
        if (captureModeOn) {
            device->Stop();
            captureModeOn = false;
        }
        device->Disconnect();
        qCInfo(lcDevice).noquote() << "Disconnected from" << DeviceAddressText();
        connected = false;
    }
    closeRequested = false;
    close();
}

void app_ondrel::MarkActiveMode()
{
    modeButtons.MarkActive(workflowModes[currentStep]);
}

void app_ondrel::ShowQuality(const std::vector<FingerQualityRecord>& fingers, cv::Size scoredImageSize)
{
    const int32_t mode = workflowModes[currentStep];
    DrawFingerQualities(display.pixels, fingers, runSettings.minFingerQuality, scoredImageSize, ViewColour);
    ShowViewImage(display);
    const QStringList lines =
        QStringList{QualitySummary(mode, fingers)} + BelowMinimumTexts(mode, fingers, runSettings.minFingerQuality);
    runQuality << lines;
    statusLine->ShowRunText(
        StepText(currentStep, static_cast<int>(workflowModes.size()), lines.join(QStringLiteral("; "))));
    ReportProgress(UnattendedQualityLine(mode, fingers));
    for (int i = 1; i < lines.size(); ++i) {
        ReportProgress(lines[i]);
    }
}

void app_ondrel::ShowCheckmark()
{
    if (display.Empty()) {
        return;
    }
    DrawViewCheckmark(display);
    ShowViewImage(display);
}

std::string app_ondrel::FloatToString(float value, int precision)
{
    return ::FloatToString(value, precision);
}

bool app_ondrel::LiveView()
{
    FrameRateHistory frameRates;
    QElapsedTimer frameTimer;
    FetchedFrame current;
    // Declared after `current` and before the future, so that the thread outlives every
    // pending request and nothing it fills outlives the call.
    WorkerThread fetcher;

    const AppSettings& settings = runSettings;
    const int32_t mode = workflowModes[currentStep];
    FrameLook look{SceneImage::ViewportPixels(*ui->graphicsView), &settings, BoxColours{}};

    for (int warmUp = 0; warmUp < 2; ++warmUp) {
        current = FetchFrame(*device, std::move(current), look);
        if (ReportError(current.result)) {
            return false;
        }
    }
    if (!running) {
        return false;
    }

    while (true) {
        if (stopRequested) {
            return false;
        }
        frameTimer.start();
        previousSegments = std::move(current.segments);
        previousFrameId = current.frameId;
        // The frame just received becomes lastFrame without a copy; the buffers it and the
        // view image replace go to the next request, which nothing else reads any more.
        std::swap(current.frame, lastFrame);
        if (!IsDisplayableFrame(lastFrame)) {
            // Nothing is in flight yet, so the error box cannot interleave with a request.
            return !ReportError(
                {quorvel::DeviceError::RESPONSE_ERROR,
                 QStringLiteral("The device sent a live frame that cannot be shown (type %1, %2 x %3 pixels).")
                     .arg(lastFrame.type())
                     .arg(lastFrame.cols)
                     .arg(lastFrame.rows)
                     .toStdString()});
        }
        std::swap(display, current.view);

        // The next frame is fetched, and prepared for the view, while this one is drawn and
        // shown. The task owns what it fills and hands it back through the future, which is
        // always waited for below; should anything in between throw, the fetcher's end waits.
        look.viewport = SceneImage::ViewportPixels(*ui->graphicsView);
        std::future<FetchedFrame> pending = fetcher.Run([this, buffers = std::move(current), look]() mutable {
            return FetchFrame(*device, std::move(buffers), look);
        });

        const bool ready =
            CaptureConditionHolds(mode, previousSegments, lastFrame.cols, lastFrame.rows, settings, runMarks);
        statusLine->ShowRunText(
            StepText(currentStep, static_cast<int>(workflowModes.size()),
                     CaptureGuidance(mode, previousSegments, lastFrame.cols, lastFrame.rows, settings, runMarks)));
        DrawViewFrameRate(display, frameRates.Mean());
        ShowViewImage(display);
        if (previousSegments.empty()) {
            while (frameTimer.elapsed() < kEmptyFramePeriodMs) {
                QCoreApplication::processEvents(QEventLoop::AllEvents, kPauseEventsMs);
                QThread::msleep(kPauseSleepMs);
            }
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, kFrameEventsMs);

        current = pending.get();
        if (ReportError(current.result)) {
            return false;
        }
        frameRates.Add(frameTimer.elapsed());
        ++modeLive.frames;
        modeLive.liveMs = stepTimer.elapsed();
        if (forcedCapture || ready) {
            modeLive.captureMs = modeLive.liveMs;
            return true;
        }
        if (!running) {
            return false;
        }
        if (modeTimeLimitMs > 0 && stepTimer.elapsed() >= modeTimeLimitMs) {
            modeTimedOut = true;
            return false;
        }
    }
}

void app_ondrel::SaveResults()
{
    ModeStoreInput input;
    input.runDirectory = captureDirectory;
    input.modeName = QLatin1String(CaptureModeDirectoryName(workflowModes[currentStep]));
    input.mode = workflowModes[currentStep];
    input.marks = runMarks;
    input.settings = runSettings;
    input.preview = lastFrame;
    input.stepTimer = stepTimer;
    input.finalProcMs = finalProcMs;
    input.rawDataMs = rawDataMs;
    const CaptureResultRequests requests = DeviceResultRequests(*device, previousFrameId);

    // The requests and the writing run beside the GUI thread, which keeps the window alive;
    // the run waits for the mode to be complete on disk, whatever is clicked meanwhile.
    const QString stepText = statusLine->RunText();
    statusLine->ShowRunText(QStringLiteral("Storing %1\u2026").arg(input.modeName));
    // The run's ANSI/NIST-ITL file follows every stored mode, written beside the GUI thread too.
    const bool interchangeFile = runSettings.saveInterchangeFile && runSettings.saveFinalImage;
    const InterchangeValues interchange = InterchangeValuesOf(runSettings);
    QString interchangeProblem;
    QStringList interchangeNotes;
    const ModeStoreOutcome outcome = RunProcessingEvents([&] {
        ModeStoreOutcome stored = StoreMode(input, requests);
        if (stored.committed && interchangeFile
            && !WriteRunInterchangeFile(input.runDirectory, input.runDirectory + QStringLiteral("/run.an2"),
                                        interchange, &interchangeProblem, &interchangeNotes)) {
            interchangeNotes = QStringList{interchangeProblem}; // it names what was left out too
        }
        return stored;
    });
    statusLine->ShowRunText(stepText);
    for (const QString& note : interchangeNotes) {
        qCWarning(lcRun).noquote() << "run.an2:" << note;
    }
    if (outcome.scored) {
        ShowQuality(outcome.fingers, outcome.finalImageSize);
    }

    finalProcMs = outcome.finalProcMs;
    rawDataMs = outcome.rawDataMs;
    storedFiles = outcome.storedFiles;
    for (const quorvel::DeviceError& error : outcome.failedRequests) {
        ReportError(error);
    }
    // One box per stored mode, however many paths failed.
    if (!outcome.report.Empty()) {
        ShowError(outcome.StorageMessage());
    }
    storageComplete = outcome.Complete();
}

// ---------------------------------------------------------------------------------------
// Console output of unattended runs

void app_ondrel::ReportProgress(const QString& line) const
{
    if (unattended) {
        std::cout << line.toStdString() << std::endl;
    }
}

// ---------------------------------------------------------------------------------------
// Status line and keys

void app_ondrel::NoteModeOutcome(CaptureOutcome outcome, bool stored)
{
    if (currentStep < 0 || currentStep >= static_cast<int32_t>(modeResults.size())) {
        return;
    }
    modeResults[static_cast<std::size_t>(currentStep)] = {workflowModes[currentStep], outcome, stored};
    QString problem;
    if (!journal.RecordAttempt(ModeAttempt(workflowModes[currentStep], outcome, modeLive, previousSegments),
                               &problem)) {
        qCWarning(lcRun).noquote() << "run.ini not written:" << problem;
    }
}

void app_ondrel::InstallKeys()
{
    // Return in the person field starts a run; it never stops one by accident.
    connect(ui->edit_Person, &QLineEdit::returnPressed, this, [this] {
        if (!running) {
            StartWorkflow();
        }
    });
    auto* stop = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(stop, &QShortcut::activated, this, [this] {
        if (running) {
            StartWorkflow(); // a click during a run is a stop request
        }
    });
    // Some platforms have no usual key for the settings.
    QKeySequence preferences(QKeySequence::Preferences);
    if (preferences.isEmpty()) {
        preferences = QKeySequence(Qt::CTRL | Qt::Key_Comma);
    }
    auto* settings = new QShortcut(preferences, this);
    connect(settings, &QShortcut::activated, this, &app_ondrel::OpenSettingsWindow);
    ui->btn_Settings->setToolTip(
        QStringLiteral("%1 (%2)").arg(ui->btn_Settings->toolTip(), preferences.toString(QKeySequence::NativeText)));
}
