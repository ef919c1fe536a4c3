#include "InterchangeReader.h"

#include <QDate>
#include <QRegularExpression>
#include <QSet>

#include <map>
#include <set>

namespace ondrel::testsupport {

namespace {

constexpr char kFS = 0x1C;
constexpr char kGS = 0x1D;
constexpr char kRS = 0x1E;
constexpr char kUS = 0x1F;

struct Fault {
    QString text;
};

bool IsNumber(const QByteArray& text, int minDigits, int maxDigits)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    return text.size() >= minDigits && text.size() <= maxDigits && digits.match(QString::fromLatin1(text)).hasMatch();
}

int NumberIn(const InterchangeRecord& record, int field, QByteArray text, int low, int high)
{
    const bool ok = IsNumber(text, 1, 5);
    const int value = text.toInt();
    if (!ok || value < low || value > high) {
        throw Fault{ QStringLiteral("%1.%2: \"%3\" is not a number from %4 to %5")
                         .arg(record.type)
                         .arg(field)
                         .arg(QString::fromLatin1(text))
                         .arg(low)
                         .arg(high) };
    }
    return value;
}

void CheckDate(const InterchangeRecord& record, int field)
{
    const QByteArray text = record.Value(field);
    if (!IsNumber(text, 8, 8) || !QDate::fromString(QString::fromLatin1(text), QStringLiteral("yyyyMMdd")).isValid()) {
        throw Fault{ QStringLiteral("%1.%2: \"%3\" is no date YYYYMMDD").arg(record.type).arg(field).arg(QString::fromLatin1(text)) };
    }
}

void Require(const InterchangeRecord& record, std::initializer_list<int> fields)
{
    for (const int field : fields) {
        if (!record.Has(field)) {
            throw Fault{ QStringLiteral("Type-%1 record lacks field %2").arg(record.type).arg(field) };
        }
    }
}

// One record from `at`: "T.001:LEN", then GS-separated fields, FS at byte LEN - 1.
InterchangeRecord ParseRecord(const QByteArray& bytes, int at, int* end)
{
    static const QRegularExpression tagPattern(QStringLiteral("^([0-9]+)\\.([0-9]{3,}):"));
    InterchangeRecord record;
    int position = at;
    int recordEnd = -1;
    while (recordEnd < 0 || position < recordEnd) {
        const QRegularExpressionMatch tag = tagPattern.match(QString::fromLatin1(bytes.mid(position, 16)));
        if (!tag.hasMatch()) {
            throw Fault{ QStringLiteral("byte %1: no field tag").arg(position) };
        }
        const int type = tag.captured(1).toInt();
        const int number = tag.captured(2).toInt();
        const int valueStart = position + tag.capturedLength();
        if (record.fields.empty()) {
            record.type = type;
        } else if (type != record.type) {
            throw Fault{ QStringLiteral("byte %1: field of Type-%2 inside a Type-%3 record").arg(position).arg(type).arg(record.type) };
        }
        const int expected = record.fields.size() == 0 ? 1 : record.fields.size() == 1 && type != 1 ? 2 : -1;
        if ((expected > 0 && number != expected) || (!record.fields.empty() && number <= record.fields.back().first)) {
            throw Fault{ QStringLiteral("%1.%2 is out of order").arg(type).arg(number) };
        }
        int separator = -1;
        if (number == 999) {
            separator = recordEnd - 1; // binary data runs to the record's last byte
        } else {
            for (int i = valueStart; i < bytes.size() && separator < 0; ++i) {
                if (bytes[i] == kGS || bytes[i] == kFS) {
                    separator = i;
                }
            }
        }
        if (separator < valueStart || (recordEnd > 0 && separator >= recordEnd)) {
            throw Fault{ QStringLiteral("%1.%2 runs past its record").arg(type).arg(number) };
        }
        const QByteArray value = bytes.mid(valueStart, separator - valueStart);
        if (number != 999) {
            for (const char c : value) {
                if ((c < 0x20 || c > 0x7E) && c != kRS && c != kUS) {
                    throw Fault{ QStringLiteral("%1.%2 holds a byte that is no printable ASCII").arg(type).arg(number) };
                }
            }
        }
        if (number == 1) {
            if (!IsNumber(value, 1, 10)) {
                throw Fault{ QStringLiteral("%1.001: no length").arg(type) };
            }
            recordEnd = at + value.toInt();
            if (recordEnd > bytes.size() || bytes[recordEnd - 1] != kFS) {
                throw Fault{ QStringLiteral("Type-%1 at byte %2: LEN %3 does not end at its FS").arg(type).arg(at).arg(value.toInt()) };
            }
        }
        if (bytes[separator] == kFS && separator != recordEnd - 1) {
            throw Fault{ QStringLiteral("Type-%1 at byte %2: FS before the LEN bytes").arg(type).arg(at) };
        }
        record.fields.emplace_back(number, value);
        position = separator + 1;
    }
    *end = recordEnd;
    return record;
}

void CheckTransactionRecord(const std::vector<InterchangeRecord>& records)
{
    const InterchangeRecord& first = records.front();
    if (first.type != 1) {
        throw Fault{ QStringLiteral("the file does not begin with a Type-1 record") };
    }
    Require(first, { 1, 2, 3, 4, 5, 7, 8, 9, 11, 12 });
    if (first.Value(2) != "0502") {
        throw Fault{ QStringLiteral("1.002: version %1, not 0502").arg(QString::fromLatin1(first.Value(2))) };
    }
    CheckDate(first, 5);
    if (!QRegularExpression(QStringLiteral("^[A-Za-z]{1,16}$")).match(QString::fromLatin1(first.Value(4))).hasMatch()) {
        throw Fault{ QStringLiteral("1.004: TOT is not 1 to 16 letters") };
    }
    for (const int field : { 11, 12 }) {
        if (!QRegularExpression(QStringLiteral("^[0-9]{2}\\.[0-9]{2}$")).match(QString::fromLatin1(first.Value(field))).hasMatch()) {
            throw Fault{ QStringLiteral("1.%1 is not NN.NN").arg(field) };
        }
    }
    // CNT: "1" and the count of the other records, then each record's type and IDC in order.
    const std::vector<QList<QByteArray>> content = first.Items(3);
    if (content.size() != records.size() || content[0] != QList<QByteArray>{ "1", QByteArray::number(int(records.size()) - 1) }) {
        throw Fault{ QStringLiteral("1.003: CNT does not count the %1 other records").arg(records.size() - 1) };
    }
    std::set<std::pair<int, int>> pairs;
    for (std::size_t i = 1; i < records.size(); ++i) {
        const InterchangeRecord& record = records[i];
        Require(record, { 2 });
        const int idc = NumberIn(record, 2, record.Value(2), 0, 99);
        if (record.type == 1 || content[i] != QList<QByteArray>{ QByteArray::number(record.type), record.Value(2) }
            || !pairs.emplace(record.type, idc).second) {
            throw Fault{
                QStringLiteral("1.003: entry %1 does not name record %1 (Type-%2, IDC %3) once").arg(i).arg(record.type).arg(idc)
            };
        }
    }
}

void CheckImageRecord(const InterchangeRecord& record)
{
    Require(record, { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 999 });
    // Table 7's exemplar impressions: contact plain, rolled, swipe; contactless kinds; other, unknown.
    static const std::set<int> kImpressions{ 0, 1, 2, 3, 8, 24, 25, 28, 29, 41, 42 };
    if (kImpressions.count(NumberIn(record, 3, record.Value(3), 0, 99)) == 0) {
        throw Fault{ QStringLiteral("14.003: IMP %1 is no finger impression").arg(QString::fromLatin1(record.Value(3))) };
    }
    CheckDate(record, 5);
    const int width = NumberIn(record, 6, record.Value(6), 10, 99999);
    const int height = NumberIn(record, 7, record.Value(7), 10, 99999);
    NumberIn(record, 8, record.Value(8), 0, 2);
    NumberIn(record, 9, record.Value(9), 1, 99999);
    NumberIn(record, 10, record.Value(10), 1, 99999);
    NumberIn(record, 12, record.Value(12), 8, 99);
    static const QSet<QByteArray> kCompressions{ "NONE", "WSQ20", "JPEGB", "JPEGL", "JP2", "JP2L", "PNG" };
    if (!kCompressions.contains(record.Value(11))) {
        throw Fault{ QStringLiteral("14.011: CGA %1 is unknown").arg(QString::fromLatin1(record.Value(11))) };
    }
    if (record.Value(11) == "PNG" && !record.Value(999).startsWith("\x89PNG\r\n\x1a\n")) {
        throw Fault{ QStringLiteral("14.999: CGA PNG, but the data is no PNG") };
    }
    // The fingers each slap position holds; a single finger is itself.
    static const std::map<int, std::set<int>> kSlapFingers{ { 13, { 2, 3, 4, 5 } }, { 14, { 7, 8, 9, 10 } }, { 15, { 1, 6 } } };
    std::set<int> fingers;
    for (const QList<QByteArray>& fgp : record.Items(13)) {
        const int position = NumberIn(record, 13, fgp.value(0), 0, 50);
        const auto slap = kSlapFingers.find(position);
        if (slap != kSlapFingers.end()) {
            fingers.insert(slap->second.begin(), slap->second.end());
        } else if (position <= 10) {
            fingers.insert(position);
        }
    }
    const auto checkFinger = [&](int field, const QByteArray& text) {
        if (fingers.count(NumberIn(record, field, text, 1, 10)) == 0) {
            throw Fault{ QStringLiteral("14.%1: finger %2 is not in FGP").arg(field).arg(QString::fromLatin1(text)) };
        }
    };
    for (const QList<QByteArray>& amp : record.Items(18)) {
        checkFinger(18, amp.value(0));
        if (amp.size() != 2 || (amp[1] != "XX" && amp[1] != "UP")) {
            throw Fault{ QStringLiteral("14.018: AMP is no position and XX or UP") };
        }
    }
    for (const QList<QByteArray>& seg : record.Items(21)) {
        if (seg.size() != 5) {
            throw Fault{ QStringLiteral("14.021: a SEG subfield has %1 items, not 5").arg(seg.size()) };
        }
        checkFinger(21, seg[0]);
        const int left = NumberIn(record, 21, seg[1], 0, width - 1);
        NumberIn(record, 21, seg[2], left, width - 1);
        const int top = NumberIn(record, 21, seg[3], 0, height - 1);
        NumberIn(record, 21, seg[4], top, height - 1);
    }
}

} // namespace

