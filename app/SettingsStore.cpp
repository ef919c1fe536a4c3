#include "SettingsStore.h"

#include "FileModes.h"

#include <QStandardPaths>
#include <QString>
#include <QVariant>

#include <cmath>
#include <type_traits>

namespace {

// Six significant digits, or as many more as it takes for the text to read back as the
// same float.
QString NumberText(float value)
{
    QString text;
    for (int precision = 6; precision <= 9; ++precision) {
        text = QString::number(static_cast<double>(value), 'g', precision);
        if (text.toFloat() == value) {
            break;
        }
    }
    return text;
}

QString ToQString(const std::string& text)
{
    return QString::fromStdString(text);
}

// QVariant narrows a long number text to int without a range check ("4294972603" would
// read as 5307); QString's conversion fails on it instead and gives 0.
int ToInt(const QVariant& value)
{
    if (value.type() == QVariant::String) {
        return value.toString().toInt(nullptr, 10);
    }
    return value.toInt();
}

// "nan" and "inf" convert, but are no thresholds; they read as a failed conversion does.
float ToFiniteFloat(const QVariant& value)
{
    const float number = value.toFloat();
    return std::isfinite(number) ? number : 0.0f;
}

// One entry of `store` into its field; the field's value is the default.
void Read(QSettings& store, const SettingRow& row, AppSettings& settings)
{
    const QString key = QLatin1String(row.key);
    std::visit(
        [&](auto member) {
            auto& field = settings.*member;
            using Value = std::decay_t<decltype(field)>;
            if constexpr (std::is_same_v<Value, std::string>) {
                field = store.value(key, ToQString(field)).toString().toStdString();
            } else if constexpr (std::is_same_v<Value, bool>) {
                field = store.value(key, field).toBool();
            } else if constexpr (std::is_same_v<Value, int32_t>) {
                field = ToInt(store.value(key, field));
            } else if (row.Has(kWholeNumber)) {
                field = static_cast<float>(ToInt(store.value(key, field)));
            } else {
                field = ToFiniteFloat(store.value(key, field));
            }
        },
        row.field);
}

// Its field into one entry of `store`: numbers as text, bools and texts as themselves.
void Write(QSettings& store, const SettingRow& row, const AppSettings& settings)
{
    const QString key = QLatin1String(row.key);
    std::visit(
        [&](auto member) {
            const auto& field = settings.*member;
            using Value = std::decay_t<decltype(field)>;
            if constexpr (std::is_same_v<Value, std::string>) {
                store.setValue(key, ToQString(field));
            } else if constexpr (std::is_same_v<Value, bool>) {
                store.setValue(key, field);
            } else if constexpr (std::is_same_v<Value, int32_t>) {
                store.setValue(key, QString::number(field));
            } else {
                store.setValue(key, NumberText(field));
            }
        },
        row.field);
}

} // namespace

AppSettings DefaultAppSettings()
{
    AppSettings settings;
    settings.basePath =
        (QStandardPaths::writableLocation(QStandardPaths::DesktopLocation) + QStringLiteral("/Captured")).toStdString();
    return settings;
}

std::unique_ptr<QSettings> OpenSettingsStore()
{
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QString::fromUtf8(kSettingsOrganisation),
                                       QString::fromUtf8(kSettingsApplication));
}

void LoadAppSettings(AppSettings& settings, QSettings& store)
{
    if (ToInt(store.value(QStringLiteral("UserSettings/User"), 0)) == kExtendedModeUser) {
        settings.extendedMode = true;
    }
    for (const SettingRow& row : SettingsTable()) {
        Read(store, row, settings);
    }
    if (settings.extendedMode) {
        LimitToRanges(settings);
    } else {
        LimitToStandardMode(settings);
    }
    // A file an older version left open to others is closed up at once, not at the next change.
    RestrictToOwner(store.fileName());
}

void StoreAppSettings(const AppSettings& settings, QSettings& store)
{
    for (const SettingRow& row : SettingsTable()) {
        if (settings.extendedMode || !row.Has(kExtendedOnly)) {
            Write(store, row, settings);
        }
    }
    store.sync();
    // It names the private key: the owner's alone even when results are shared. A new file
    // takes the creation mask; a replaced one keeps the mode of the one before.
    RestrictToOwner(store.fileName());
}
