#pragma once

#include "RunScan.h"

#include <QByteArray>
#include <QString>

#include <iosfwd>
#include <vector>

// The header line of the runs CSV, without its line break.
extern const char* const kRunsCsvHeader;

// One field as RFC 4180 wants it: quoted, with inner quotes doubled, when it holds a comma,
// a quote or a line break; as it is otherwise.
QString CsvField(const QString& text);

// The runs as CSV: the header, then one record per mode of each run in the given order
// (4R, 4L, 2T), fields person, started (ISO 8601 with the UTC offset), run_directory, mode,
// outcome, attempts, time_to_capture_ms, mean_distance_mm, min_quality, mean_quality,
// missing_fingers ("3:XX,7:UP"). Unknown values are empty fields, numbers use '.' whatever
// the locale; CRLF line breaks, UTF-8 without a byte-order mark.
QByteArray RunsCsvBytes(const std::vector<RunRow>& rows);

// Writes the CSV of `rows` to `path` through a temporary file beside it. False, with
// `error` set, when it cannot be written.
bool WriteRunsCsv(const QString& path, const std::vector<RunRow>& rows, QString* error);

// Exit codes of the headless export.
constexpr int kRunsCsvExported = 0;
constexpr int kRunsCsvFailed = 1;

// The headless export: every run under `baseDirectory`, newest first, to `outPath`, or to
// `out` when `outPath` is empty or "-". A base directory that does not exist or cannot be
// read, or an output that cannot be written, is one "Error: " line on `err` and
// kRunsCsvFailed.
int ExportRunsCsv(const QString& baseDirectory, const QString& outPath, std::ostream& out, std::ostream& err);
