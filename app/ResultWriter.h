#pragma once

#include "AppSettings.h"
#include "SegmentInfo.h"

#include <QString>
#include <QStringList>

#include <opencv2/core.hpp>

#include <cstdint>
#include <vector>

// The paths that could not be written while storing one mode's results, so that the
// window reports them together once. Every writer below adds its failures here and goes
// on; nothing already written is touched.
class StorageReport {
public:
    void AddFailure(const QString& path) { failed.append(path); }
    bool Empty() const { return failed.isEmpty(); }
    const QStringList& FailedPaths() const { return failed; }
    // A message for the error box, listing every failed path on a line of its own.
    QString Message() const;

private:
    QStringList failed;
};

// Creates path and every missing parent; an existing directory is fine. False (and path
// reported) when it cannot be created, e.g. because a regular file is in the way.
bool EnsureDirectory(const QString& path, StorageReport& report);

// Writes the capture settings in force, replacing the file atomically: six lines
//   "MinWorkflowStep: 1500 ms", "ThresholdTooHigh: 205 mm", "ThresholdTooLow: 185 mm",
//   "ThresholdMoveX: 2.5 px", "ThresholdMoveY: 3 px", "ThresholdMoveZ: 20 px"
// each value in a text stream's default format (6 significant digits, '.' as separator).
bool WriteCaptureConfig(const QString& path, const AppSettings& settings, StorageReport& report);

// Writes image as PNG exactly as it is (no colour conversion, default parameters). An
// empty image is not written and returns true: there is nothing to store, which is no
// write failure. An image the PNG writer refuses (e.g. two channels) is a failure.
bool WriteImagePng(const QString& path, const cv::Mat& image, StorageReport& report);

// Writes the segment measurements as INI through QSettings: "Segments" = n and, for each
// segment i, the group "Segment<i>" with posX, posY, height, width as integers and
// distance, moveX, moveY, moveZ as text with 6 significant digits. Earlier content of the
// file is dropped, so no group of an older capture survives.
bool WriteSegmentInfosIni(const QString& path, const std::vector<quorvel::SegmentInfo>& segments,
                          StorageReport& report);

// Writes "FinalProc: <finalProcMs> ms" if finalLine, "RawDataRequest: <rawDataMs> ms" if
// rawLine, and always "FullWorkflowStep: <fullStepMs> ms", replacing the file.
bool WriteTimes(const QString& path, bool finalLine, int64_t finalProcMs, bool rawLine, int64_t rawDataMs,
                int64_t fullStepMs, StorageReport& report);

// Creates directory and writes segment i of finalImage to directory + "/<i>.png" for
// i = 0 .. n-1, as a view of finalImage. A rectangle reaching outside the image is clipped
// to it; one with nothing left inside is skipped and its number is left out.
bool WriteSegmentImages(const QString& directory, const cv::Mat& finalImage,
                        const std::vector<quorvel::SegmentInfo>& segments, StorageReport& report);

// Creates directory and writes frames[i] to directory + "/frame<i+1>.png" (numbered from 1).
bool WriteRawFrames(const QString& directory, const std::vector<cv::Mat>& frames, StorageReport& report);

// Writes bytes unchanged in binary mode, replacing the file.
bool WriteBytes(const QString& path, const std::vector<uint8_t>& bytes, StorageReport& report);

// The clipped rectangle of a segment inside an image of imageCols x imageRows; empty when
// nothing of it lies inside. Safe for any values the device sends.
cv::Rect ClippedSegmentRect(const quorvel::SegmentInfo& segment, int imageCols, int imageRows);
