#include "InterchangeFile.h"

#include "AtomicFile.h"
#include "CaptureMode.h"
#include "FingerPositions.h"
#include "QualityRecord.h"
#include "ResultWriter.h"
#include "SegmentInfosFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <opencv2/imgcodecs.hpp>

#include <algorithm>
#include <array>
#include <map>
#include <utility>

namespace {

// The traditional encoding's separators: end of record, field, subfield, information item.
constexpr char kFS = 0x1C;
constexpr char kGS = 0x1D;
constexpr char kRS = 0x1E;
constexpr char kUS = 0x1F;

constexpr std::array<int32_t, 3> kModesInFileOrder{Right4, Left4, Thumbs2};

constexpr int kTransactionTypeMaxLength = 16;
constexpr int kResolutionMaxPpi = 2000;
constexpr int kLineLengthMin = 10;
constexpr int kLineLengthMax = 99999;
constexpr int kTcnPersonMaxLength = 24;
constexpr int kTcnHashDigits = 8;
// Plain contactless, stationary subject (Table 7 of the standard).
constexpr int kImpressionContactlessPlainStationary = 24;

const QByteArray kPngSignature("\x89PNG\r\n\x1a\n", 8);

bool IsPrintableAscii(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7E) {
            return false;
        }
    }
    return !text.isEmpty();
}

bool IsAsciiLetter(QChar c)
{
    return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || (c >= QLatin1Char('a') && c <= QLatin1Char('z'));
}

bool IsAsciiLetters(const QString& text)
{
    for (const QChar c : text) {
        if (!IsAsciiLetter(c)) {
            return false;
        }
    }
    return !text.isEmpty();
}

QByteArray Number(int value)
{
    return QByteArray::number(value);
}

// A record: "T.001:LEN", each field as GS "T.NNN:" value, then FS. LEN counts every byte of
// the record, its own digits included.
QByteArray RecordBytes(int type, const std::vector<std::pair<int, QByteArray>>& fields)
{
    const auto tag = [type](int number) {
        return Number(type) + '.' + QByteArray::number(number).rightJustified(3, '0') + ':';
    };
    QByteArray rest;
    for (const auto& [number, value] : fields) {
        rest += kGS + tag(number) + value;
    }
    rest += kFS;
    const QByteArray lengthTag = tag(1);
    int digits = 1;
    while (Number(lengthTag.size() + rest.size() + digits).size() != digits) {
        ++digits;
    }
    return lengthTag + Number(lengthTag.size() + rest.size() + digits) + rest;
}

QByteArray DateText(const QDate& date)
{
    return date.toString(QStringLiteral("yyyyMMdd")).toLatin1();
}

// An image's problem for the format, or an empty text.
QString ImageProblem(const InterchangeImage& image)
{
    const QString mode = QLatin1String(CaptureModeDirectoryName(image.mode));
    if (InterchangeFingerPosition(image.mode) == 0) {
        return QStringLiteral("mode %1 is none of 4R, 4L, 2T").arg(image.mode);
    }
    if (image.width < kLineLengthMin || image.width > kLineLengthMax || image.height < kLineLengthMin
        || image.height > kLineLengthMax) {
        return QStringLiteral("%1: a %2 x %3 image is outside the format's 10 to 99999 pixels a side")
            .arg(mode)
            .arg(image.width)
            .arg(image.height);
    }
    if (!image.png.startsWith(kPngSignature)) {
        return QStringLiteral("%1: the image data is no PNG").arg(mode);
    }
    for (const InterchangeSegment& s : image.segments) {
        if (s.position < kFirstFingerPosition || s.position > kLastFingerPosition || s.left < 0 || s.left > s.right
            || s.right >= image.width || s.top < 0 || s.top > s.bottom || s.bottom >= image.height) {
            return QStringLiteral("%1: the box of finger %2 is not inside the image").arg(mode).arg(s.position);
        }
    }
    return QString();
}

