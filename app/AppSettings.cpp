#include "AppSettings.h"

#include <algorithm>
#include <cmath>

namespace {
void Limit(float& value, SettingRange range)
{
    // Not a number is no setting; it goes to the lower bound.
    value = std::isnan(value)
        ? static_cast<float>(range.minimum)
        : static_cast<float>(std::clamp(static_cast<double>(value), range.minimum, range.maximum));
}
} // namespace

SettingRange ThresholdMoveZRange(bool extendedMode)
{
    return extendedMode ? kExtendedThresholdMoveZRange : kThresholdMoveZRange;
}

void LimitToRanges(AppSettings& settings)
{
    Limit(settings.thresholdTooHigh, kThresholdTooHighRange);
    Limit(settings.thresholdTooLow, kThresholdTooLowRange);
    Limit(settings.thresholdMoveX, kThresholdMoveXYRange);
    Limit(settings.thresholdMoveY, kThresholdMoveXYRange);
    Limit(settings.thresholdMoveZ, ThresholdMoveZRange(settings.extendedMode));
    Limit(settings.minWorkflowDelayMs, kMinWorkflowDelayRange);
    // The spin box holds whole milliseconds.
    settings.minWorkflowDelayMs = std::trunc(settings.minWorkflowDelayMs);
}

bool AnySaveOptionEnabled(const AppSettings& settings)
{
    // The segment images are cut out of the final image, so they alone never call for
    // storing a run.
    return settings.saveRawData || settings.saveCaptureTimes || settings.savePreviewImage || settings.saveFinalImage
        || settings.saveCalibrationFile || settings.saveSegmentInformations;
}
