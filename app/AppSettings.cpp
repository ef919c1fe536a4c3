#include "AppSettings.h"

bool AnySaveOptionEnabled(const AppSettings& settings)
{
    // The segment images are cut out of the final image, so they alone never call for
    // storing a run.
    return settings.saveRawData || settings.saveCaptureTimes || settings.savePreviewImage || settings.saveFinalImage
        || settings.saveCalibrationFile || settings.saveSegmentInformations;
}