QString InputProblem(const InterchangeInput& input)
{
    if (input.values.transactionType.size() > kTransactionTypeMaxLength
        || !IsAsciiLetters(input.values.transactionType)) {
        return QStringLiteral("the transaction type \"%1\" is not 1 to 16 letters A-Z")
            .arg(input.values.transactionType);
    }
    if (!IsPrintableAscii(input.values.agencyId)) {
        return QStringLiteral("the agency identifier \"%1\" is not printable ASCII").arg(input.values.agencyId);
    }
    if (input.values.resolutionPpi < 0 || input.values.resolutionPpi > kResolutionMaxPpi) {
        return QStringLiteral("the resolution %1 ppi is outside 0 to 2000").arg(input.values.resolutionPpi);
    }
    if (!input.date.isValid() || input.date.year() < 1000 || input.date.year() > 9999) {
        return QStringLiteral("the run has no valid start date");
    }
    if (!IsPrintableAscii(input.runName)) {
        return QStringLiteral("the run directory's name \"%1\" is not printable ASCII").arg(input.runName);
    }
    if (input.images.empty()) {
        return QStringLiteral("there is no image");
    }
    for (const InterchangeImage& image : input.images) {
        const QString problem = ImageProblem(image);
        if (!problem.isEmpty()) {
            return problem;
        }
    }
    return QString();
}

QByteArray TransactionRecord(const InterchangeInput& input)
{
    QByteArray content = "1" + QByteArray(1, kUS) + Number(static_cast<int>(input.images.size()));
    for (std::size_t i = 0; i < input.images.size(); ++i) {
        content += kRS + QByteArray("14") + kUS + Number(static_cast<int>(i) + 1);
    }
    const QByteArray agency = input.values.agencyId.toLatin1();
    // No Type-4 records: both resolutions are "00.00".
    return RecordBytes(1,
                       {{2, "0502"},
                        {3, content},
                        {4, input.values.transactionType.toLatin1()},
                        {5, DateText(input.date)},
                        {7, agency},
                        {8, agency},
                        {9, InterchangeTransactionControlNumber(input.runName, input.person).toLatin1()},
                        {11, "00.00"},
                        {12, "00.00"}});
}

QByteArray ImageRecord(const InterchangeInput& input, const InterchangeImage& image, int idc)
{
    const int ppi = input.values.resolutionPpi;
    // Unknown resolution: no scale (SLC 0), square pixels (1:1); else pixels per inch.
    const QByteArray scale = ppi == 0 ? "1" : Number(ppi);
    std::vector<std::pair<int, QByteArray>> fields{{2, Number(idc)},
                                                   {3, Number(kImpressionContactlessPlainStationary)},
                                                   {4, input.values.agencyId.toLatin1()},
                                                   {5, DateText(input.date)},
                                                   {6, Number(image.width)},
                                                   {7, Number(image.height)},
                                                   {8, ppi == 0 ? "0" : "1"},
                                                   {9, scale},
                                                   {10, scale},
                                                   {11, "PNG"},
                                                   {12, "8"},
                                                   {13, Number(InterchangeFingerPosition(image.mode))}};
    const std::vector<int> fingers = ModeFingerPositions(image.mode);
    QList<QByteArray> missing;
    for (const auto& [position, mark] : image.marks) {
        if (std::find(fingers.begin(), fingers.end(), position) != fingers.end()) {
            missing << Number(position) + kUS + FingerMarkCode(mark);
        }
    }
    if (!missing.isEmpty()) {
        fields.emplace_back(18, missing.join(kRS));
    }
    QList<QByteArray> boxes;
    for (const InterchangeSegment& s : image.segments) {
        boxes << Number(s.position) + kUS + Number(s.left) + kUS + Number(s.right) + kUS + Number(s.top) + kUS
                + Number(s.bottom);
    }
    if (!boxes.isEmpty()) {
        fields.emplace_back(21, boxes.join(kRS));
    }
    fields.emplace_back(999, image.png);
    return RecordBytes(14, fields);
}

// The fields of a PNG's header chunk.
struct PngHeader {
    int width = 0;
    int height = 0;
    int bitDepth = 0;
    int colourType = 0;
};

