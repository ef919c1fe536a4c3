#pragma once

#include "AppSettings.h"
#include "SettingsTable.h"

#include <QSettings>

#include <memory>

// The per-user INI file behind AppSettings. Load and store take the QSettings to use, so
// tests can point them anywhere; the application opens a fresh store for each of them.

// "UserSettings/User" holds this value to unlock the extended mode. The application never
// writes that key; it is set by editing the file.
inline constexpr int kExtendedModeUser = 5307;

inline constexpr const char* kSettingsOrganisation = "Quorvel GmbH";
inline constexpr const char* kSettingsApplication = "OndrelApp";

// The record with every built-in default, the desktop-relative base path included.
AppSettings DefaultAppSettings();

// The application's settings file: INI format, user scope.
std::unique_ptr<QSettings> OpenSettingsStore();

// Fills `settings` from `store`, one entry per row of the settings table. Every absent or
// unreadable entry keeps the field's current value or reads by Qt's conversion rules;
// nothing here fails. Values end up in their ranges (LimitToRanges); outside the extended
// mode the limits of the standard mode hold (LimitToStandardMode) whatever the file says.
// The file, which names the private key, is made readable by its owner alone (0600), here
// and whenever it is stored.
void LoadAppSettings(AppSettings& settings, QSettings& store);

// Writes every setting to `store` and syncs it to disk; every number is written so that it
// reads back unchanged. The extended save switches are written only in the extended mode;
// otherwise the file keeps what it had for them.
void StoreAppSettings(const AppSettings& settings, QSettings& store);
