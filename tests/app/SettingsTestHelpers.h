#pragma once

// Small helpers shared by the settings store and dialog tests.

#include "SettingsDeviceRelay.h"
#include "SettingsStore.h"
#include "TempSettingsHome.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

#include <string>

namespace settingstest {

inline QString Organisation() { return QString::fromUtf8(kSettingsOrganisation); }
inline QString Application() { return QString::fromUtf8(kSettingsApplication); }

inline QByteArray ReadAppIni(const TempSettingsHome& home)
{
    return home.readIniFile(Organisation(), Application());
}

inline bool WriteAppIni(const TempSettingsHome& home, const QByteArray& content)
{
    return home.writeIniFile(Organisation(), Application(), content);
}

// The entries of an INI text as "Section/Key" -> raw value text, exactly as written.
inline QMap<QString, QString> IniEntries(const QByteArray& text)
{
    QMap<QString, QString> entries;
    QString section;
    for (const QByteArray& rawLine : text.split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2);
        } else if (const int eq = line.indexOf(QLatin1Char('=')); eq > 0) {
            entries.insert(section + QLatin1Char('/') + line.left(eq), line.mid(eq + 1));
        }
    }
    return entries;
}

// Every key the application writes outside the extended mode.
inline QStringList StandardKeys()
{
    return {
        QStringLiteral("Auth/AuthAutoLogin"),
        QStringLiteral("Auth/AuthGroup"),
        QStringLiteral("Auth/AuthPrivateKeyFile"),
        QStringLiteral("CaptureSettings/ThresholdMoveX"),
        QStringLiteral("CaptureSettings/ThresholdMoveY"),
        QStringLiteral("CaptureSettings/ThresholdMoveZ"),
        QStringLiteral("CaptureSettings/ThresholdTooHigh"),
        QStringLiteral("CaptureSettings/ThresholdTooLow"),
        QStringLiteral("DeviceSettings/DeviceIp"),
        QStringLiteral("DeviceSettings/DevicePort"),
        QStringLiteral("LiveViewSettings/DrawBoundingBox"),
        QStringLiteral("LiveViewSettings/DrawDistance"),
        QStringLiteral("LiveViewSettings/DrawFPS"),
        QStringLiteral("LiveViewSettings/DrawMovement"),
        QStringLiteral("LiveViewSettings/DrawPosition"),
        QStringLiteral("SaveSettings/BasePath"),
        QStringLiteral("SaveSettings/FinalImage"),
        QStringLiteral("SaveSettings/SegmentInformations"),
        QStringLiteral("SaveSettings/Segments"),
        QStringLiteral("WorkflowSettings/MinWorkflowDelayMs"),
    };
}

// The four save keys written only in the extended mode.
inline QStringList ExtendedSaveKeys()
{
    return {
        QStringLiteral("SaveSettings/CalibrationFile"),
        QStringLiteral("SaveSettings/CaptureTimes"),
        QStringLiteral("SaveSettings/PreviewImage"),
        QStringLiteral("SaveSettings/RawData"),
    };
}

inline QStringList Sorted(QStringList list)
{
    list.sort();
    return list;
}

// A relay that answers with a set text and counts the questions.
class FakeRelay final : public SettingsDeviceRelay {
public:
    explicit FakeRelay(std::string answer = kRelayNotConnected) : answer(std::move(answer)) {}
    std::string GetAuthGroupText() override
    {
        ++calls;
        return answer;
    }

    std::string answer;
    int calls = 0;
};

} // namespace settingstest