uint32_t BigEndian32(const QByteArray& bytes, int at)
{
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        value = (value << 8) | static_cast<uint8_t>(bytes[at + i]);
    }
    return value;
}

std::optional<PngHeader> ReadPngHeader(const QByteArray& bytes)
{
    // Signature, then the IHDR chunk: length 13, type, width, height, depth, colour type.
    constexpr int kHeaderEnd = 8 + 8 + 13;
    if (bytes.size() < kHeaderEnd || !bytes.startsWith(kPngSignature) || BigEndian32(bytes, 8) != 13
        || bytes.mid(12, 4) != "IHDR") {
        return std::nullopt;
    }
    const uint32_t width = BigEndian32(bytes, 16);
    const uint32_t height = BigEndian32(bytes, 20);
    if (width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF) {
        return std::nullopt;
    }
    return PngHeader{static_cast<int>(width), static_cast<int>(height), static_cast<uint8_t>(bytes[24]),
                     static_cast<uint8_t>(bytes[25])};
}

// Decodes the whole image, so that a truncated or damaged file is found here and not by the
// reader of the interchange file.
bool DecodesAs(const QByteArray& bytes, const PngHeader& header)
{
    try {
        const cv::Mat encoded(1, bytes.size(), CV_8UC1, const_cast<char*>(bytes.constData()));
        const cv::Mat image = cv::imdecode(encoded, cv::IMREAD_UNCHANGED);
        return !image.empty() && image.cols == header.width && image.rows == header.height;
    } catch (const cv::Exception&) {
        return false;
    }
}

QString PngKind(const PngHeader& header)
{
    static const std::map<int, const char*> kColourTypes{
        {0, "grey"}, {2, "RGB"}, {3, "palette"}, {4, "grey with alpha"}, {6, "RGBA"}};
    const auto type = kColourTypes.find(header.colourType);
    return QStringLiteral("%1-bit %2")
        .arg(header.bitDepth)
        .arg(QLatin1String(type != kColourTypes.end() ? type->second : "unknown colour type"));
}

// The date in a run directory's name "dd_MM_yy_hh_mm_ss" (a second run in the same second
// adds "_2", "_3" …); invalid for any other name.
QDate DateFromRunName(const QString& name)
{
    static const QRegularExpression pattern(
        QStringLiteral("^(\\d\\d)_(\\d\\d)_(\\d\\d)_\\d\\d_\\d\\d_\\d\\d(_\\d+)?$"));
    const QRegularExpressionMatch match = pattern.match(name);
    if (!match.hasMatch()) {
        return QDate();
    }
    // Two-digit years are this century's.
    return QDate(2000 + match.captured(3).toInt(), match.captured(2).toInt(), match.captured(1).toInt());
}

// The mode's boxes from SegmentInfos.ini (positions by the marks) or else quality.ini, clipped
// to the image; boxes of an unknown finger are left out, since SEG names a finger.
std::optional<std::vector<InterchangeSegment>> ReadModeSegments(const QString& modeDirectory, int32_t mode, int width,
                                                                int height, const FingerMarks& marks, QString* error)
{
    const QString infosPath = modeDirectory + QStringLiteral("/SegmentInfos.ini");
    const QString qualityPath = modeDirectory + QStringLiteral("/quality.ini");
    std::vector<quorvel::SegmentInfo> boxes;
    std::vector<int> positions;
    QString source;
    if (QFileInfo::exists(infosPath)) {
        std::optional<std::vector<quorvel::SegmentInfo>> read = ReadSegmentInfosIni(infosPath, error);
        if (!read) {
            return std::nullopt;
        }
        boxes = std::move(*read);
        positions = SegmentFingerPositions(mode, boxes.size(), marks);
        source = infosPath;
    } else if (QFileInfo::exists(qualityPath)) {
        const std::optional<std::vector<FingerQualityRecord>> read = ReadQualityIni(qualityPath);
        if (!read) {
            *error = QStringLiteral("%1: cannot be read, or a segment lacks a number").arg(qualityPath);
            return std::nullopt;
        }
        for (const FingerQualityRecord& finger : *read) {
            quorvel::SegmentInfo box;
            box.posX = finger.posX;
            box.posY = finger.posY;
            box.width = finger.width;
            box.height = finger.height;
            boxes.push_back(box);
            positions.push_back(finger.position);
        }
        source = qualityPath;
    }
    std::vector<InterchangeSegment> segments;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const quorvel::SegmentInfo& box = boxes[i];
        const cv::Rect rect = ClippedSegmentRect(box, width, height);
        if (rect.empty()) {
            *error = QStringLiteral("%1: segment %2 (%3, %4, %5 x %6) lies wholly outside the %7 x %8 image")
                         .arg(source)
                         .arg(i)
                         .arg(box.posX)
                         .arg(box.posY)
                         .arg(box.width)
                         .arg(box.height)
                         .arg(width)
                         .arg(height);
            return std::nullopt;
        }
        if (positions[i] >= kFirstFingerPosition && positions[i] <= kLastFingerPosition) {
            segments.push_back({positions[i], rect.x, rect.x + rect.width - 1, rect.y, rect.y + rect.height - 1});
        }
    }
    return segments;
}

} // namespace

