#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

// The quality of one finger of a final image as quality.ini keeps it: the finger's
// position, its box in image pixels, the score 0–100 and its components.
struct FingerQualityRecord {
    int position = 0;
    int posX = 0;
    int posY = 0;
    int width = 0;
    int height = 0;
    int quality = 0;
    double sharpness = 0.0;
    double orientation = 0.0;
    double contrast = 0.0;
};

// The version of the measure written under [Measure]; raised whenever scores change meaning.
constexpr int kQualityMeasureVersion = 1;

// quality.ini: "[Measure]" "version=1", then "[Segment<i>]" per finger in the device's order
// with position, posX, posY, width, height, quality, sharpness, orientation, contrast
// (components written so that they read back unchanged).
QByteArray QualityIniBytes(const std::vector<FingerQualityRecord>& fingers);

// The fingers of a quality.ini in segment order; std::nullopt when the file cannot be read
// or a [Segment<i>] group lacks a number it must have.
std::optional<std::vector<FingerQualityRecord>> ReadQualityIni(const QString& path);
