#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

namespace ondrel::testsupport {

// One record of an ANSI/NIST-ITL file in the traditional encoding, its fields in file order.
struct InterchangeRecord {
    int type = 0;
    std::vector<std::pair<int, QByteArray>> fields;

    bool Has(int number) const;
    QByteArray Value(int number) const; // empty when absent
    // The field's subfields, each split into its information items.
    std::vector<QList<QByteArray>> Items(int number) const;
};

// A reader written apart from the app's writer: parses the file field by field and checks
// each LEN against the record's real byte count, the field order (LEN, IDC, ascending, DATA
// last), ASCII text, CNT against the records present with their IDC pairs, the Type-1 and
// Type-14 fields the app writes (VER 0502, dates, IMP, FGP, scale, CGA, BPX), SEG boxes inside
// HLL × VLL and of FGP's fingers, AMP codes, and PNG data under CGA "PNG". std::nullopt with
// `error` saying the first fault.
std::optional<std::vector<InterchangeRecord>> ReadInterchangeFile(const QByteArray& bytes, QString* error);

} // namespace ondrel::testsupport
