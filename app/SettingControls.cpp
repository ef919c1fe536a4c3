#include "SettingControls.h"

#include "SettingsTable.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QSpinBox>

#include <algorithm>
#include <cmath>
#include <limits>
#include <type_traits>

namespace {

// Whole units for the integer spin boxes, truncated toward zero. Values no int can hold
// are limited first, since converting them would be undefined.
int TruncatedToInt(float value)
{
    if (std::isnan(value)) {
        return 0;
    }
    const double limited = std::clamp(static_cast<double>(value), static_cast<double>(std::numeric_limits<int>::min()),
                                      static_cast<double>(std::numeric_limits<int>::max()));
    return static_cast<int>(limited);
}

int TruncatedToInt(int32_t value)
{
    return value;
}

} // namespace

std::vector<SettingControl> FindSettingControls(const QWidget& form)
{
    std::vector<SettingControl> found;
    for (const SettingRow& row : SettingsTable()) {
        if (row.control == nullptr) {
            continue;
        }
        if (auto* control = form.findChild<QWidget*>(QLatin1String(row.control))) {
            found.push_back({&row, control});
        }
    }
    return found;
}

void ShowInControl(const SettingControl& bound, const AppSettings& settings)
{
    QWidget* control = bound.control;
    std::visit(
        [&](auto member) {
            const auto& value = settings.*member;
            using Value = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<Value, bool>) {
                qobject_cast<QCheckBox*>(control)->setChecked(value);
            } else if constexpr (std::is_same_v<Value, std::string>) {
                qobject_cast<QLineEdit*>(control)->setText(QString::fromStdString(value));
            } else if (auto* spin = qobject_cast<QSpinBox*>(control)) {
                // A spin box limits a value outside its range to the nearest bound.
                spin->setValue(TruncatedToInt(value));
            } else if (auto* doubleSpin = qobject_cast<QDoubleSpinBox*>(control)) {
                doubleSpin->setValue(static_cast<double>(value));
            } else {
                qobject_cast<QLineEdit*>(control)->setText(QString::number(value));
            }
        },
        bound.row->field);
}

void ReadFromControl(const SettingControl& bound, AppSettings& settings)
{
    const QWidget* control = bound.control;
    std::visit(
        [&](auto member) {
            auto& value = settings.*member;
            using Value = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<Value, bool>) {
                value = qobject_cast<const QCheckBox*>(control)->isChecked();
            } else if constexpr (std::is_same_v<Value, std::string>) {
                value = qobject_cast<const QLineEdit*>(control)->text().toStdString();
            } else if (const auto* spin = qobject_cast<const QSpinBox*>(control)) {
                value = static_cast<Value>(spin->value());
            } else if (const auto* doubleSpin = qobject_cast<const QDoubleSpinBox*>(control)) {
                value = static_cast<Value>(doubleSpin->value());
            } else {
                bool isNumber = false;
                const int number = qobject_cast<const QLineEdit*>(control)->text().toInt(&isNumber, 10);
                value = static_cast<Value>(isNumber ? number : 0);
            }
        },
        bound.row->field);
}

void ApplyRange(const SettingControl& bound, bool extendedMode)
{
    const std::optional<SettingRange> range = RangeOf(*bound.row, extendedMode);
    if (!range) {
        return;
    }
    if (auto* spin = qobject_cast<QSpinBox*>(bound.control)) {
        spin->setRange(static_cast<int>(range->minimum), static_cast<int>(range->maximum));
    } else if (auto* doubleSpin = qobject_cast<QDoubleSpinBox*>(bound.control)) {
        doubleSpin->setRange(range->minimum, range->maximum);
    }
}
