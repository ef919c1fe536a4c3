#pragma once

#include <string>

// How the settings dialog asks its owner for the access group the device currently grants.
class SettingsDeviceRelay {
public:
    // The device's current group, or one of the status texts below when it cannot be asked.
    virtual std::string GetAuthGroupText() = 0;

protected:
    ~SettingsDeviceRelay() = default;
};

// Answers of GetAuthGroupText that are not a group reported by a connected device.
inline constexpr const char* kRelayNotConnected = "Not connected";
inline constexpr const char* kRelayCaptureRunning = "Not available during a capture";