bool InterchangeRecord::Has(int number) const
{
    for (const auto& field : fields) {
        if (field.first == number) {
            return true;
        }
    }
    return false;
}

QByteArray InterchangeRecord::Value(int number) const
{
    for (const auto& [field, value] : fields) {
        if (field == number) {
            return value;
        }
    }
    return QByteArray();
}

std::vector<QList<QByteArray>> InterchangeRecord::Items(int number) const
{
    std::vector<QList<QByteArray>> subfields;
    if (Has(number)) {
        for (const QByteArray& subfield : Value(number).split(kRS)) {
            subfields.push_back(subfield.split(kUS));
        }
    }
    return subfields;
}

std::optional<std::vector<InterchangeRecord>> ReadInterchangeFile(const QByteArray& bytes, QString* error)
{
    try {
        std::vector<InterchangeRecord> records;
        for (int at = 0; at < bytes.size();) {
            records.push_back(ParseRecord(bytes, at, &at));
        }
        if (records.empty()) {
            throw Fault{ QStringLiteral("the file is empty") };
        }
        CheckTransactionRecord(records);
        for (std::size_t i = 1; i < records.size(); ++i) {
            if (records[i].type == 14) {
                CheckImageRecord(records[i]);
            }
        }
        return records;
    } catch (const Fault& fault) {
        *error = fault.text;
        return std::nullopt;
    }
}

} // namespace ondrel::testsupport