QString InterchangeTransactionControlNumber(const QString& runName, const QString& person)
{
    QString kept;
    for (const QChar c : person) {
        if (kept.size() == kTcnPersonMaxLength) {
            break;
        }
        if (IsAsciiLetter(c) || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-')) {
            kept += c;
        }
    }
    // The hash tells apart people whose identifiers differ only in the characters left out.
    const QByteArray hash = QCryptographicHash::hash(person.toUtf8(), QCryptographicHash::Sha256).toHex();
    return runName + QLatin1Char('_') + kept + QLatin1Char('_') + QString::fromLatin1(hash.left(kTcnHashDigits));
}

int InterchangeFingerPosition(int32_t mode)
{
    switch (mode) {
    case Right4:
        return 13;
    case Left4:
        return 14;
    case Thumbs2:
        return 15;
    default:
        return 0;
    }
}

std::optional<QByteArray> InterchangeFileBytes(const InterchangeInput& input, QString* error)
{
    const QString problem = InputProblem(input);
    if (!problem.isEmpty()) {
        if (error != nullptr) {
            *error = problem;
        }
        return std::nullopt;
    }
    QByteArray bytes = TransactionRecord(input);
    for (std::size_t i = 0; i < input.images.size(); ++i) {
        bytes += ImageRecord(input, input.images[i], static_cast<int>(i) + 1);
    }
    return bytes;
}

