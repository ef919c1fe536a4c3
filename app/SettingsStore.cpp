#include "SettingsStore.h"

#include <QStandardPaths>
#include <QString>
#include <QVariant>

#include <cmath>

namespace {

// Six significant digits, or as many more as it takes for the text to read back as the
// same float.
QString NumberText(float value)
{
    QString text;
    for (int precision = 6; precision <= 9; ++precision) {
        text = QString::number(static_cast<double>(value), 'g', precision);
        if (text.toFloat() == value) {
            break;
        }
    }
    return text;
}

QString ToQString(const std::string& text)
{
    return QString::fromStdString(text);
}

// QVariant narrows a long number text to int without a range check ("4294972603" would
// read as 5307); QString's conversion fails on it instead and gives 0.
int ToInt(const QVariant& value)
{
    if (value.type() == QVariant::String) {
        return value.toString().toInt(nullptr, 10);
    }
    return value.toInt();
}

void ReadBool(QSettings& store, const char* key, bool& field)
{
    field = store.value(QLatin1String(key), field).toBool();
}

// "nan" and "inf" convert, but are no thresholds; they read as a failed conversion does.
void ReadFloat(QSettings& store, const char* key, float& field)
{
    const float value = store.value(QLatin1String(key), field).toFloat();
    field = std::isfinite(value) ? value : 0.0f;
}

void ReadString(QSettings& store, const char* key, std::string& field)
{
    field = store.value(QLatin1String(key), ToQString(field)).toString().toStdString();
}

} // namespace

AppSettings DefaultAppSettings()
{
    AppSettings settings;
    settings.basePath =
        (QStandardPaths::writableLocation(QStandardPaths::DesktopLocation) + QStringLiteral("/Captured")).toStdString();
    return settings;
}

std::unique_ptr<QSettings> OpenSettingsStore()
{
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QString::fromUtf8(kSettingsOrganisation),
                                       QString::fromUtf8(kSettingsApplication));
}

void LoadAppSettings(AppSettings& settings, QSettings& store)
{
    if (ToInt(store.value(QStringLiteral("UserSettings/User"), 0)) == kExtendedModeUser) {
        settings.extendedMode = true;
    }

    ReadString(store, "DeviceSettings/DeviceIp", settings.deviceIp);
    settings.devicePort = ToInt(store.value(QStringLiteral("DeviceSettings/DevicePort"), settings.devicePort));

    ReadBool(store, "LiveViewSettings/DrawFPS", settings.drawFps);
    ReadBool(store, "LiveViewSettings/DrawBoundingBox", settings.drawBoundingBox);
    ReadBool(store, "LiveViewSettings/DrawPosition", settings.drawPosition);
    ReadBool(store, "LiveViewSettings/DrawDistance", settings.drawDistance);
    ReadBool(store, "LiveViewSettings/DrawMovement", settings.drawMovement);

    ReadFloat(store, "CaptureSettings/ThresholdTooHigh", settings.thresholdTooHigh);
    ReadFloat(store, "CaptureSettings/ThresholdTooLow", settings.thresholdTooLow);
    ReadFloat(store, "CaptureSettings/ThresholdMoveX", settings.thresholdMoveX);
    ReadFloat(store, "CaptureSettings/ThresholdMoveY", settings.thresholdMoveY);
    ReadFloat(store, "CaptureSettings/ThresholdMoveZ", settings.thresholdMoveZ);

    // A whole number of milliseconds; the spin box never produces a fraction.
    settings.minWorkflowDelayMs = static_cast<float>(
        ToInt(store.value(QStringLiteral("WorkflowSettings/MinWorkflowDelayMs"), settings.minWorkflowDelayMs)));

    ReadString(store, "SaveSettings/BasePath", settings.basePath);

    ReadBool(store, "SaveSettings/RawData", settings.saveRawData);
    ReadBool(store, "SaveSettings/CaptureTimes", settings.saveCaptureTimes);
    ReadBool(store, "SaveSettings/PreviewImage", settings.savePreviewImage);
    ReadBool(store, "SaveSettings/FinalImage", settings.saveFinalImage);
    ReadBool(store, "SaveSettings/CalibrationFile", settings.saveCalibrationFile);
    ReadBool(store, "SaveSettings/SegmentInformations", settings.saveSegmentInformations);
    ReadBool(store, "SaveSettings/Segments", settings.saveSegments);

    ReadBool(store, "Auth/AuthAutoLogin", settings.authAutoLogin);
    ReadString(store, "Auth/AuthGroup", settings.authGroup);
    ReadString(store, "Auth/AuthPrivateKeyFile", settings.privateKeyFile);

    LimitToRanges(settings);
    if (!settings.extendedMode) {
        settings.saveCaptureTimes = false;
        settings.savePreviewImage = false;
        settings.saveCalibrationFile = false;
        settings.saveRawData = false;
    }
}

