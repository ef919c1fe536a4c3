#pragma once

#include "AppSettings.h"
#include "FingerMarks.h"
#include "RunRecord.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

// run.an2: a run as an ANSI/NIST-ITL 1-2011 Update 2015 transaction (version "0502") in the
// traditional encoding, so that matchers and quality tools read it. One Type-1 record, then
// one Type-14 record per stored mode (4R, 4L, 2T) carrying its final.png unchanged.

// One finger's box in a final image: its standard finger position (1–10) and its edges in
// pixels, right and bottom inclusive.
struct InterchangeSegment {
    int position = 0;
    int left = 0;
    int right = 0;
    int top = 0;
    int bottom = 0;
};

// What one Type-14 record carries.
struct InterchangeImage {
    int32_t mode = 0; // CaptureMode
    int width = 0;
    int height = 0;
    QByteArray png;                           // the stored final.png, byte for byte
    std::vector<InterchangeSegment> segments; // empty: no SEG field
    FingerMarks marks;                        // only those of the mode's fingers are written (AMP)
};

// Everything the file says; the file is a function of this alone.
struct InterchangeInput {
    InterchangeValues values;
    QDate date;      // DAT and FCD: the day the run started
    QString runName; // the run directory's name
    QString person;
    std::vector<InterchangeImage> images; // in file order: 4R, 4L, 2T
};

// TCN: the run directory's name, "_", the person's characters from A–Z a–z 0–9 "-" (at most
// 24), "_", and the first 8 hexadecimal digits of the SHA-256 of the person's UTF-8 bytes.
QString InterchangeTransactionControlNumber(const QString& runName, const QString& person);

// FGP of a mode's image: 13 right four fingers, 14 left four, 15 both thumbs; 0 otherwise.
int InterchangeFingerPosition(int32_t mode);

// The file's bytes. std::nullopt, with `error` set when given, when the input breaks a rule
// of the format: a transaction type other than 1–16 letters, an agency or run name other than
// printable ASCII, a resolution outside 0–2000 ppi, no valid date, no image, an image side
// outside 10–99999 pixels, no PNG data, a box not inside its image.
// The values the settings give a run's file.
InterchangeValues InterchangeValuesOf(const AppSettings& settings);

std::optional<QByteArray> InterchangeFileBytes(const InterchangeInput& input, QString* error = nullptr);

// What a run directory gives for its file, and why a final image was left out.
struct CollectedInterchange {
    InterchangeInput input;
    QStringList warnings; // one text per final image without a record, for the log
};

// Reads a run directory: `<mode>/final.png` of 4R, 4L and 2T (attempt directories such as
// "4L.1" and hidden ones are no latest attempt and are never read), boxes from the mode's
// SegmentInfos.ini or else its quality.ini (clipped to the image), marks from fingers.ini, and
// from run.ini the [Interchange] values, the start date and the person. Without run.ini (or
// without its [Interchange] group or start) `fallbackValues` and the date in the directory's
// name ("dd_MM_yy_hh_mm_ss", maybe with "_2"…) stand in; the person is then the parent
// directory's name. A final image that is not 8-bit single-channel gets no record and a
// warning. std::nullopt, with `error` set when given, when there is nothing to export or a
// file cannot be read: a truncated or corrupt final.png, a SegmentInfos.ini with a missing
// or non-numeric key, a box wholly outside its image, an unreadable run.ini or quality.ini.
std::optional<CollectedInterchange>
CollectInterchangeInput(const QString& runDirectory, const InterchangeValues& fallbackValues, QString* error = nullptr);

// Collects and writes the file to `outputPath` through a temporary name and a rename; on any
// error nothing is written and an earlier file stays as it was. `warnings` gets the texts of
// CollectedInterchange when given. The window (after each stored mode and retake) and
// --export-an2k both call this, so both give the same bytes.
bool WriteRunInterchangeFile(const QString& runDirectory, const QString& outputPath,
                             const InterchangeValues& fallbackValues, QString* error = nullptr,
                             QStringList* warnings = nullptr);
