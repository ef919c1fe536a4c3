#include "SettingsTable.h"

#include <algorithm>
#include <cmath>
#include <type_traits>

namespace {

SettingRow Row(const char* key, SettingField field, const char* control = nullptr, unsigned flags = 0)
{
    return SettingRow{key, field, control, std::nullopt, std::nullopt, flags};
}

SettingRow Ranged(const char* key, SettingField field, const char* control, SettingRange range, unsigned flags = 0,
                  std::optional<SettingRange> extendedRange = std::nullopt)
{
    return SettingRow{key, field, control, range, extendedRange, flags};
}

// Not a number is no setting; it goes to the lower bound.
double Limited(double value, SettingRange range)
{
    return std::isnan(value) ? range.minimum : std::clamp(value, range.minimum, range.maximum);
}

void Limit(AppSettings& settings, bool extendedMode)
{
    static const AppSettings defaults;
    for (const SettingRow& row : SettingsTable()) {
        const std::optional<SettingRange> range = RangeOf(row, extendedMode);
        std::visit(
            [&](auto member) {
                auto& value = settings.*member;
                using Value = std::decay_t<decltype(value)>;
                if constexpr (std::is_same_v<Value, std::string>) {
                    if (row.Has(kPrintableAscii)) {
                        value = PrintableAsciiOr(value, defaults.*member);
                    }
                } else if constexpr (!std::is_same_v<Value, bool>) {
                    if (range) {
                        value = static_cast<Value>(Limited(static_cast<double>(value), *range));
                    }
                    if (row.Has(kWholeNumber)) {
                        value = static_cast<Value>(std::trunc(static_cast<double>(value)));
                    }
                }
            },
            row.field);
    }
}

} // namespace

const std::vector<SettingRow>& SettingsTable()
{
    using S = AppSettings;
    static const std::vector<SettingRow> table = {
        Row("Auth/AuthAutoLogin", &S::authAutoLogin),
        Row("Auth/AuthGroup", &S::authGroup),
        Row("Auth/AuthPrivateKeyFile", &S::privateKeyFile, "edit_authPrivKeyFile", kShownOnly),
        Row("LiveViewSettings/DrawFPS", &S::drawFps, "check_fpsRate"),
        Row("LiveViewSettings/DrawBoundingBox", &S::drawBoundingBox, "check_boundingBoxes"),
        Row("LiveViewSettings/DrawPosition", &S::drawPosition, "check_position"),
        Row("LiveViewSettings/DrawDistance", &S::drawDistance, "check_distance"),
        Row("LiveViewSettings/DrawMovement", &S::drawMovement, "check_movement"),
        Ranged("CaptureSettings/ThresholdTooHigh", &S::thresholdTooHigh, "spin_thresholdHigh", kThresholdTooHighRange),
        Ranged("CaptureSettings/ThresholdTooLow", &S::thresholdTooLow, "spin_thresholdLow", kThresholdTooLowRange),
        Ranged("CaptureSettings/ThresholdMoveX", &S::thresholdMoveX, "spin_thresholdMoveX", kThresholdMoveXYRange),
        Ranged("CaptureSettings/ThresholdMoveY", &S::thresholdMoveY, "spin_thresholdMoveY", kThresholdMoveXYRange),
        Ranged("CaptureSettings/ThresholdMoveZ", &S::thresholdMoveZ, "spin_thresholdMoveZ", kThresholdMoveZRange, 0,
               kExtendedThresholdMoveZRange),
        Ranged("WorkflowSettings/MinWorkflowDelayMs", &S::minWorkflowDelayMs, "spin_minSteps", kMinWorkflowDelayRange,
               kWholeNumber),
        Ranged("CaptureSettings/MinFingerQuality", &S::minFingerQuality, "spin_minFingerQuality",
               kMinFingerQualityRange),
        Row("SaveSettings/BasePath", &S::basePath, "edit_baseDir"),
        Row("DeviceSettings/DeviceIp", &S::deviceIp, "edit_ip"),
        Row("DeviceSettings/DevicePort", &S::devicePort, "edit_port"),
        Row("SaveSettings/RawData", &S::saveRawData, "check_rawData", kExtendedOnly),
        Row("SaveSettings/CaptureTimes", &S::saveCaptureTimes, "check_capTimes", kExtendedOnly),
        Row("SaveSettings/PreviewImage", &S::savePreviewImage, "check_previewImg", kExtendedOnly),
        Row("SaveSettings/FinalImage", &S::saveFinalImage, "check_finalImg"),
        Row("SaveSettings/CalibrationFile", &S::saveCalibrationFile, "check_calibFile", kExtendedOnly),
        Row("SaveSettings/SegmentInformations", &S::saveSegmentInformations, "check_segInfos", kNeedsFinalImage),
        Row("SaveSettings/Segments", &S::saveSegments, "check_finalSegments", kNeedsFinalImage),
        Row("SaveSettings/InterchangeFile", &S::saveInterchangeFile, "check_interchangeFile", kNeedsFinalImage),
        Row("SaveSettings/GroupReadable", &S::groupReadable, "check_groupReadable"),
        Row("Interchange/TransactionType", &S::interchangeTransactionType, "edit_transactionType", kPrintableAscii),
        Row("Interchange/AgencyId", &S::interchangeAgencyId, "edit_agencyId", kPrintableAscii),
        Ranged("Interchange/ResolutionPpi", &S::interchangeResolutionPpi, "spin_resolutionPpi",
               kInterchangeResolutionRange),
    };
    return table;
}

std::optional<SettingRange> RangeOf(const SettingRow& row, bool extendedMode)
{
    return extendedMode && row.extendedRange ? row.extendedRange : row.range;
}

void LimitToRanges(AppSettings& settings)
{
    Limit(settings, settings.extendedMode);
}

void LimitToStandardMode(AppSettings& settings)
{
    for (const SettingRow& row : SettingsTable()) {
        if (row.Has(kExtendedOnly)) {
            settings.*std::get<bool AppSettings::*>(row.field) = false;
        }
    }
    Limit(settings, false);
}

std::string PrintableAsciiOr(const std::string& text, const std::string& fallback)
{
    std::string kept;
    std::copy_if(text.begin(), text.end(), std::back_inserter(kept), [](char c) { return c >= 0x20 && c <= 0x7E; });
    return kept.empty() ? fallback : kept;
}
