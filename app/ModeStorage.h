#pragma once

#include "AppSettings.h"
#include "DeviceError.h"
#include "FingerMarks.h"
#include "QualityRecord.h"
#include "ModeDirectories.h"
#include "ModeWriter.h"
#include "ResultWriter.h"
#include "SegmentInfo.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <opencv2/core.hpp>

#include <cstdint>
#include <functional>
#include <vector>

namespace quorvel {
class Device;
}

// The device's capture results requests for the frame whose results are stored; StoreMode
// makes them one at a time, in its order.
struct CaptureResultRequests {
    std::function<quorvel::DeviceError(cv::Mat& image)> finalImage;
    std::function<quorvel::DeviceError(std::vector<quorvel::SegmentInfo>& segments)> segmentInfos;
    std::function<quorvel::DeviceError(std::vector<cv::Mat>& frames)> rawImages;
    std::function<quorvel::DeviceError(std::vector<uint8_t>& bytes)> calibration;
};

// The requests on a device for the results of frame frameId.
CaptureResultRequests DeviceResultRequests(quorvel::Device& device, uint32_t frameId);

struct ModeStoreInput {
    QString runDirectory;
    QString modeName;
    int32_t mode = 0;  // CaptureMode, for the fingers' positions
    FingerMarks marks; // fingers marked missing, for the same
    AppSettings settings;
    cv::Mat preview;         // the last frame shown
    QElapsedTimer stepTimer; // started with the workflow step
    int64_t finalProcMs = 0; // the values of the last stored step, kept when a request fails
    int64_t rawDataMs = 0;
    int workers = 0;                   // 0: one per core
    ModeWriter::WriteHook beforeWrite; // for tests: called before each file is written
};

struct ModeStoreOutcome {
    int64_t finalProcMs = 0;
    int64_t rawDataMs = 0;
    std::vector<quorvel::DeviceError> failedRequests; // in the order they were made
    StorageReport report;                             // paths that could not be written
    QStringList storedFiles;                          // "final.png", "raw/ (10)", ...
    std::vector<FingerQualityRecord> fingers;         // the final image's fingers, scored
    bool scored = false;                              // a final image and its segments arrived
    cv::Size finalImageSize;                          // the image the fingers were scored in
    bool committed = false;                           // the mode is in place under its name
    QString partialDirectory;                         // where it stays when not committed

    bool Complete() const { return failedRequests.empty() && report.Empty(); }
    // The one message about what could not be written; empty when everything was.
    QString StorageMessage() const;
};

// Stores one captured mode: "cfg.txt" in the run directory (replaced atomically), then the
// mode's files as the settings choose them. The requests are made on the calling thread, in
// order, one at a time: final image, segment information, raw images, calibration file; what
// each returns is written by workers while the next request runs. Returns once the mode is
// complete on disk. times.txt keeps its meaning: FinalProc is the final image request's
// duration, RawDataRequest the time from the raw images' arrival until the last of them is
// written, FullWorkflowStep the step's time when times.txt is written, after every other file.
ModeStoreOutcome StoreMode(const ModeStoreInput& input, const CaptureResultRequests& requests);
