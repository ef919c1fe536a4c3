#include "DialogSettings.h"

#include "AppLog.h"
#include "PrivateKeyFileName.h"
#include "SettingsDeviceRelay.h"
#include "SettingsStore.h"
#include "ui_DialogSettings.h"

#include "Device.h"
#include "DeviceText.h"

#include <QDebug>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>

namespace {

constexpr int kFirmwareLabelHideMs = 5000;

const char kFirmwareInProgressText[] =
    "Firmware upload is in progress.\n\n"
    "Please do not close the application or disconnect the device from the power source.";
const char kFirmwareSuccessText[] = "Firmware successfully uploaded!\n\n"
                                    "Please wait for the device to restart. This may take several minutes";
const char kFirmwareOpenFailedText[] = "open Firmware failed!";
const char kFirmwareUploadFailedText[] = "Firmware upload failed!";

const char kKeyFileNameErrorText[] =
    "Could not parse AuthGroup from filename. Please make sure your filename "
    "starts with the AuthGroup in UPPERCASE followed by a '.', for example: USER.priv.pem";

QString FirmwareResultText(uint32_t resultCode)
{
    switch (resultCode) {
    case quorvel::DeviceError::OK:
        return QString::fromUtf8(kFirmwareSuccessText);
    // Everything the upload itself reports: unreadable file, an error answer, no answer.
    case quorvel::DeviceError::RESPONSE_ERROR:
        return QString::fromUtf8(kFirmwareOpenFailedText);
    default:
        return QString::fromUtf8(kFirmwareUploadFailedText);
    }
}

// Whole units for the integer spin boxes, truncated toward zero. Values no int can hold
// are limited first, since converting them would be undefined.
int TruncatedToInt(float value)
{
    if (std::isnan(value)) {
        return 0;
    }
    const double limited = std::clamp(static_cast<double>(value), static_cast<double>(std::numeric_limits<int>::min()),
                                      static_cast<double>(std::numeric_limits<int>::max()));
    return static_cast<int>(limited);
}

// A run owns the device and the settings it started with; a device action now would share
// the connection with its requests. True, after saying so, when `relay` reports a run.
bool RefusedDuringCapture(SettingsDeviceRelay* relay, const QString& action)
{
    if (relay == nullptr || !relay->IsCaptureRunning()) {
        return false;
    }
    QMessageBox::critical(
        nullptr, QStringLiteral("Error"),
        action
            + QStringLiteral(
                " is not possible while a capture is running. Please try again when the workflow has ended."),
        QMessageBox::Ok);
    return true;
}

} // namespace

DialogSettings::Choosers DialogSettings::NativeChoosers()
{
    Choosers native;
    native.openFile = [](QWidget* parent, const QString& caption, const QString& dir, const QString& filter) {
        return QFileDialog::getOpenFileName(parent, caption, dir, filter);
    };
    native.existingDirectory = [](QWidget* parent, const QString& caption, const QString& dir) {
        return QFileDialog::getExistingDirectory(parent, caption, dir, QFileDialog::ShowDirsOnly);
    };
    return native;
}

