#include "StatusTexts.h"

#include "CaptureDecision.h"
#include "CaptureMode.h"
#include "DeviceText.h"
#include "FingerPositions.h"

#include <QStringList>

#include <algorithm>
#include <set>

namespace {

QString Address(const QString& host, int port)
{
    const QString shownHost = host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    return shownHost + QLatin1Char(':') + QString::number(port);
}

// What to do about the worst segment; a hand held at a tilt is both too close and too far.
QString SegmentAdvice(int32_t mode, const std::vector<quorvel::SegmentInfo>& segments, int imageCols, int imageRows,
                      const AppSettings& settings, const FingerMarks& marks)
{
    std::vector<SegmentState> states;
    for (const quorvel::SegmentInfo& segment : segments) {
        states.push_back(ClassifySegment(segment, imageCols, imageRows, settings, kCaptureMargin));
    }
    const auto any = [&states](SegmentState state) {
        return std::find(states.begin(), states.end(), state) != states.end();
    };
    if (any(SegmentState::NearBorder)) {
        return QStringLiteral("move to the centre");
    }
    if (any(SegmentState::TooClose) && any(SegmentState::TooFar)) {
        return QStringLiteral("hold the hand level");
    }
    if (any(SegmentState::TooClose)) {
        return QStringLiteral("move away");
    }
    if (any(SegmentState::TooFar)) {
        return QStringLiteral("move closer");
    }
    // Moving, or a measurement that is not a number: the capture waits either way.
    if (!CaptureConditionHolds(mode, segments, imageCols, imageRows, settings, marks)) {
        return QStringLiteral("hold still");
    }
    return QStringLiteral("ready");
}

// What to show when the number of segments does not fit: the fingers the mode expects, those
// marked missing left out. No count of 0: a frame without fingertips is never captured.
QString CountAdvice(int32_t mode, const FingerMarks& marks)
{
    std::set<int> counts = ExpectedSegmentCounts(mode, marks);
    counts.erase(0);
    if (mode == Thumbs2) {
        if (counts == std::set<int>{2}) {
            return QStringLiteral("show both thumbs and nothing else");
        }
        return counts == std::set<int>{1} ? QStringLiteral("show one thumb and nothing else")
                                          : QStringLiteral("show one or both thumbs and nothing else");
    }
    if (counts.empty() || counts == std::set<int>{4}) {
        return QStringLiteral("show all four fingers");
    }
    QStringList numbers;
    for (int count : counts) {
        numbers << QString::number(count);
    }
    return QStringLiteral("show the fingers not marked missing (%1)").arg(numbers.join(QStringLiteral(" or ")));
}

// Why a mode was not stored: its outcome, or for a captured one that nothing was to be saved.
QString NotStoredReason(const ModeResult& result)
{
    if (result.outcome == CaptureOutcome::Captured || result.outcome == CaptureOutcome::Forced) {
        return QStringLiteral("no save option on");
    }
    return CaptureOutcomeText(result.outcome);
}

} // namespace

QString ShowableAccessLevel(const QString& level)
{
    const QByteArray bytes = level.toUtf8();
    const QString shown = QString::fromStdString(quorvel::ShowableDeviceText(
        reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size())));
    return shown.size() > kAccessLevelShownLength ? shown.left(kAccessLevelShownLength) + QChar(0x2026) : shown;
}

QString LinkText(LinkState state, const QString& host, int port, const QString& accessLevel)
{
    switch (state) {
    case LinkState::Connecting:
        return QStringLiteral("Connecting to %1\u2026").arg(Address(host, port));
    case LinkState::Connected:
        return QStringLiteral("Connected to %1").arg(Address(host, port))
            + (accessLevel.isEmpty() ? QString()
                                     : QStringLiteral(" \u00b7 access level %1").arg(ShowableAccessLevel(accessLevel)));
    case LinkState::NotConnected:
        break;
    }
    return QStringLiteral("Not connected");
}