void StoreAppSettings(const AppSettings& settings, QSettings& store)
{
    store.setValue(QStringLiteral("DeviceSettings/DeviceIp"), ToQString(settings.deviceIp));
    store.setValue(QStringLiteral("DeviceSettings/DevicePort"), QString::number(settings.devicePort));

    store.setValue(QStringLiteral("LiveViewSettings/DrawFPS"), settings.drawFps);
    store.setValue(QStringLiteral("LiveViewSettings/DrawBoundingBox"), settings.drawBoundingBox);
    store.setValue(QStringLiteral("LiveViewSettings/DrawPosition"), settings.drawPosition);
    store.setValue(QStringLiteral("LiveViewSettings/DrawDistance"), settings.drawDistance);
    store.setValue(QStringLiteral("LiveViewSettings/DrawMovement"), settings.drawMovement);

    store.setValue(QStringLiteral("CaptureSettings/ThresholdTooHigh"), NumberText(settings.thresholdTooHigh));
    store.setValue(QStringLiteral("CaptureSettings/ThresholdTooLow"), NumberText(settings.thresholdTooLow));
    store.setValue(QStringLiteral("CaptureSettings/ThresholdMoveX"), NumberText(settings.thresholdMoveX));
    store.setValue(QStringLiteral("CaptureSettings/ThresholdMoveY"), NumberText(settings.thresholdMoveY));
    store.setValue(QStringLiteral("CaptureSettings/ThresholdMoveZ"), NumberText(settings.thresholdMoveZ));
    store.setValue(QStringLiteral("WorkflowSettings/MinWorkflowDelayMs"), NumberText(settings.minWorkflowDelayMs));

    store.setValue(QStringLiteral("SaveSettings/BasePath"), ToQString(settings.basePath));
    store.setValue(QStringLiteral("SaveSettings/FinalImage"), settings.saveFinalImage);
    store.setValue(QStringLiteral("SaveSettings/SegmentInformations"), settings.saveSegmentInformations);
    store.setValue(QStringLiteral("SaveSettings/Segments"), settings.saveSegments);
    if (settings.extendedMode) {
        store.setValue(QStringLiteral("SaveSettings/PreviewImage"), settings.savePreviewImage);
        store.setValue(QStringLiteral("SaveSettings/CalibrationFile"), settings.saveCalibrationFile);
        store.setValue(QStringLiteral("SaveSettings/RawData"), settings.saveRawData);
        store.setValue(QStringLiteral("SaveSettings/CaptureTimes"), settings.saveCaptureTimes);
    }

    store.setValue(QStringLiteral("Auth/AuthAutoLogin"), settings.authAutoLogin);
    store.setValue(QStringLiteral("Auth/AuthGroup"), ToQString(settings.authGroup));
    store.setValue(QStringLiteral("Auth/AuthPrivateKeyFile"), ToQString(settings.privateKeyFile));

    store.sync();
}

void LimitToStandardMode(AppSettings& settings)
{
    settings.saveCaptureTimes = false;
    settings.savePreviewImage = false;
    settings.saveCalibrationFile = false;
    settings.saveRawData = false;
    if (settings.thresholdMoveZ > kStandardMoveZMax) {
        settings.thresholdMoveZ = kStandardMoveZMax;
    }
}
