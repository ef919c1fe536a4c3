#include "QualityRecord.h"

#include "IniText.h"

#include <QFile>

QByteArray QualityIniBytes(const std::vector<FingerQualityRecord>& fingers)
{
    IniText ini;
    ini.AddGroup(QStringLiteral("Measure"));
    ini.Add(QStringLiteral("version"), QString::number(kQualityMeasureVersion));
    for (std::size_t i = 0; i < fingers.size(); ++i) {
        const FingerQualityRecord& finger = fingers[i];
        ini.AddGroup(QStringLiteral("Segment%1").arg(i));
        ini.Add(QStringLiteral("position"), QString::number(finger.position));
        ini.Add(QStringLiteral("posX"), QString::number(finger.posX));
        ini.Add(QStringLiteral("posY"), QString::number(finger.posY));
        ini.Add(QStringLiteral("width"), QString::number(finger.width));
        ini.Add(QStringLiteral("height"), QString::number(finger.height));
        ini.Add(QStringLiteral("quality"), QString::number(finger.quality));
        ini.Add(QStringLiteral("sharpness"), ExactNumberText(finger.sharpness));
        ini.Add(QStringLiteral("orientation"), ExactNumberText(finger.orientation));
        ini.Add(QStringLiteral("contrast"), ExactNumberText(finger.contrast));
    }
    return ini.Bytes();
}

std::optional<std::vector<FingerQualityRecord>> ReadQualityIni(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const IniText ini = IniText::Parse(file.readAll());
    std::vector<FingerQualityRecord> fingers;
    for (int i = 0;; ++i) {
        const QString group = QStringLiteral("Segment%1").arg(i);
        if (ini.FindGroup(group) == nullptr) {
            break;
        }
        const auto number = [&](const char* key) { return ini.Number(group, QLatin1String(key)); };
        const auto integer = [&](const char* key) { return ini.Integer(group, QLatin1String(key)); };
        const auto position = integer("position");
        const auto posX = integer("posX");
        const auto posY = integer("posY");
        const auto width = integer("width");
        const auto height = integer("height");
        const auto quality = integer("quality");
        if (!position || !posX || !posY || !width || !height || !quality) {
            return std::nullopt;
        }
        FingerQualityRecord finger;
        finger.position = *position;
        finger.posX = *posX;
        finger.posY = *posY;
        finger.width = *width;
        finger.height = *height;
        finger.quality = *quality;
        finger.sharpness = number("sharpness").value_or(0.0);
        finger.orientation = number("orientation").value_or(0.0);
        finger.contrast = number("contrast").value_or(0.0);
        fingers.push_back(finger);
    }
    return fingers;
}