QString ModeHandName(int32_t mode)
{
    switch (mode) {
    case Right4:
        return QStringLiteral("Right hand");
    case Left4:
        return QStringLiteral("Left hand");
    case Thumbs2:
        return QStringLiteral("Thumbs");
    default:
        return QString::fromLatin1(CaptureModeDirectoryName(mode));
    }
}

QString CaptureGuidance(int32_t mode, const std::vector<quorvel::SegmentInfo>& segments, int imageCols, int imageRows,
                        const AppSettings& settings, const FingerMarks& marks)
{
    const bool thumbs = mode == Thumbs2;
    QString advice;
    if (segments.empty()) {
        advice = thumbs ? QStringLiteral("place both thumbs over the scanner")
                        : QStringLiteral("place the hand over the scanner");
    } else if (ExpectedSegmentCounts(mode, marks).count(static_cast<int>(segments.size())) == 0) {
        advice = CountAdvice(mode, marks);
    } else if (!HandArrangementOk(mode, segments, marks)) {
        // The count fits, so only the order is wrong: the other hand is held out.
        return mode == Left4 ? QStringLiteral("Left hand expected: this looks like the right hand")
                             : QStringLiteral("Right hand expected: this looks like the left hand");
    } else {
        advice = SegmentAdvice(mode, segments, imageCols, imageRows, settings, marks);
    }
    return ModeHandName(mode) + QStringLiteral(": ") + advice;
}

QString StepText(int stepIndex, int stepCount, const QString& text)
{
    return QStringLiteral("Step %1 of %2 \u00b7 ").arg(stepIndex + 1).arg(stepCount) + text;
}

QString RunSummary(const std::vector<ModeResult>& results, const QString& directory)
{
    const auto stored = std::count_if(results.begin(), results.end(), [](const ModeResult& r) { return r.stored; });
    QString line = QStringLiteral("Stored %1 of %2 modes in %3").arg(stored).arg(results.size()).arg(directory);

    QStringList groups;
    QStringList modes;
    QString groupReason;
    const auto closeGroup = [&] {
        if (!modes.isEmpty()) {
            groups << modes.join(QStringLiteral(", ")) + QStringLiteral(" (") + groupReason + QLatin1Char(')');
            modes.clear();
        }
    };
    for (const ModeResult& result : results) {
        if (result.stored) {
            continue;
        }
        const QString reason = NotStoredReason(result);
        if (reason != groupReason) {
            closeGroup();
            groupReason = reason;
        }
        modes << QString::fromLatin1(CaptureModeDirectoryName(result.mode));
    }
    closeGroup();
    if (!groups.isEmpty()) {
        line += QStringLiteral("; not stored: ") + groups.join(QStringLiteral(", "));
    }
    return line;
}

bool RunComplete(const std::vector<ModeResult>& results)
{
    return std::all_of(results.begin(), results.end(), [](const ModeResult& result) {
        return result.stored || result.outcome == CaptureOutcome::AllFingersMissing;
    });
}

QString UnattendedRunSummary(const std::vector<ModeResult>& results, const QString& directory)
{
    QStringList stored;
    for (const ModeResult& result : results) {
        if (result.stored) {
            stored << QLatin1String(CaptureModeDirectoryName(result.mode));
        }
    }
    return QStringLiteral("Run directory: %1\nStored %2 of %3 modes%4")
        .arg(directory)
        .arg(stored.size())
        .arg(results.size())
        .arg(stored.isEmpty() ? QString() : QStringLiteral(": ") + stored.join(QStringLiteral(", ")));
}

QString FingerMarksStatusText(const FingerMarks& marks)
{
    QStringList items;
    for (const auto& [position, mark] : marks) {
        items << QStringLiteral("%1 %2 %3")
                     .arg(position)
                     .arg(FingerPositionName(position), QLatin1String(FingerMarkCode(mark)));
    }
    return items.isEmpty() ? QString() : QStringLiteral("Missing: ") + items.join(QStringLiteral(", "));
}
