#pragma once

#include "AppSettings.h"

#include <vector>

class QWidget;
struct SettingRow;

// The dialog controls of the settings table's rows: a check box for a switch, a line edit
// for a text (or a number typed freely, such as the port), a spin box for a number in a
// range. Filling a control emits none of the signals an operator's edit does (clicked,
// editingFinished), so filling the controls one by one never applies a half-filled form.
struct SettingControl {
    const SettingRow* row;
    QWidget* control;
};

// Every row of the table whose control is found under `form`, in the table's order.
std::vector<SettingControl> FindSettingControls(const QWidget& form);

void ShowInControl(const SettingControl& bound, const AppSettings& settings);
// A line edit that holds no base-10 integer gives 0 for a number.
void ReadFromControl(const SettingControl& bound, AppSettings& settings);
// A spin box takes its row's range in the mode; other controls have none.
void ApplyRange(const SettingControl& bound, bool extendedMode);
