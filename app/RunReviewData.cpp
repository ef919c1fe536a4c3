#include "RunReviewData.h"

#include "CaptureMode.h"
#include "CaptureQuality.h"
#include "FingerPositions.h"
#include "QualityRecord.h"
#include "RunRecord.h"
#include "SegmentInfosFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <array>

namespace {

constexpr std::array<int32_t, 3> kReviewedModes{Right4, Left4, Thumbs2};
constexpr int kHighestQuality = 100;

cv::Rect BoxOf(int posX, int posY, int width, int height)
{
    return width > 0 && height > 0 ? cv::Rect(posX, posY, width, height) : cv::Rect();
}

// The image as 8UC3 (channel 0 red), no larger than the review shows it; empty, with
// `problem` set, when the file cannot be read or decoded.
cv::Mat ReadReviewImage(const QString& path, cv::Size& storedSize, QString& problem)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        problem = QStringLiteral("%1: %2").arg(QFileInfo(path).fileName(), file.errorString());
        return {};
    }
    const QByteArray bytes = file.readAll();
    cv::Mat decoded;
    if (!bytes.isEmpty()) {
        try {
            const cv::Mat encoded(1, bytes.size(), CV_8UC1, const_cast<char*>(bytes.constData()));
            decoded = cv::imdecode(encoded, cv::IMREAD_COLOR);
        } catch (const cv::Exception&) {
            decoded.release(); // a broken file is reported below like an undecodable one
        }
    }
    if (decoded.empty()) {
        problem = QStringLiteral("%1 is no readable image").arg(QFileInfo(path).fileName());
        return {};
    }
    storedSize = decoded.size();
    cv::cvtColor(decoded, decoded, cv::COLOR_BGR2RGB);
    const int longer = std::max(decoded.cols, decoded.rows);
    if (longer <= kReviewImageSide) {
        return decoded;
    }
    const double factor = static_cast<double>(kReviewImageSide) / longer;
    const cv::Size size(std::max(1, static_cast<int>(decoded.cols * factor)),
                        std::max(1, static_cast<int>(decoded.rows * factor)));
    cv::Mat smaller;
    cv::resize(decoded, smaller, size, 0, 0, cv::INTER_AREA);
    return smaller;
}

// The fingers of quality.ini, or false when it is absent or unreadable.
bool ReadScoredFingers(const QString& modeDirectory, ReviewTile& tile)
{
    const QString path = modeDirectory + QStringLiteral("/quality.ini");
    if (!QFileInfo::exists(path)) {
        return false;
    }
    const auto records = ReadQualityIni(path);
    if (!records) {
        tile.problems << QStringLiteral("quality.ini is unreadable");
        return false;
    }
    const std::vector<int> modePositions = ModeFingerPositions(tile.mode);
    bool outOfRange = false;
    for (const FingerQualityRecord& record : *records) {
        ReviewFinger finger;
        // A position of another hand is no position this tile can name.
        const bool ofThisMode =
            std::find(modePositions.begin(), modePositions.end(), record.position) != modePositions.end();
        finger.position = ofThisMode ? record.position : kUnknownFingerPosition;
        finger.box = BoxOf(record.posX, record.posY, record.width, record.height);
        if (record.quality >= 0 && record.quality <= kHighestQuality) {
            finger.quality = record.quality;
        } else {
            outOfRange = true;
        }
        tile.fingers.push_back(finger);
    }
    if (outOfRange) {
        tile.problems << QStringLiteral("quality.ini holds a score outside 0 to 100");
    }
    return true;
}

// The boxes of SegmentInfos.ini without scores, their positions by the mode and the marks.
void ReadUnscoredFingers(const QString& modeDirectory, const FingerMarks& marks, ReviewTile& tile)
{
    const QString path = modeDirectory + QStringLiteral("/SegmentInfos.ini");
    if (!QFileInfo::exists(path)) {
        return;
    }
    QString error;
    const auto segments = ReadSegmentInfosIni(path, &error);
    if (!segments) {
        tile.problems << QStringLiteral("SegmentInfos.ini is unreadable");
        return;
    }
    const std::vector<int> positions = SegmentFingerPositions(tile.mode, segments->size(), marks);
    for (std::size_t i = 0; i < segments->size(); ++i) {
        const quorvel::SegmentInfo& segment = (*segments)[i];
        tile.fingers.push_back({positions[i], BoxOf(segment.posX, segment.posY, segment.width, segment.height), {}});
    }
}

