#include "ResultWriter.h"

#include "AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <opencv2/imgcodecs.hpp>

#include <algorithm>
#include <exception>
#include <fstream>
#include <locale>
#include <sstream>

namespace {

std::string LocalPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

// Runs write(stream) on a freshly truncated file; false when opening, writing or closing
// fails, with path reported.
template <typename WriteFunction>
bool WriteFile(const QString& path, std::ios::openmode mode, StorageReport& report, WriteFunction write)
{
    std::ofstream out(LocalPath(path), mode | std::ios::out | std::ios::trunc);
    if (out.is_open()) {
        out.imbue(std::locale::classic());
        write(out);
        out.close();
        if (!out.fail()) {
            return true;
        }
    }
    report.AddFailure(path);
    return false;
}

} // namespace

QString StorageReport::Message() const
{
    return QStringLiteral("The capture results could not be written to:\n") + failed.join('\n');
}

bool EnsureDirectory(const QString& path, StorageReport& report)
{
    if (QDir().mkpath(path) && QFileInfo(path).isDir()) {
        return true;
    }
    report.AddFailure(path);
    return false;
}

bool WriteCaptureConfig(const QString& path, const AppSettings& settings, StorageReport& report)
{
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out << "MinWorkflowStep: " << settings.minWorkflowDelayMs << " ms\n"
        << "ThresholdTooHigh: " << settings.thresholdTooHigh << " mm\n"
        << "ThresholdTooLow: " << settings.thresholdTooLow << " mm\n"
        << "ThresholdMoveX: " << settings.thresholdMoveX << " px\n"
        << "ThresholdMoveY: " << settings.thresholdMoveY << " px\n"
        << "ThresholdMoveZ: " << settings.thresholdMoveZ << " px\n";
    // Every stored mode rewrites it; a crash in between must not leave half of it.
    if (WriteFileAtomically(path, QByteArray::fromStdString(out.str()))) {
        return true;
    }
    report.AddFailure(path);
    return false;
}

bool WriteImagePng(const QString& path, const cv::Mat& image, StorageReport& report)
{
    if (image.empty()) {
        return true;
    }
    bool written = false;
    try {
        written = cv::imwrite(LocalPath(path), image);
    } catch (const std::exception&) {
        // An image the encoder cannot take (e.g. float pixels) is a failure like any other.
        written = false;
    }
    if (!written) {
        report.AddFailure(path);
    }
    return written;
}

bool WriteSegmentInfosIni(const QString& path, const std::vector<quorvel::SegmentInfo>& segments, StorageReport& report)
{
    QSettings ini(path, QSettings::IniFormat);
    // Two runs in the same second share a directory; an older file with more segments
    // must not leave its extra groups behind.
    ini.clear();
    ini.setValue(QStringLiteral("Segments"), static_cast<quint64>(segments.size()));
    for (std::size_t i = 0; i < segments.size(); ++i) {
        const quorvel::SegmentInfo& segment = segments[i];
        ini.beginGroup(QStringLiteral("Segment") + QString::number(i));
        ini.setValue(QStringLiteral("posX"), segment.posX);
        ini.setValue(QStringLiteral("posY"), segment.posY);
        ini.setValue(QStringLiteral("height"), segment.height);
        ini.setValue(QStringLiteral("width"), segment.width);
        ini.setValue(QStringLiteral("distance"), QString::number(double{segment.distance}, 'g', 6));
        ini.setValue(QStringLiteral("moveX"), QString::number(double{segment.moveX}, 'g', 6));
        ini.setValue(QStringLiteral("moveY"), QString::number(double{segment.moveY}, 'g', 6));
        ini.setValue(QStringLiteral("moveZ"), QString::number(double{segment.moveZ}, 'g', 6));
        ini.endGroup();
    }
    ini.sync();
    if (ini.status() != QSettings::NoError) {
        report.AddFailure(path);
        return false;
    }
    return true;
}

bool WriteTimes(const QString& path, bool finalLine, int64_t finalProcMs, bool rawLine, int64_t rawDataMs,
                int64_t fullStepMs, StorageReport& report)
{
    return WriteFile(path, std::ios::openmode{}, report, [&](std::ostream& out) {
        if (finalLine) {
            out << "FinalProc: " << finalProcMs << " ms\n";
        }
        if (rawLine) {
            out << "RawDataRequest: " << rawDataMs << " ms\n";
        }
        out << "FullWorkflowStep: " << fullStepMs << " ms\n";
    });
}

cv::Rect ClippedSegmentRect(const quorvel::SegmentInfo& segment, int imageCols, int imageRows)
{
    const int64_t left = std::max<int64_t>(segment.posX, 0);
    const int64_t top = std::max<int64_t>(segment.posY, 0);
    const int64_t right = std::min<int64_t>(int64_t{segment.posX} + segment.width, imageCols);
    const int64_t bottom = std::min<int64_t>(int64_t{segment.posY} + segment.height, imageRows);
    if (right <= left || bottom <= top) {
        return cv::Rect();
    }
    return cv::Rect(static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
                    static_cast<int>(bottom - top));
}

bool WriteSegmentImages(const QString& directory, const cv::Mat& finalImage,
                        const std::vector<quorvel::SegmentInfo>& segments, StorageReport& report)
{
    // Without the directory every image would fail too; naming it once says it all.
    if (!EnsureDirectory(directory, report)) {
        return false;
    }
    bool allWritten = true;
    for (std::size_t i = 0; i < segments.size(); ++i) {
        const cv::Rect rect = ClippedSegmentRect(segments[i], finalImage.cols, finalImage.rows);
        if (rect.empty() || finalImage.dims != 2) {
            continue;
        }
        const QString path = directory + QStringLiteral("/") + QString::number(i) + QStringLiteral(".png");
        allWritten = WriteImagePng(path, finalImage(rect), report) && allWritten;
    }
    return allWritten;
}

bool WriteRawFrames(const QString& directory, const std::vector<cv::Mat>& frames, StorageReport& report)
{
    if (!EnsureDirectory(directory, report)) {
        return false;
    }
    bool allWritten = true;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const QString path = directory + QStringLiteral("/frame") + QString::number(i + 1) + QStringLiteral(".png");
        allWritten = WriteImagePng(path, frames[i], report) && allWritten;
    }
    return allWritten;
}

bool WriteBytes(const QString& path, const std::vector<uint8_t>& bytes, StorageReport& report)
{
    return WriteFile(path, std::ios::binary, report, [&bytes](std::ostream& out) {
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    });
}
