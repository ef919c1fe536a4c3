#include "QualityTexts.h"

#include "CaptureMode.h"
#include "CaptureQuality.h"
#include "FingerPositions.h"

namespace {

QString Scores(const std::vector<FingerQualityRecord>& fingers, const QString& separator)
{
    if (fingers.empty()) {
        return QStringLiteral("none");
    }
    QStringList scores;
    for (const FingerQualityRecord& finger : fingers) {
        scores.append(QString::number(finger.quality));
    }
    return scores.join(separator);
}

} // namespace

QString QualitySummary(int32_t mode, const std::vector<FingerQualityRecord>& fingers)
{
    return QLatin1String(CaptureModeDirectoryName(mode)) + QStringLiteral(" quality ")
        + Scores(fingers, QStringLiteral(" \u00b7 "));
}

QStringList BelowMinimumTexts(int32_t mode, const std::vector<FingerQualityRecord>& fingers, int minimum)
{
    QStringList texts;
    for (std::size_t i = 0; i < fingers.size(); ++i) {
        const FingerQualityRecord& finger = fingers[i];
        if (!QualityBelowMinimum(finger.quality, minimum)) {
            continue;
        }
        const bool known = finger.position >= kFirstFingerPosition && finger.position <= kLastFingerPosition;
        const QString name = known
            ? QStringLiteral("finger %1, %2").arg(finger.position).arg(FingerPositionName(finger.position))
            : QStringLiteral("finger ? (segment %1)").arg(i + 1);
        texts.append(QStringLiteral("%1: %2, quality %3, below %4")
                         .arg(QLatin1String(CaptureModeDirectoryName(mode)), name)
                         .arg(finger.quality)
                         .arg(minimum));
    }
    return texts;
}

QString UnattendedQualityLine(int32_t mode, const std::vector<FingerQualityRecord>& fingers)
{
    return QStringLiteral("Quality ") + QLatin1String(CaptureModeDirectoryName(mode)) + QStringLiteral(": ")
        + Scores(fingers, QStringLiteral(" "));
}
