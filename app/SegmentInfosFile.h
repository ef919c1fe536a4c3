#pragma once

#include "SegmentInfo.h"

#include <QString>

#include <optional>
#include <vector>

// Reads a stored SegmentInfos.ini back: "Segments" = n and the groups "Segment0" …
// "Segment<n-1>" with posX, posY, width, height (whole numbers) and distance, moveX, moveY,
// moveZ. std::nullopt, with `error` saying what is wrong when given, when the file cannot
// be read or a count, group or key is missing or not a number.
std::optional<std::vector<quorvel::SegmentInfo>> ReadSegmentInfosIni(const QString& path, QString* error = nullptr);
