#include "DialogSettings.h"

#include "AppLog.h"
#include "FileModes.h"
#include "FirmwareUpdate.h"
#include "KeyAuthentication.h"
#include "SettingControls.h"
#include "SettingsStore.h"
#include "SettingsTable.h"
#include "ui_DialogSettings.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>

namespace {

constexpr int kFirmwareLabelHideMs = 5000;

bool AskToCloseAfterUpload(QWidget* parent)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Firmware upload running"),
                    QStringLiteral("A firmware upload is running and must not be interrupted.\n\n"
                                   "Close the program as soon as the upload has ended, or wait with it open?"),
                    QMessageBox::NoButton, parent);
    QPushButton* wait = box.addButton(QStringLiteral("Wait"), QMessageBox::RejectRole);
    QPushButton* closeWhenDone = box.addButton(QStringLiteral("Close when done"), QMessageBox::AcceptRole);
    box.setDefaultButton(wait);
    box.setEscapeButton(wait);
    box.exec();
    return box.clickedButton() == closeWhenDone;
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
    native.closeAfterUpload = AskToCloseAfterUpload;
    return native;
}

DialogSettings::DialogSettings(QWidget* parent, SettingsDeviceRelay* relay)
    : QDialog(parent)
    , appSettings(DefaultAppSettings())
    , ui(std::make_unique<Ui::SettingsDialog>())
    , choosers(NativeChoosers())
    , fwLabelHideTimer(new QTimer(this))
{
    qRegisterMetaType<std::string>("std::string");
    ui->setupUi(this);
    authentication = new KeyAuthentication(relay, ui->lbl_authGroup_current, this);
    firmware = new FirmwareUpdate(this);

    connect(ui->btn_ok, &QPushButton::clicked, this, &DialogSettings::OkClicked);
    connect(ui->btn_cancel, &QPushButton::clicked, this, &DialogSettings::CancelClicked);
    // A click on a box or the end of an edit applies the dialog; spin boxes wait for that.
    controls = FindSettingControls(*this);
    for (const SettingControl& bound : controls) {
        if (bound.row->Has(kShownOnly)) {
            continue;
        }
        if (auto* box = qobject_cast<QCheckBox*>(bound.control)) {
            connect(box, &QCheckBox::clicked, this, &DialogSettings::CheckSettings);
        } else if (auto* edit = qobject_cast<QLineEdit*>(bound.control)) {
            connect(edit, &QLineEdit::editingFinished, this, &DialogSettings::CheckSettings);
        }
    }
    connect(ui->btn_browseBaseDir, &QPushButton::clicked, this, &DialogSettings::UpdateBaseDir);
    connect(ui->btn_browseFW, &QPushButton::clicked, this, &DialogSettings::BrowseFwPath);
    connect(ui->btn_uploadFW, &QPushButton::clicked, this, &DialogSettings::UpdateFirmware);
    connect(ui->btn_browsePrivKeyFile, &QPushButton::clicked, this, &DialogSettings::BrowsePrivKeyFile);
    connect(ui->btn_authClear, &QPushButton::clicked, this, &DialogSettings::clearPrivKey);
    connect(authentication, &KeyAuthentication::authRequested, this, &DialogSettings::authRequested);
    connect(firmware, &FirmwareUpdate::progressChanged, this, &DialogSettings::ShowFirmwareProgress);
    connect(firmware, &FirmwareUpdate::finished, this, &DialogSettings::FinishFirmwareUpdate);

    appSettings.extendedMode = false;
    LoadSettings();
    if (!appSettings.extendedMode) {
        for (const SettingControl& bound : controls) {
            if (bound.row->Has(kExtendedOnly)) {
                bound.control->hide();
            }
        }
        // Writes back what the limits of the standard mode changed.
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
}

DialogSettings::~DialogSettings()
{
    // The base QDialog hides the dialog when the members are gone; a field losing focus
    // then must not reach CheckSettings.
    for (QWidget* control : findChildren<QWidget*>()) {
        control->disconnect(this);
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

void DialogSettings::SetCaptureRunningQuery(std::function<bool()> query)
{
    captureRunning = std::move(query);
}

void DialogSettings::LoadSettings()
{
    {
        const auto store = OpenSettingsStore();
        LoadAppSettings(appSettings, *store);
    }
    // Before the controls are filled, so that in the extended mode a stored Move Z above
    // the standard limit is shown and kept rather than cut down by the spin box.
    for (const SettingControl& bound : controls) {
        ApplyRange(bound, appSettings.extendedMode);
    }
    ApplyToControls();
    FollowResultsReaders();
}

void DialogSettings::StoreSettings()
{
    {
        const auto store = OpenSettingsStore();
        StoreAppSettings(appSettings, *store);
    }
    ApplyToControls();
    FollowResultsReaders();
}

void DialogSettings::FollowResultsReaders() const
{
    // A running capture keeps the modes it started with; the window sets them at each start.
    if (!captureRunning || !captureRunning()) {
        UseCreationMask(appSettings.groupReadable);
    }
}

void DialogSettings::ApplyToControls()
{
    for (const SettingControl& bound : controls) {
        ShowInControl(bound, appSettings);
    }
    // Nothing to make these from without the final image. Only the controls change here;
    // the fields follow them at the next CheckSettings.
    for (const SettingControl& bound : controls) {
        if (bound.row->Has(kNeedsFinalImage)) {
            auto* box = qobject_cast<QCheckBox*>(bound.control);
            if (!appSettings.saveFinalImage) {
                box->setChecked(false);
            }
            box->setEnabled(appSettings.saveFinalImage);
        }
    }
}

void DialogSettings::CheckSettings()
{
    // Hidden boxes hold the false values ApplyToControls gave them.
    for (const SettingControl& bound : controls) {
        if (!bound.row->Has(kShownOnly)) {
            ReadFromControl(bound, appSettings);
        }
    }
    // What is typed keeps to the limits of what is read.
    LimitToRanges(appSettings);
    qCDebug(lcUi) << "Settings Changed!";
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

bool DialogSettings::RefusedWhileDeviceBusy(const QString& action, bool uploadToo) const
{
    // A run owns the device and the settings it started with; a device action now would
    // share the connection with its requests. An upload ends with the device restarting.
    QString text;
    if (captureRunning && captureRunning()) {
        text = action
            + QStringLiteral(
                   " is not possible while a capture is running. Please try again when the workflow has ended.");
    } else if (uploadToo && firmware->IsRunning()) {
        text = NotDuringFirmwareUploadText(action);
    }
    if (text.isEmpty()) {
        return false;
    }
    qCWarning(lcUi).noquote() << "Error shown:" << text;
    QMessageBox::critical(nullptr, QStringLiteral("Error"), text, QMessageBox::Ok);
    return true;
}

void DialogSettings::BrowsePrivKeyFile()
{
    if (RefusedWhileDeviceBusy(QStringLiteral("Authentication"), true)) {
        return;
    }
    const QString path = choosers.openFile(this, tr("Open Private Key with name like AUTHGROUP.priv.pem"), QString(),
                                           tr("Private Key PEM (*.pem)"));
    if (path.isNull()) {
        return;
    }
    if (const std::optional<AuthKey> key = authentication->KeyFromFile(path)) {
        UseKey(*key);
    }
}

void DialogSettings::clearPrivKey()
{
    if (RefusedWhileDeviceBusy(QStringLiteral("Authentication"), true)) {
        return;
    }
    UseKey(KeyAuthentication::GuestKey());
}

void DialogSettings::UseKey(const AuthKey& key)
{
    // Stored with the next apply.
    appSettings.authAutoLogin = key.autoLogin;
    appSettings.authGroup = key.group;
    appSettings.privateKeyFile = key.file;
    ui->edit_authPrivKeyFile->setText(QString::fromStdString(key.file));
    authentication->Request(key);
}

void DialogSettings::RefreshAuthGroup()
{
    authentication->Refresh();
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

bool DialogSettings::IsFirmwareUploadRunning() const
{
    return firmware->IsRunning();
}

void DialogSettings::UpdateFirmware()
{
    // Events run during the upload, so a second click could arrive; one upload at a time.
    if (firmware->IsRunning() || RefusedWhileDeviceBusy(QStringLiteral("A firmware update"), false)) {
        return;
    }
    // A hide still pending from an earlier update must not hide this one's status.
    fwLabelHideTimer->stop();
    ui->lbl_fwUpdate->show();
    ui->progress_fwUpload->setValue(0);
    ui->progress_fwUpload->show();
    ui->btn_ok->setEnabled(false);
    ui->btn_cancel->setEnabled(false);
    ui->btn_uploadFW->setEnabled(false);
    ui->lbl_fwUpdate->setText(QString::fromUtf8(kFirmwareInProgressText));

    // The session's device when the command line named one, else the stored address. An
    // empty path goes too: the upload reports the file it cannot open.
    const bool session = !sessionDeviceHost.empty();
    firmware->Start(session ? sessionDeviceHost : appSettings.deviceIp,
                    session ? sessionDevicePort : static_cast<uint16_t>(appSettings.devicePort),
                    ui->edit_fwPath->text());
    emit firmwareUploadStarted();
}

void DialogSettings::ShowFirmwareProgress(int percent)
{
    ui->progress_fwUpload->setValue(percent);
}

void DialogSettings::FinishFirmwareUpdate(const quorvel::DeviceError& result)
{
    ui->lbl_fwUpdate->setText(FirmwareResultText(result.code));
    ui->btn_ok->setEnabled(true);
    ui->btn_cancel->setEnabled(true);
    ui->btn_uploadFW->setEnabled(true);
    fwResultShown.start();
    fwLabelHideTimer->start(kFirmwareLabelHideMs);
    emit firmwareUploadFinished();
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

bool DialogSettings::WaitForFirmwareUploadBeforeClosing()
{
    if (!firmware->IsRunning()) {
        return true;
    }
    // The upload's progress stays in view for as long as the program waits for it.
    ui->tabWidget->setCurrentWidget(ui->FwUpdate);
    show();
    raise();
    if (closingAfterUpload || !choosers.closeAfterUpload(this)) {
        return false;
    }
    closingAfterUpload = true;
    firmware->WaitUntilEnded();
    closingAfterUpload = false;
    return true;
}
