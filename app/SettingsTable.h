#pragma once

#include "AppSettings.h"

#include <optional>
#include <string>
#include <variant>
#include <vector>

// Every setting once: where the settings file keeps it, the field of AppSettings that holds
// it, the values it may take and the dialog control that shows it. Loading, storing,
// limiting, filling the dialog and reading it back are loops over this table, so a new
// setting is its field (with its default) in AppSettings, one row here and its control in
// the dialog's form.

using SettingField =
    std::variant<bool AppSettings::*, int32_t AppSettings::*, float AppSettings::*, std::string AppSettings::*>;

// What sets a row apart from the plain handling of its field's type.
enum SettingFlag : unsigned {
    // A save switch of the extended mode: hidden, false and never written outside it.
    kExtendedOnly = 1u << 0,
    // A float kept in whole units: read as an integer and truncated after limiting.
    kWholeNumber = 1u << 1,
    // Made from the final image: off and disabled in the dialog while that is not saved.
    kNeedsFinalImage = 1u << 2,
    // The control only shows the value; it changes elsewhere and is never read back.
    kShownOnly = 1u << 3,
    // A text other systems read: printable ASCII only (no control characters, so none of
    // the interchange separators 0x1C to 0x1F); empty means the default.
    kPrintableAscii = 1u << 4,
};

struct SettingRow {
    const char* key; // "Group/Key" in the INI file
    SettingField field;
    const char* control = nullptr; // object name of the dialog control; none when null
    std::optional<SettingRange> range;
    std::optional<SettingRange> extendedRange; // instead of `range` in the extended mode
    unsigned flags = 0;

    bool Has(SettingFlag flag) const { return (flags & flag) != 0; }
};

// In the order of AppSettings.
const std::vector<SettingRow>& SettingsTable();

// The range a number setting keeps to in the mode; none for a row without one.
std::optional<SettingRange> RangeOf(const SettingRow& row, bool extendedMode);

// Brings every setting into the values its row allows in the record's mode: a number
// outside its range goes to the nearest bound (not a number to the lower one), a text
// limited to printable ASCII loses every other character.
void LimitToRanges(AppSettings& settings);

// The limits of the standard mode: the extended save switches off and every number in its
// standard range (Move Z at most 25).
void LimitToStandardMode(AppSettings& settings);

// `text` without anything but printable ASCII; `fallback` when nothing is left.
std::string PrintableAsciiOr(const std::string& text, const std::string& fallback);