DialogSettings::DialogSettings(QWidget* parent, SettingsDeviceRelay* relay)
    : QDialog(parent)
    , appSettings(DefaultAppSettings())
    , relay(relay)
    , ui(std::make_unique<Ui::SettingsDialog>())
    , choosers(NativeChoosers())
    , fwLabelHideTimer(new QTimer(this))
{
    qRegisterMetaType<std::string>("std::string");
    ui->setupUi(this);

    connect(ui->btn_ok, &QPushButton::clicked, this, &DialogSettings::OkClicked);
    connect(ui->btn_cancel, &QPushButton::clicked, this, &DialogSettings::CancelClicked);
    for (QCheckBox* box :
         {ui->check_fpsRate, ui->check_boundingBoxes, ui->check_position, ui->check_distance, ui->check_movement}) {
        connect(box, &QCheckBox::clicked, this, &DialogSettings::CheckSettings);
    }
    connect(ui->edit_ip, &QLineEdit::editingFinished, this, &DialogSettings::CheckSettings);
    connect(ui->edit_port, &QLineEdit::editingFinished, this, &DialogSettings::CheckSettings);
    connect(ui->edit_baseDir, &QLineEdit::editingFinished, this, &DialogSettings::CheckSettings);
    connect(ui->btn_browseBaseDir, &QPushButton::clicked, this, &DialogSettings::UpdateBaseDir);
    for (QCheckBox* box : {ui->check_rawData, ui->check_capTimes, ui->check_previewImg, ui->check_finalImg,
                           ui->check_calibFile, ui->check_segInfos, ui->check_finalSegments}) {
        connect(box, &QCheckBox::clicked, this, &DialogSettings::CheckSettings);
    }
    connect(ui->btn_browseFW, &QPushButton::clicked, this, &DialogSettings::BrowseFwPath);
    connect(ui->btn_uploadFW, &QPushButton::clicked, this, &DialogSettings::UpdateFirmware);
    connect(ui->btn_browsePrivKeyFile, &QPushButton::clicked, this, &DialogSettings::BrowsePrivKeyFile);
    connect(ui->btn_authClear, &QPushButton::clicked, this, &DialogSettings::clearPrivKey);

    // The spin boxes take the ranges the settings file is read into.
    const auto applyRange = [](auto* spin, SettingRange range) { spin->setRange(range.minimum, range.maximum); };
    applyRange(ui->spin_thresholdHigh, kThresholdTooHighRange);
    applyRange(ui->spin_thresholdLow, kThresholdTooLowRange);
    applyRange(ui->spin_thresholdMoveX, kThresholdMoveXYRange);
    applyRange(ui->spin_thresholdMoveY, kThresholdMoveXYRange);
    applyRange(ui->spin_thresholdMoveZ, ThresholdMoveZRange(false));
    applyRange(ui->spin_minSteps, kMinWorkflowDelayRange);

    appSettings.extendedMode = false;
    LoadSettings();

    if (!appSettings.extendedMode) {
        ui->check_previewImg->hide();
        ui->check_calibFile->hide();
        ui->check_rawData->hide();
        ui->check_capTimes->hide();
        LimitToStandardMode(appSettings);
        ui->spin_thresholdMoveZ->setMaximum(ThresholdMoveZRange(false).maximum);
        // Writes back the limited Move Z and the cleared extended switches.
        StoreSettings();
    }

    // Enter in a field applies that field and nothing else: no button is the default.
    for (QPushButton* button : findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    ui->lbl_fwUpdate->hide();
    ui->progress_fwUpload->setRange(0, 100);
    ui->progress_fwUpload->hide();
    // A coarse timer may fire a little early; the status must stay its full time.
    fwLabelHideTimer->setSingleShot(true);
    fwLabelHideTimer->setTimerType(Qt::PreciseTimer);
    connect(fwLabelHideTimer, &QTimer::timeout, this, &DialogSettings::HideFirmwareStatusWhenDue);
    connect(ui->edit_fwPath, &QLineEdit::textChanged, this, &DialogSettings::EnableFirmwareUpload);
    EnableFirmwareUpload();
}

DialogSettings::~DialogSettings()
{
    // The base QDialog hides the dialog when the members are gone; a field losing focus
    // then must not reach CheckSettings.
    for (QWidget* control : findChildren<QWidget*>()) {
        control->disconnect(this);
    }
    if (firmwareWorker.joinable()) {
        firmwareWorker.join();
    }
}

bool DialogSettings::AnySaveOptionEnabled() const
{
    return ::AnySaveOptionEnabled(appSettings);
}

void DialogSettings::setChoosers(Choosers replacement)
{
    choosers = std::move(replacement);
}

void DialogSettings::LoadSettings()
{
    {
        const auto store = OpenSettingsStore();
        LoadAppSettings(appSettings, *store);
    }
    // Raised before the controls are filled, so a stored Move Z above the standard
    // limit is shown and kept rather than cut down by the spin box.
    if (appSettings.extendedMode) {
        ui->spin_thresholdMoveZ->setMaximum(ThresholdMoveZRange(true).maximum);
    }
    ApplyToControls();
}

void DialogSettings::StoreSettings()
{
    {
        const auto store = OpenSettingsStore();
        StoreAppSettings(appSettings, *store);
    }
    ApplyToControls();
}

void DialogSettings::ApplyToControls()
{
    // Setting a control programmatically emits none of the wired signals (clicked,
    // editingFinished), so filling the controls one by one never re-enters CheckSettings.
    ui->edit_ip->setText(QString::fromStdString(appSettings.deviceIp));
    ui->edit_port->setText(QString::number(appSettings.devicePort));

    ui->check_fpsRate->setChecked(appSettings.drawFps);
    ui->check_boundingBoxes->setChecked(appSettings.drawBoundingBox);
    ui->check_position->setChecked(appSettings.drawPosition);
    ui->check_distance->setChecked(appSettings.drawDistance);
    ui->check_movement->setChecked(appSettings.drawMovement);

    ui->spin_thresholdHigh->setValue(TruncatedToInt(appSettings.thresholdTooHigh));
    ui->spin_thresholdLow->setValue(TruncatedToInt(appSettings.thresholdTooLow));
    ui->spin_thresholdMoveX->setValue(static_cast<double>(appSettings.thresholdMoveX));
    ui->spin_thresholdMoveY->setValue(static_cast<double>(appSettings.thresholdMoveY));
    ui->spin_thresholdMoveZ->setValue(static_cast<double>(appSettings.thresholdMoveZ));
    ui->spin_minSteps->setValue(TruncatedToInt(appSettings.minWorkflowDelayMs));

    ui->edit_baseDir->setText(QString::fromStdString(appSettings.basePath));

    ui->check_rawData->setChecked(appSettings.saveRawData);
    ui->check_capTimes->setChecked(appSettings.saveCaptureTimes);
    ui->check_previewImg->setChecked(appSettings.savePreviewImage);
    ui->check_finalImg->setChecked(appSettings.saveFinalImage);
    ui->check_calibFile->setChecked(appSettings.saveCalibrationFile);
    ui->check_segInfos->setChecked(appSettings.saveSegmentInformations);
    ui->check_finalSegments->setChecked(appSettings.saveSegments);

    // Segments and their measurements come out of the final image.
    if (appSettings.saveFinalImage) {
        ui->check_finalSegments->setEnabled(true);
        ui->check_segInfos->setEnabled(true);
    } else {
        ui->check_finalSegments->setChecked(false);
        ui->check_finalSegments->setEnabled(false);
        ui->check_segInfos->setChecked(false);
        ui->check_segInfos->setEnabled(false);
    }

    ui->edit_authPrivKeyFile->setText(QString::fromStdString(appSettings.privateKeyFile));
}

void DialogSettings::CheckSettings()
{
    appSettings.deviceIp = ui->edit_ip->text().toStdString();
    bool portIsNumber = false;
    const int port = ui->edit_port->text().toInt(&portIsNumber, 10);
    appSettings.devicePort = portIsNumber ? port : 0;

    appSettings.drawFps = ui->check_fpsRate->isChecked();
    appSettings.drawBoundingBox = ui->check_boundingBoxes->isChecked();
    appSettings.drawPosition = ui->check_position->isChecked();
    appSettings.drawDistance = ui->check_distance->isChecked();
    appSettings.drawMovement = ui->check_movement->isChecked();

    appSettings.thresholdTooHigh = static_cast<float>(ui->spin_thresholdHigh->value());
    appSettings.thresholdTooLow = static_cast<float>(ui->spin_thresholdLow->value());
    appSettings.thresholdMoveX = static_cast<float>(ui->spin_thresholdMoveX->value());
    appSettings.thresholdMoveY = static_cast<float>(ui->spin_thresholdMoveY->value());
    appSettings.thresholdMoveZ = static_cast<float>(ui->spin_thresholdMoveZ->value());
    appSettings.minWorkflowDelayMs = static_cast<float>(ui->spin_minSteps->value());

    appSettings.basePath = ui->edit_baseDir->text().toStdString();

    // Hidden boxes hold the false values ApplyToControls gave them.
    appSettings.saveRawData = ui->check_rawData->isChecked();
    appSettings.saveCaptureTimes = ui->check_capTimes->isChecked();
    appSettings.savePreviewImage = ui->check_previewImg->isChecked();
    appSettings.saveFinalImage = ui->check_finalImg->isChecked();
    appSettings.saveCalibrationFile = ui->check_calibFile->isChecked();
    appSettings.saveSegmentInformations = ui->check_segInfos->isChecked();
    appSettings.saveSegments = ui->check_finalSegments->isChecked();

    qDebug() << "Settings Changed!";
    StoreSettings();
}

void DialogSettings::OkClicked()
{
    CheckSettings();
    accept();
}

void DialogSettings::CancelClicked()
{
    // Spin box edits are not applied; they stay in the controls until the next apply.
    accept();
}

void DialogSettings::UpdateBaseDir()
{
    const QString dir =
        choosers.existingDirectory(nullptr, QStringLiteral("W\u00e4hle einen Ordner"), QDir::homePath());
    if (dir.isEmpty()) {
        return;
    }
    appSettings.basePath = dir.toStdString();
    StoreSettings();
    ApplyToControls();
}

void DialogSettings::BrowsePrivKeyFile()
{
    if (RefusedDuringCapture(relay, QStringLiteral("Authentication"))) {
        return;
    }
    const QString path = choosers.openFile(this, tr("Open Private Key with name like AUTHGROUP.priv.pem"), QString(),
                                           tr("Private Key PEM (*.pem)"));
    if (path.isNull()) {
        return;
    }

    const std::optional<QString> group = ParseAuthGroupFromFileName(QFileInfo(path).fileName());
    if (!group || group->isEmpty()) {
        qCWarning(lcUi).noquote() << "Error shown:" << kKeyFileNameErrorText;
        QMessageBox::critical(nullptr, QStringLiteral("Error"), QString::fromUtf8(kKeyFileNameErrorText),
                              QMessageBox::Ok);
        return;
    }

    appSettings.authAutoLogin = true;
    appSettings.authGroup = group->toStdString();
    appSettings.privateKeyFile = path.toStdString();
    ui->edit_authPrivKeyFile->setText(path);
    emit authRequested(appSettings.authGroup, appSettings.privateKeyFile);
    RefreshAuthGroup();
}

void DialogSettings::clearPrivKey()
{
    if (RefusedDuringCapture(relay, QStringLiteral("Authentication"))) {
        return;
    }
    appSettings.authAutoLogin = false;
    appSettings.authGroup = "GUEST";
    appSettings.privateKeyFile.clear();
    ui->edit_authPrivKeyFile->clear();
    emit authRequested(std::string("GUEST"), std::string());
    RefreshAuthGroup();
}

void DialogSettings::RefreshAuthGroup()
{
    // Only shown: a failed automatic login would otherwise store the device's lower group.
    const std::string answer = relay != nullptr ? relay->GetAuthGroupText() : std::string(kRelayNotConnected);
    // The group is the device's text.
    const std::string shown =
        quorvel::ShowableDeviceText(reinterpret_cast<const uint8_t*>(answer.data()), answer.size());
    ui->lbl_authGroup_current->setText(QString::fromStdString(shown));
}

void DialogSettings::SetSessionDeviceAddress(const std::string& host, uint16_t port)
{
    sessionDeviceHost = host;
    sessionDevicePort = port;
}

void DialogSettings::BrowseFwPath()
{
    const QString path = choosers.openFile(this, tr("Open File"), QString(), tr("ZPXFW Files (*.zpxfw)"));
    if (!path.isNull()) {
        ui->edit_fwPath->setText(path);
    }
}

void DialogSettings::EnableFirmwareUpload()
{
    ui->btn_uploadFW->setEnabled(!firmwareUpdateRunning && !ui->edit_fwPath->text().isEmpty());
}

void DialogSettings::UpdateFirmware()
{
    // The paint passes below run events, so a second click could arrive mid-upload; one
    // upload at a time.
    if (firmwareUpdateRunning || RefusedDuringCapture(relay, QStringLiteral("A firmware update"))) {
        return;
    }
    if (firmwareWorker.joinable()) {
        firmwareWorker.join();
    }
    firmwareUpdateRunning = true;
    EnableFirmwareUpload();

    // A hide still pending from an earlier update must not hide this one's status.
    fwLabelHideTimer->stop();
    ui->lbl_fwUpdate->show();
    ui->progress_fwUpload->setValue(0);
    ui->progress_fwUpload->show();
    ui->btn_ok->setEnabled(false);
    ui->btn_cancel->setEnabled(false);
    ui->lbl_fwUpdate->setText(QString::fromUtf8(kFirmwareInProgressText));

    // The session's device when the command line named one, else the stored address.
    const bool session = !sessionDeviceHost.empty();
    const std::string host = session ? sessionDeviceHost : appSettings.deviceIp;
    const uint16_t port = session ? sessionDevicePort : static_cast<uint16_t>(appSettings.devicePort);
    const QString path = ui->edit_fwPath->text();
    qDebug().noquote() << QStringLiteral("Firmware File: ") + path;
    firmwareWorker = std::thread([this, host, port, path] {
        // Called on the device's I/O thread; only whole-percent steps reach the UI thread.
        auto shownPercent = std::make_shared<std::atomic<int>>(0);
        const quorvel::Device::SendProgress progress = [this, shownPercent](uint64_t sent, uint64_t total) {
            const int percent = total == 0 ? 100 : static_cast<int>(sent * 100 / total);
            if (shownPercent->exchange(percent) != percent) {
                QMetaObject::invokeMethod(
                    this, [this, percent] { ui->progress_fwUpload->setValue(percent); }, Qt::QueuedConnection);
            }
        };
        quorvel::DeviceError result;
        {
            quorvel::Device device;
            result = device.Connect(host, port);
            if (!result.failed()) {
                result = device.UploadFirmware(path.toStdString(), progress);
                device.Disconnect();
            }
        }
        QMetaObject::invokeMethod(
            this, [this, result, host, port, path] { FinishFirmwareUpdate(result, host, port, path); },
            Qt::QueuedConnection);
    });
}

void DialogSettings::FinishFirmwareUpdate(const quorvel::DeviceError& result, const std::string& host, uint16_t port,
                                          const QString& path)
{
    const QString resultText = FirmwareResultText(result.code);
    qCInfo(lcDevice).noquote() << "Firmware update of"
                               << QString::fromStdString(host) + QLatin1Char(':') + QString::number(port) << "with"
                               << QFileInfo(path).fileName()
                               << QStringLiteral("(%1 bytes):").arg(QFileInfo(path).size())
                               << resultText.section(QLatin1Char('\n'), 0, 0)
                               << (result.failed() ? QString::fromStdString(result.message) : QString());
    ui->lbl_fwUpdate->setText(resultText);
    ui->btn_ok->setEnabled(true);
    ui->btn_cancel->setEnabled(true);
    firmwareUpdateRunning = false;
    EnableFirmwareUpload();
    fwResultShown.start();
    fwLabelHideTimer->start(kFirmwareLabelHideMs);
}

void DialogSettings::HideFirmwareStatusWhenDue()
{
    const qint64 left = kFirmwareLabelHideMs - fwResultShown.elapsed();
    if (left > 0) {
        fwLabelHideTimer->start(static_cast<int>(left));
        return;
    }
    ui->lbl_fwUpdate->hide();
    ui->progress_fwUpload->hide();
}