std::optional<CollectedInterchange> CollectInterchangeInput(const QString& runDirectory,
                                                            const InterchangeValues& fallbackValues, QString* error)
{
    QString why;
    const auto fail = [&](const QString& text) -> std::optional<CollectedInterchange> {
        if (error != nullptr) {
            *error = text;
        }
        return std::nullopt;
    };
    const QFileInfo runInfo(QDir::cleanPath(runDirectory));
    if (!runInfo.isDir()) {
        return fail(QStringLiteral("%1: no such directory").arg(runDirectory));
    }
    const QDir run(runInfo.absoluteFilePath());
    CollectedInterchange collected;
    InterchangeInput& input = collected.input;
    input.runName = run.dirName();
    input.person = QFileInfo(run.absolutePath()).dir().dirName();
    input.values = fallbackValues;
    input.date = DateFromRunName(input.runName);

    const QString runIniPath = run.filePath(QStringLiteral("run.ini"));
    if (QFileInfo::exists(runIniPath)) {
        const std::optional<RunRecord> record = ReadRunIni(runIniPath);
        if (!record) {
            return fail(QStringLiteral("%1: cannot be read, or has no [Run] group").arg(runIniPath));
        }
        if (!record->person.isEmpty()) {
            input.person = record->person;
        }
        if (record->started.isValid()) {
            input.date = record->started.date();
        }
        if (record->interchange) {
            input.values = *record->interchange;
        }
    }
    if (!input.date.isValid()) {
        return fail(QStringLiteral("%1: no start date: no run.ini with one, and the name is no dd_MM_yy_hh_mm_ss")
                        .arg(run.path()));
    }
    FingerMarks marks;
    const QString fingersPath = run.filePath(QStringLiteral("fingers.ini"));
    if (QFileInfo::exists(fingersPath)) {
        const std::optional<FingerMarks> read = ReadFingersIni(fingersPath);
        if (!read) {
            return fail(QStringLiteral("%1: cannot be read").arg(fingersPath));
        }
        marks = *read;
    }

    for (const int32_t mode : kModesInFileOrder) {
        const QString modeName = QLatin1String(CaptureModeDirectoryName(mode));
        const QString pngPath = run.filePath(modeName + QStringLiteral("/final.png"));
        if (!QFileInfo(pngPath).isFile()) {
            continue;
        }
        QFile file(pngPath);
        if (!file.open(QIODevice::ReadOnly)) {
            return fail(QStringLiteral("%1: %2").arg(pngPath, file.errorString()));
        }
        InterchangeImage image;
        image.mode = mode;
        image.png = file.readAll();
        const std::optional<PngHeader> header = ReadPngHeader(image.png);
        if (!header || !DecodesAs(image.png, *header)) {
            return fail(QStringLiteral("%1: not a complete PNG image (truncated or corrupt)").arg(pngPath));
        }
        if (header->bitDepth != 8 || header->colourType != 0) {
            collected.warnings << QStringLiteral("%1 is %2, not 8-bit single-channel: no %3 record in the "
                                                 "ANSI/NIST-ITL file")
                                      .arg(pngPath, PngKind(*header), modeName);
            continue;
        }
        if (header->width < kLineLengthMin || header->width > kLineLengthMax || header->height < kLineLengthMin
            || header->height > kLineLengthMax) {
            collected.warnings << QStringLiteral("%1 is %2 x %3 pixels, outside the format's 10 to 99999 a side: "
                                                 "no %4 record in the ANSI/NIST-ITL file")
                                      .arg(pngPath)
                                      .arg(header->width)
                                      .arg(header->height)
                                      .arg(modeName);
            continue;
        }
        image.width = header->width;
        image.height = header->height;
        std::optional<std::vector<InterchangeSegment>> segments =
            ReadModeSegments(run.filePath(modeName), mode, image.width, image.height, marks, &why);
        if (!segments) {
            return fail(why);
        }
        image.segments = std::move(*segments);
        for (const int position : ModeFingerPositions(mode)) {
            if (const auto mark = marks.find(position); mark != marks.end()) {
                image.marks.insert(*mark);
            }
        }
        input.images.push_back(std::move(image));
    }
    if (input.images.empty()) {
        QString text = QStringLiteral("%1: nothing to export: no 8-bit grey final.png in 4R, 4L or 2T").arg(run.path());
        for (const QString& warning : collected.warnings) {
            text += QStringLiteral("; ") + warning;
        }
        return fail(text);
    }
    return collected;
}

bool WriteRunInterchangeFile(const QString& runDirectory, const QString& outputPath,
                             const InterchangeValues& fallbackValues, QString* error, QStringList* warnings)
{
    QString why;
    const std::optional<CollectedInterchange> collected = CollectInterchangeInput(runDirectory, fallbackValues, &why);
    std::optional<QByteArray> bytes;
    if (collected) {
        if (warnings != nullptr) {
            *warnings = collected->warnings;
        }
        bytes = InterchangeFileBytes(collected->input, &why);
        if (!bytes) {
            why = QStringLiteral("%1: %2").arg(runDirectory, why);
        }
    }
    if (bytes && !WriteFileAtomically(outputPath, *bytes, &why)) {
        why = QStringLiteral("%1: %2").arg(outputPath, why);
        bytes.reset();
    }
    if (!bytes && error != nullptr) {
        *error = why;
    }
    return bytes.has_value();
}

InterchangeValues InterchangeValuesOf(const AppSettings& settings)
{
    return InterchangeValues{QString::fromStdString(settings.interchangeTransactionType),
                             QString::fromStdString(settings.interchangeAgencyId), settings.interchangeResolutionPpi};
}
