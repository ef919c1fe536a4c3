#include "SegmentInfosFile.h"

#include "IniText.h"

#include <QFile>

std::optional<std::vector<quorvel::SegmentInfo>> ReadSegmentInfosIni(const QString& path, QString* error)
{
    const auto fail = [&](const QString& why) -> std::optional<std::vector<quorvel::SegmentInfo>> {
        if (error != nullptr) {
            *error = QStringLiteral("%1: %2").arg(path, why);
        }
        return std::nullopt;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return fail(file.errorString());
    }
    const IniText ini = IniText::Parse(file.readAll());
    const std::optional<int> count = ini.Integer(QStringLiteral("General"), QStringLiteral("Segments"));
    // A segment count beyond any hand is no count.
    constexpr int kMostSegments = 64;
    if (!count || *count < 0 || *count > kMostSegments) {
        return fail(QStringLiteral("no valid segment count"));
    }
    std::vector<quorvel::SegmentInfo> segments;
    for (int i = 0; i < *count; ++i) {
        const QString group = QStringLiteral("Segment%1").arg(i);
        const auto posX = ini.Integer(group, QStringLiteral("posX"));
        const auto posY = ini.Integer(group, QStringLiteral("posY"));
        const auto width = ini.Integer(group, QStringLiteral("width"));
        const auto height = ini.Integer(group, QStringLiteral("height"));
        const auto distance = ini.Number(group, QStringLiteral("distance"));
        const auto moveX = ini.Number(group, QStringLiteral("moveX"));
        const auto moveY = ini.Number(group, QStringLiteral("moveY"));
        const auto moveZ = ini.Number(group, QStringLiteral("moveZ"));
        if (!posX || !posY || !width || !height || !distance || !moveX || !moveY || !moveZ) {
            return fail(QStringLiteral("[%1] lacks a key or holds a value that is no number").arg(group));
        }
        quorvel::SegmentInfo segment;
        segment.posX = *posX;
        segment.posY = *posY;
        segment.width = *width;
        segment.height = *height;
        segment.distance = static_cast<float>(*distance);
        segment.moveX = static_cast<float>(*moveX);
        segment.moveY = static_cast<float>(*moveY);
        segment.moveZ = static_cast<float>(*moveZ);
        segments.push_back(segment);
    }
    return segments;
}
