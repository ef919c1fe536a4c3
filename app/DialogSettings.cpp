#include "DialogSettings.h"

#include "AppLog.h"
#include "PrivateKeyFileName.h"
#include "SettingsDeviceRelay.h"
#include "SettingsStore.h"
#include "ui_DialogSettings.h"

#include "Device.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int kFirmwareLabelHideMs = 5000;
// Long enough for the status label to be painted before the UI thread blocks.
constexpr int kPaintSliceMs = 50;

const char kFirmwareInProgressText[] = "Firmware upload is in progress.\n\n"
                                       "Please do not close the application or disconnect the device from the power source.";
const char kFirmwareSuccessText[] = "Firmware successfully uploaded!\n\n"
                                    "Please wait for the device to restart. This may take several minutes";
const char kFirmwareOpenFailedText[] = "open Firmware failed!";
const char kFirmwareUploadFailedText[] = "Firmware upload failed!";

const char kKeyFileNameErrorText[] = "Could not parse AuthGroup from filename. Please make sure your filename "
                                     "starts with the AuthGroup in UPPERCASE followed by a '.', for example: USER.priv.pem";

QString FirmwareResultText(const quorvel::DeviceError& result)
{
    switch (result.code) {
    case quorvel::DeviceError::OK: return QString::fromUtf8(kFirmwareSuccessText);
    // Everything the upload itself reports: unreadable file, an error answer, no answer.
    case quorvel::DeviceError::RESPONSE_ERROR: return QString::fromUtf8(kFirmwareOpenFailedText);
    default: return QString::fromUtf8(kFirmwareUploadFailedText);
    }
}

// Whole units for the integer spin boxes, truncated toward zero. Values no int can hold
// are limited first, since converting them would be undefined.
int TruncatedToInt(float value)
{
    if (std::isnan(value)) {
        return 0;
    }
    const double limited = std::clamp(static_cast<double>(value),
        static_cast<double>(std::numeric_limits<int>::min()), static_cast<double>(std::numeric_limits<int>::max()));
    return static_cast<int>(limited);
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
    for (QCheckBox* box : { ui->check_fpsRate, ui->check_boundingBoxes, ui->check_position, ui->check_distance,
             ui->check_movement }) {
        connect(box, &QCheckBox::clicked, this, &DialogSettings::CheckSettings);
    }
    connect(ui->edit_ip, &QLineEdit::editingFinished, this, &DialogSettings::CheckSettings);
    connect(ui->edit_port, &QLineEdit::editingFinished, this, &DialogSettings::CheckSettings);
    connect(ui->edit_baseDir, &QLineEdit::editingFinished, this, &DialogSettings::CheckSettings);
    connect(ui->btn_browseBaseDir, &QPushButton::clicked, this, &DialogSettings::UpdateBaseDir);
    for (QCheckBox* box : { ui->check_rawData, ui->check_capTimes, ui->check_previewImg, ui->check_finalImg,
             ui->check_calibFile, ui->check_segInfos, ui->check_finalSegments }) {
        connect(box, &QCheckBox::clicked, this, &DialogSettings::CheckSettings);
    }
    connect(ui->btn_browseFW, &QPushButton::clicked, this, &DialogSettings::BrowseFwPath);
    connect(ui->btn_uploadFW, &QPushButton::clicked, this, &DialogSettings::UpdateFirmware);
    connect(ui->btn_browsePrivKeyFile, &QPushButton::clicked, this, &DialogSettings::BrowsePrivKeyFile);
    connect(ui->btn_authClear, &QPushButton::clicked, this, &DialogSettings::clearPrivKey);

    appSettings.extendedMode = false;
    LoadSettings();

    if (!appSettings.extendedMode) {
        ui->check_previewImg->hide();
        ui->check_calibFile->hide();
        ui->check_rawData->hide();
        ui->check_capTimes->hide();
        LimitToStandardMode(appSettings);
        ui->spin_thresholdMoveZ->setMaximum(kStandardMoveZMax);
        // Writes back the limited Move Z and the cleared extended switches.
        StoreSettings();
    }

    ui->lbl_fwUpdate->hide();
    fwLabelHideTimer->setSingleShot(true);
    fwLabelHideTimer->setInterval(kFirmwareLabelHideMs);
    connect(fwLabelHideTimer, &QTimer::timeout, ui->lbl_fwUpdate, &QLabel::hide);
}