ReviewTile ReadTile(const QString& runDirectory, int32_t mode, const FingerMarks& runMarks, const RunRecord* record)
{
    ReviewTile tile;
    tile.mode = mode;
    for (int position : ModeFingerPositions(mode)) {
        if (const auto mark = runMarks.find(position); mark != runMarks.end()) {
            tile.marks.insert(*mark);
        }
    }
    if (record != nullptr) {
        if (const ModeRunRecord* modeRecord = record->FindMode(mode)) {
            tile.outcome = modeRecord->outcome;
            tile.attempts = std::max(0, modeRecord->attempts);
        }
    }
    const QString modeDirectory = runDirectory + QLatin1Char('/') + QLatin1String(CaptureModeDirectoryName(mode));
    for (const char* name : {"final.png", "preview.png"}) {
        const QString path = modeDirectory + QLatin1Char('/') + QLatin1String(name);
        if (!QFileInfo::exists(path)) {
            continue;
        }
        QString problem;
        tile.image = ReadReviewImage(path, tile.storedSize, problem);
        if (!tile.image.empty()) {
            tile.previewOnly = QLatin1String(name) == QLatin1String("preview.png");
            break;
        }
        tile.problems << problem;
    }
    if (!ReadScoredFingers(modeDirectory, tile)) {
        ReadUnscoredFingers(modeDirectory, runMarks, tile);
    }
    return tile;
}

QString FingerName(int position)
{
    return QStringLiteral("%1 %2").arg(position).arg(FingerPositionName(position));
}

ReviewFingerLine StoredFingerLine(const QString& name, const ReviewFinger& finger, int minimumQuality)
{
    if (!finger.quality) {
        return {name + QStringLiteral(": not scored"), false};
    }
    const bool below = QualityBelowMinimum(*finger.quality, minimumQuality);
    QString text = name + QStringLiteral(": %1").arg(*finger.quality);
    if (below) {
        text += QStringLiteral(", below %1").arg(minimumQuality);
    }
    return {text, below};
}

} // namespace

ReviewedRun ReadReviewedRun(const QString& runDirectory)
{
    ReviewedRun run;
    run.directory = QDir::cleanPath(runDirectory);
    std::optional<RunRecord> record;
    const QString runIni = run.directory + QStringLiteral("/run.ini");
    if (QFileInfo::exists(runIni)) {
        record = ReadRunIni(runIni);
        if (record) {
            run.person = record->person;
        } else {
            run.problems << QStringLiteral("run.ini is unreadable");
        }
    }
    FingerMarks marks;
    const QString fingersIni = run.directory + QStringLiteral("/fingers.ini");
    if (QFileInfo::exists(fingersIni)) {
        if (const auto read = ReadFingersIni(fingersIni)) {
            marks = *read;
        } else {
            run.problems << QStringLiteral("fingers.ini is unreadable");
        }
    }
    for (int32_t mode : kReviewedModes) {
        run.tiles.push_back(ReadTile(run.directory, mode, marks, record ? &*record : nullptr));
    }
    return run;
}

bool TileWasCaptured(const ReviewTile& tile)
{
    if (tile.outcome) {
        return *tile.outcome == CaptureOutcome::Captured || *tile.outcome == CaptureOutcome::Forced
            || *tile.outcome == CaptureOutcome::StorageFailed;
    }
    return !tile.image.empty() || !tile.fingers.empty();
}

std::vector<ReviewFingerLine> ReviewFingerLines(const ReviewTile& tile, int minimumQuality)
{
    std::vector<ReviewFingerLine> lines;
    const std::vector<int> positions = ModeFingerPositions(tile.mode);
    for (int position : positions) {
        const QString name = FingerName(position);
        const auto mark = tile.marks.find(position);
        const auto stored =
            std::find_if(tile.fingers.begin(), tile.fingers.end(),
                         [position](const ReviewFinger& finger) { return finger.position == position; });
        if (stored != tile.fingers.end()) {
            ReviewFingerLine line = StoredFingerLine(name, *stored, minimumQuality);
            if (mark != tile.marks.end()) {
                line.text += QStringLiteral(" (%1)").arg(QLatin1String(FingerMarkCode(mark->second)));
            }
            lines.push_back(line);
        } else if (mark != tile.marks.end()) {
            lines.push_back({name
                                 + (mark->second == FingerMark::Amputated ? QStringLiteral(": amputated (XX)")
                                                                          : QStringLiteral(": unable to print (UP)")),
                             false});
        }
    }
    for (std::size_t i = 0; i < tile.fingers.size(); ++i) {
        if (std::find(positions.begin(), positions.end(), tile.fingers[i].position) == positions.end()) {
            lines.push_back(StoredFingerLine(QStringLiteral("segment %1, position unknown").arg(i + 1), tile.fingers[i],
                                             minimumQuality));
        }
    }
    return lines;
}

QString ReviewBoxLabel(const ReviewFinger& finger)
{
    const QString position = finger.position >= kFirstFingerPosition && finger.position <= kLastFingerPosition
        ? QString::number(finger.position)
        : QStringLiteral("?");
    return finger.quality ? position + QStringLiteral(" \u00b7 %1").arg(*finger.quality) : position;
}

QString ReviewOutcomeText(const ReviewTile& tile)
{
    QString text = tile.outcome ? CaptureOutcomeText(*tile.outcome) : QStringLiteral("outcome unknown");
    if (tile.attempts > 1) {
        text += QStringLiteral(" \u00b7 %1 attempts").arg(tile.attempts);
    }
    if (tile.previewOnly) {
        text += QStringLiteral(" \u00b7 preview only");
    }
    return text;
}
