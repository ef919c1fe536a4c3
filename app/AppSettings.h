#pragma once

#include <cstdint>
#include <string>

// The application's settings record. The settings dialog owns the one instance and is the
// only writer; everything else reads it.
struct AppSettings {
    bool authAutoLogin = false;
    std::string authGroup = "GUEST";
    std::string privateKeyFile;
    bool drawFps = false;
    bool drawBoundingBox = true;
    bool drawPosition = false;
    bool drawDistance = false;
    bool drawMovement = false;
    float thresholdTooHigh = 205.0f; // mm
    float thresholdTooLow = 185.0f;  // mm
    float thresholdMoveX = 2.5f;     // px
    float thresholdMoveY = 3.0f;     // px
    float thresholdMoveZ = 20.0f;    // px; at most 25 outside the extended mode
    float minWorkflowDelayMs = 1500.0f;
    int32_t minFingerQuality = 40; // 0..100
    std::string basePath;          // UTF-8; default: desktop directory + "/Captured"
    std::string deviceIp = "127.0.0.1";
    int32_t devicePort = 60123;
    bool saveRawData = false;      // extended mode only
    bool saveCaptureTimes = false; // extended mode only
    bool savePreviewImage = false; // extended mode only
    bool saveFinalImage = true;
    bool saveCalibrationFile = false; // extended mode only
    bool saveSegmentInformations = false;
    bool saveSegments = false;
    bool saveInterchangeFile = true;                   // ANSI/NIST-ITL file; made from the final image
    bool groupReadable = false;                        // stored results readable by the operator's group
    std::string interchangeTransactionType = "ONDREL"; // printable ASCII
    std::string interchangeAgencyId = "ONDREL000";     // printable ASCII
    int32_t interchangeResolutionPpi = 0;
    bool extendedMode = false; // "UserSettings/User" == 5307; never written
};

// The allowed range of a number setting. The settings file is read into these ranges and
// the dialog's spin boxes take them (through the settings table), so the two never disagree.
struct SettingRange {
    double minimum;
    double maximum;
};
inline constexpr SettingRange kThresholdTooHighRange{196.0, 205.0}; // mm
inline constexpr SettingRange kThresholdTooLowRange{185.0, 195.0};  // mm
inline constexpr SettingRange kThresholdMoveXYRange{0.0, 3.0};      // px
inline constexpr SettingRange kThresholdMoveZRange{0.0, 25.0};      // px
inline constexpr SettingRange kExtendedThresholdMoveZRange{0.0, 200.0};
inline constexpr SettingRange kMinWorkflowDelayRange{0.0, 5000.0}; // ms
inline constexpr SettingRange kMinFingerQualityRange{0.0, 100.0};
inline constexpr SettingRange kInterchangeResolutionRange{0.0, 2000.0}; // ppi

// True when at least one save option other than the segment images is set; the workflow
// stores results only then.
bool AnySaveOptionEnabled(const AppSettings& settings);