DialogSettings::~DialogSettings() = default;

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
        ui->spin_thresholdMoveZ->setMaximum(kExtendedMoveZMax);
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

    ui->edit_baseDir->setText(appSettings.basePath);

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

    appSettings.basePath = ui->edit_baseDir->text();

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
    const QString dir = choosers.existingDirectory(nullptr, QStringLiteral("W\u00e4hle einen Ordner"), QDir::homePath());
    if (dir.isEmpty()) {
        return;
    }
    appSettings.basePath = dir;
    StoreSettings();
    ApplyToControls();
}

void DialogSettings::BrowsePrivKeyFile()
{
    const QString path = choosers.openFile(this, tr("Open Private Key with name like AUTHGROUP.priv.pem"), QString(),
        tr("Private Key PEM (*.pem)"));
    if (path.isNull()) {
        return;
    }

    const std::optional<QString> group = ParseAuthGroupFromFileName(QFileInfo(path).fileName());
    if (!group || group->isEmpty()) {
        qCWarning(lcUi).noquote() << "Error shown:" << kKeyFileNameErrorText;
        QMessageBox::critical(nullptr, QStringLiteral("Error"), QString::fromUtf8(kKeyFileNameErrorText), QMessageBox::Ok);
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
    appSettings.authAutoLogin = false;
    appSettings.authGroup.clear();
    appSettings.privateKeyFile.clear();
    ui->edit_authPrivKeyFile->clear();
    emit authRequested(std::string("GUEST"), std::string());
    RefreshAuthGroup();
}

void DialogSettings::RefreshAuthGroup()
{
    const std::string answer = relay != nullptr ? relay->GetAuthGroupText() : std::string(kRelayNotConnected);
    // A status text or an empty answer is no group: keeping it would end up in the file
    // and break the next automatic login.
    if (IsDeviceReportedGroup(answer)) {
        appSettings.authGroup = answer;
    }
    ui->lbl_authGroup_current->setText(QString::fromStdString(answer));
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

void DialogSettings::UpdateFirmware()
{
    // The paint passes below run events, so a second click could arrive mid-upload; one
    // upload at a time.
    if (firmwareUpdateRunning) {
        return;
    }
    firmwareUpdateRunning = true;

    // A hide still pending from an earlier update must not hide this one's status.
    fwLabelHideTimer->stop();
    ui->lbl_fwUpdate->show();
    ui->btn_ok->setEnabled(false);
    ui->btn_cancel->setEnabled(false);
    ui->lbl_fwUpdate->setText(QString::fromUtf8(kFirmwareInProgressText));
    QCoreApplication::processEvents(QEventLoop::AllEvents, kPaintSliceMs);

    quorvel::DeviceError result;
    quorvel::Device device;
    const bool session = !sessionDeviceHost.empty();
    const std::string host = session ? sessionDeviceHost : appSettings.deviceIp;
    const uint16_t port = session ? sessionDevicePort : static_cast<uint16_t>(appSettings.devicePort);
    const QString path = ui->edit_fwPath->text();
    const quorvel::DeviceError connected = device.Connect(host, port);
    if (!connected.failed()) {
        qDebug().noquote() << QStringLiteral("Firmware File: ") + path;
        result = device.UploadFirmware(path.toStdString());
        device.Disconnect();
    } else {
        result = connected;
    }

    const QString resultText = FirmwareResultText(result);
    qCInfo(lcDevice).noquote() << "Firmware update of" << QString::fromStdString(host) + QLatin1Char(':') + QString::number(port)
                               << "with" << QFileInfo(path).fileName() << QStringLiteral("(%1 bytes):").arg(QFileInfo(path).size())
                               << resultText.section(QLatin1Char('\n'), 0, 0) << (result.failed() ? QString::fromStdString(result.message) : QString());
    ui->lbl_fwUpdate->setText(resultText);
    QCoreApplication::processEvents(QEventLoop::AllEvents, kPaintSliceMs);

    fwLabelHideTimer->start();
    ui->btn_ok->setEnabled(true);
    ui->btn_cancel->setEnabled(true);
    firmwareUpdateRunning = false;
}
