#pragma once

#include <QByteArray>
#include <QStringList>

#include <optional>
#include <vector>

// Reads CSV as RFC 4180 has it (fields in quotes may hold commas, doubled quotes and line
// breaks; records end with CRLF) from UTF-8 bytes; std::nullopt when a quote is left open or
// text follows a closing quote. Written apart from the app's writer, to read its files back.
std::optional<std::vector<QStringList>> ParseCsvRecords(const QByteArray& bytes);
