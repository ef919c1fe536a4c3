#pragma once

#include <QByteArray>
#include <QString>

#include <map>
#include <optional>

// Fingers the operator declared missing before a run or a retake, by standard finger
// position (1 right thumb … 10 left little). An amputated finger (XX) is absent; a finger
// unable to print (UP, for example bandaged) may be absent or present.
enum class FingerMark { Amputated, UnableToPrint };
using FingerMarks = std::map<int, FingerMark>;

constexpr int kFirstFingerPosition = 1;
constexpr int kLastFingerPosition = 10;

// "XX" or "UP", the codes of the interchange format.
const char* FingerMarkCode(FingerMark mark);
std::optional<FingerMark> FingerMarkFromCode(const QString& code);

// Reads the command-line form "POS[:XX|UP][,POS…]" (XX when no code is given). Empty and
// std::nullopt with `error` set for a position outside 1–10, another code, a position given
// twice or an empty item.
std::optional<FingerMarks> ParseFingerMarks(const QString& text, QString* error);

// "3:XX,7:UP": the marks in the command-line form, for logs and texts.
QString FingerMarksText(const FingerMarks& marks);

// fingers.ini: "[Fingers]" and one "POS=CODE" line per mark, nothing else.
QByteArray FingersIniBytes(const FingerMarks& marks);
// The marks of a fingers.ini; std::nullopt when the file cannot be read. Lines that are no
// valid mark are skipped.
std::optional<FingerMarks> ReadFingersIni(const QString& path);
