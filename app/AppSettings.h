#pragma once

#include <QString>

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
    float thresholdTooHigh = 205.0f;  // mm
    float thresholdTooLow = 185.0f;   // mm
    float thresholdMoveX = 2.5f;      // px
    float thresholdMoveY = 3.0f;      // px
    float thresholdMoveZ = 20.0f;     // px; at most 25 outside the extended mode
    float minWorkflowDelayMs = 1500.0f;
    QString basePath;                 // default: desktop directory + "/Captured"
    std::string deviceIp = "127.0.0.1";
    int32_t devicePort = 60123;
    bool saveRawData = false;         // extended mode only
    bool saveCaptureTimes = false;    // extended mode only
    bool savePreviewImage = false;    // extended mode only
    bool saveFinalImage = true;
    bool saveCalibrationFile = false; // extended mode only
    bool saveSegmentInformations = false;
    bool saveSegments = false;
    bool extendedMode = false;        // "UserSettings/User" == 5307; never written
};

// The record with every built-in default, the desktop-relative base path included.
AppSettings DefaultAppSettings();

// True when at least one save option other than the segment images is set; the workflow
// stores results only then.
bool AnySaveOptionEnabled(const AppSettings& settings);
