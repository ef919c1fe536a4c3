#include "CsvRecords.h"

std::optional<std::vector<QStringList>> ParseCsvRecords(const QByteArray& bytes)
{
    const QString text = QString::fromUtf8(bytes);
    std::vector<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;
    bool afterQuote = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += c;
                ++i;
            } else if (c == '"') {
                quoted = false;
                afterQuote = true;
            } else {
                field += c;
            }
        } else if (c == ',' || (c == '\r' && text.mid(i, 2) == "\r\n")) {
            record << field;
            field.clear();
            afterQuote = false;
            if (c == '\r') {
                records.push_back(record);
                record.clear();
                ++i;
            }
        } else if (afterQuote || (c == '"' && !field.isEmpty())) {
            return std::nullopt;
        } else if (c == '"') {
            quoted = true;
        } else {
            field += c;
        }
    }
    if (quoted || !field.isEmpty() || !record.isEmpty()) {
        return std::nullopt; // a quote left open, or the last record without its line break
    }
    return records;
}
