#include "ModeStorage.h"

#include "AppLog.h"
#include "AtomicFile.h"
#include "CaptureQuality.h"
#include "FingerPositions.h"

#include "Device.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <utility>

CaptureResultRequests DeviceResultRequests(quorvel::Device& device, uint32_t frameId)
{
    CaptureResultRequests requests;
    requests.finalImage = [&device, frameId](cv::Mat& image) { return device.GetFinalImage(image, frameId); };
    requests.segmentInfos = [&device, frameId](std::vector<quorvel::SegmentInfo>& segments) {
        return device.GetFinalSegmentInfos(segments, frameId);
    };
    requests.rawImages = [&device, frameId](std::vector<cv::Mat>& frames) {
        return device.GetRawImages(frames, frameId);
    };
    requests.calibration = [&device](std::vector<uint8_t>& bytes) { return device.GetCalibrationFile(bytes); };
    return requests;
}

QString ModeStoreOutcome::StorageMessage() const
{
    if (report.Empty()) {
        return {};
    }
    QString message = report.Message();
    if (!committed && !partialDirectory.isEmpty() && QFileInfo(partialDirectory).isDir()) {
        message += QStringLiteral("\nWhat could be written is kept in ") + partialDirectory;
    }
    return message;
}

ModeStoreOutcome StoreMode(const ModeStoreInput& input, const CaptureResultRequests& requests)
{
    const AppSettings& settings = input.settings;
    ModeStoreOutcome outcome;
    outcome.finalProcMs = input.finalProcMs;
    outcome.rawDataMs = input.rawDataMs;

    ModeWriter writer(input.runDirectory, input.modeName, input.workers, input.beforeWrite);
    writer.SetClock(input.stepTimer);
    const QString configPath = QDir(input.runDirectory).filePath(QStringLiteral("cfg.txt"));
    if (QFileInfo(QDir(input.runDirectory).filePath(input.modeName)).isDir()) {
        QFile earlier(configPath);
        writer.KeepEarlierConfig(earlier.open(QIODevice::ReadOnly) ? earlier.readAll() : QByteArray());
    }
    StorageReport configReport;
    WriteCaptureConfig(QDir(input.runDirectory).filePath(QStringLiteral("cfg.txt")), settings, configReport);

    // What the stored-files list names, with the files that make it up.
    struct Entry {
        QString name;
        std::vector<int> files;
        bool directoryOk = true;
    };
    std::vector<Entry> entries;
    auto failed = [&outcome](const quorvel::DeviceError& error) {
        if (error.failed()) {
            outcome.failedRequests.push_back(error);
        }
        return error.failed();
    };

    if (settings.savePreviewImage && !input.preview.empty()) {
        entries.push_back(
            {QStringLiteral("preview.png"), {writer.WritePng(QStringLiteral("preview.png"), input.preview)}});
    }

    outcome.finalProcMs = input.stepTimer.elapsed();
    if (settings.saveFinalImage) {
        cv::Mat finalImage;
        if (!failed(requests.finalImage(finalImage))) {
            outcome.finalProcMs = input.stepTimer.elapsed() - outcome.finalProcMs;
            if (!finalImage.empty()) {
                entries.push_back(
                    {QStringLiteral("final.png"), {writer.WritePng(QStringLiteral("final.png"), finalImage)}});
            }
            std::vector<quorvel::SegmentInfo> segments;
            if (!failed(requests.segmentInfos(segments))) {
                qCDebug(lcRun).nospace() << "Segment Informations: " << segments.size();
                // Scored beside the other files; quality.ini goes with every fetched final image.
                outcome.scored = true;
                outcome.finalImageSize = finalImage.size();
                entries.push_back(
                    {QStringLiteral("quality.ini"),
                     {writer.Write(QStringLiteral("quality.ini"),
                                   [&outcome, finalImage, segments,
                                    positions = SegmentFingerPositions(input.mode, segments.size(), input.marks)](
                                       const QString& path, StorageReport& report) {
                                       outcome.fingers = ScoreFingers(finalImage, segments, positions);
                                       if (WriteFileAtomically(path, QualityIniBytes(outcome.fingers))) {
                                           return true;
                                       }
                                       report.AddFailure(path);
                                       return false;
                                   })}});
                if (settings.saveSegments) {
                    // A few small cut-outs: one job writes them all.
                    entries.push_back(
                        {QStringLiteral("segments/ (%1)").arg(segments.size()),
                         {writer.Write(QStringLiteral("segments"),
                                       [finalImage, segments](const QString& path, StorageReport& report) {
                                           return WriteSegmentImages(path, finalImage, segments, report);
                                       })}});
                }
                if (settings.saveSegmentInformations) {
                    entries.push_back({QStringLiteral("SegmentInfos.ini"),
                                       {writer.Write(QStringLiteral("SegmentInfos.ini"),
                                                     [segments](const QString& path, StorageReport& report) {
                                                         return WriteSegmentInfosIni(path, segments, report);
                                                     })}});
                }
            }
        }
    }

    std::vector<int> rawFiles;
    int64_t rawArrivedMs = -1;
    if (settings.saveRawData) {
        std::vector<cv::Mat> frames;
        if (!failed(requests.rawImages(frames))) {
            rawArrivedMs = input.stepTimer.elapsed();
            Entry entry{QStringLiteral("raw/ (%1)").arg(frames.size()), {}, true};
            entry.directoryOk = writer.MakeDirectory(QStringLiteral("raw"));
            for (std::size_t i = 0; entry.directoryOk && i < frames.size(); ++i) {
                entry.files.push_back(writer.WritePng(QStringLiteral("raw/frame%1.png").arg(i + 1), frames[i]));
            }
            rawFiles = entry.files;
            entries.push_back(entry);
        }
    }

    if (settings.saveCalibrationFile) {
        std::vector<uint8_t> bytes;
        if (!failed(requests.calibration(bytes))) {
            entries.push_back({QStringLiteral("calibration.calib"),
                               {writer.Write(QStringLiteral("calibration.calib"),
                                             [bytes = std::move(bytes)](const QString& path, StorageReport& report) {
                                                 return WriteBytes(path, bytes, report);
                                             })}});
        }
    }

    writer.Wait();
    if (rawArrivedMs >= 0) {
        int64_t lastWritten = rawArrivedMs;
        for (int id : rawFiles) {
            lastWritten = std::max(lastWritten, writer.WrittenAtMs(id));
        }
        outcome.rawDataMs = lastWritten - rawArrivedMs;
    }
    if (settings.saveCaptureTimes) {
        const int64_t fullStepMs = input.stepTimer.elapsed();
        entries.push_back({QStringLiteral("times.txt"),
                           {writer.Write(QStringLiteral("times.txt"),
                                         [=, finalMs = outcome.finalProcMs,
                                          rawMs = outcome.rawDataMs](const QString& path, StorageReport& report) {
                                             return WriteTimes(path, settings.saveFinalImage, finalMs,
                                                               settings.saveRawData, rawMs, fullStepMs, report);
                                         })}});
    }

    outcome.committed = writer.Commit();
    outcome.partialDirectory = writer.PartialDirectory();
    outcome.report = writer.Report();
    for (const QString& path : configReport.FailedPaths()) {
        outcome.report.AddFailure(path);
    }
    for (const Entry& entry : entries) {
        const bool written = entry.directoryOk
            && std::all_of(entry.files.begin(), entry.files.end(), [&](int id) { return writer.Succeeded(id); });
        if (written) {
            outcome.storedFiles << entry.name;
        }
    }
    return outcome;
}
