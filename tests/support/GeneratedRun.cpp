#include "GeneratedRun.h"

#include "AtomicFile.h"
#include "FingerPositions.h"
#include "ResultWriter.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTimeZone>

#include <opencv2/imgcodecs.hpp>

namespace ondrel::testsupport {

RunRecord GeneratedRun::GeneratedRunRecord()
{
    RunRecord record;
    record.version = QStringLiteral("0.3.0");
    record.person = QStringLiteral("M\u00fcller 7");
    record.started = QDateTime(QDate(2026, 12, 7), QTime(9, 15, 2), QTimeZone(3600));
    record.device = QStringLiteral("127.0.0.1:60123");
    record.interchange = InterchangeValues{ QStringLiteral("ONDRELTEST"), QStringLiteral("AGENCY123"), 500 };
    return record;
}

bool WriteGeneratedRun(const QString& runDirectory, const GeneratedRun& run)
{
    StorageReport report;
    // A pattern that does not compress to nothing, so that the image data fills most of the file.
    cv::Mat image(run.height, run.width, CV_8UC1);
    for (int y = 0; y < image.rows; ++y) {
        for (int x = 0; x < image.cols; ++x) {
            image.at<uint8_t>(y, x) = static_cast<uint8_t>(x * 7 + y * 13 + (x * y) % 31);
        }
    }
    for (const int32_t mode : run.modes) {
        const QString modeDirectory = runDirectory + QLatin1Char('/') + QLatin1String(CaptureModeDirectoryName(mode));
        const int fingers = *ExpectedSegmentCounts(mode, run.marks).rbegin();
        std::vector<quorvel::SegmentInfo> boxes;
        for (int i = 0; i < fingers; ++i) {
            quorvel::SegmentInfo box;
            box.posX = 8 + i * run.width / 4;
            box.posY = 20;
            box.width = run.width / 4 - 16;
            box.height = run.height - 60;
            box.distance = 195.5F;
            boxes.push_back(box);
        }
        if (!EnsureDirectory(modeDirectory, report) || !WriteImagePng(modeDirectory + "/final.png", image, report)
            || !WriteSegmentInfosIni(modeDirectory + "/SegmentInfos.ini", boxes, report)) {
            return false;
        }
    }
    return (!run.record || WriteFileAtomically(runDirectory + "/run.ini", RunIniBytes(*run.record)))
        && (run.marks.empty() || WriteFileAtomically(runDirectory + "/fingers.ini", FingersIniBytes(run.marks)));
}

bool Spoil(const QString& runDirectory, RunFault fault)
{
    QFile png(runDirectory + "/4R/final.png");
    QSettings segments(runDirectory + "/4R/SegmentInfos.ini", QSettings::IniFormat);
    QByteArray bytes;
    if (!png.open(QIODevice::ReadWrite)) {
        return false;
    }
    bytes = png.readAll();
    switch (fault) {
    case RunFault::NothingStored:
        png.close();
        for (const char* mode : { "4R", "4L", "2T" }) {
            QFile::remove(runDirectory + "/" + mode + "/final.png");
        }
        return true;
    case RunFault::TruncatedFinalImage:
        return png.resize(bytes.size() / 2);
    case RunFault::CorruptFinalImage:
        for (int i = bytes.size() / 2; i < bytes.size() / 2 + 16; ++i) {
            bytes[i] = static_cast<char>(~bytes[i]);
        }
        return png.seek(0) && png.write(bytes) == bytes.size();
    case RunFault::SegmentKeyMissing:
        segments.remove("Segment1/posY");
        break;
    case RunFault::SegmentKeyNotNumber:
        segments.setValue("Segment1/width", "wide");
        break;
    case RunFault::BoxOutsideImage:
        segments.setValue("Segment2/posY", 5000);
        break;
    }
    segments.sync();
    return segments.status() == QSettings::NoError;
}

} // namespace ondrel::testsupport
