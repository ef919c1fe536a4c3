#include "RunRecord.h"

#include "CaptureMode.h"
#include "IniText.h"

#include <QFile>

#include <array>
#include <cmath>
#include <cstdlib>

namespace {

constexpr std::array<int32_t, 3> kModesInFileOrder{Right4, Left4, Thumbs2};

template <typename Number> QString OptionalText(const std::optional<Number>& value)
{
    if (!value) {
        return QString();
    }
    if constexpr (std::is_floating_point_v<Number>) {
        return ExactNumberText(*value);
    } else {
        return QString::number(*value);
    }
}

} // namespace

ModeRunRecord* RunRecord::FindMode(int32_t mode)
{
    for (ModeRunRecord& record : modes) {
        if (record.mode == mode) {
            return &record;
        }
    }
    return nullptr;
}

const ModeRunRecord* RunRecord::FindMode(int32_t mode) const
{
    return const_cast<RunRecord*>(this)->FindMode(mode);
}

std::optional<double> MeanDistanceMm(const std::vector<quorvel::SegmentInfo>& segments)
{
    double sum = 0.0;
    int counted = 0;
    for (const quorvel::SegmentInfo& segment : segments) {
        if (std::isfinite(segment.distance)) {
            sum += static_cast<double>(segment.distance);
            ++counted;
        }
    }
    if (counted == 0) {
        return std::nullopt;
    }
    return RoundedToHundredths(sum / counted);
}

double RoundedToHundredths(double value)
{
    return std::round(value * 100.0) / 100.0;
}

ModeRunRecord ModeAttempt(int32_t mode, CaptureOutcome outcome, const ModeLiveStats& live,
                          const std::vector<quorvel::SegmentInfo>& capturedSegments)
{
    ModeRunRecord attempt{mode, outcome, 0, std::nullopt, live.frames, std::nullopt, std::nullopt};
    if (outcome == CaptureOutcome::Captured || outcome == CaptureOutcome::Forced
        || outcome == CaptureOutcome::StorageFailed) {
        attempt.timeToCaptureMs = live.captureMs;
        attempt.meanDistanceMm = MeanDistanceMm(capturedSegments);
    }
    if (live.liveMs > 0) {
        attempt.meanFps =
            RoundedToHundredths(1000.0 * static_cast<double>(live.frames) / static_cast<double>(live.liveMs));
    }
    return attempt;
}

QString IsoTimeWithOffset(const QDateTime& time)
{
    const int offset = time.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"))
        + QStringLiteral("%1%2:%3")
              .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
              .arg(minutes / 60, 2, 10, QLatin1Char('0'))
              .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QByteArray RunIniBytes(const RunRecord& record)
{
    IniText ini;
    ini.AddGroup(QStringLiteral("Run"));
    ini.Add(QStringLiteral("version"), record.version);
    ini.Add(QStringLiteral("person"), record.person);
    ini.Add(QStringLiteral("started"), record.started.isValid() ? IsoTimeWithOffset(record.started) : QString());
    ini.Add(QStringLiteral("device"), record.device);
    for (const ModeRunRecord& mode : record.modes) {
        ini.AddGroup(QLatin1String(CaptureModeDirectoryName(mode.mode)));
        ini.Add(QStringLiteral("outcome"), mode.outcome ? CaptureOutcomeText(*mode.outcome) : QString());
        ini.Add(QStringLiteral("attempts"), QString::number(mode.attempts));
        ini.Add(QStringLiteral("timeToCaptureMs"), OptionalText(mode.timeToCaptureMs));
        ini.Add(QStringLiteral("frames"), OptionalText(mode.frames));
        ini.Add(QStringLiteral("meanFps"), OptionalText(mode.meanFps));
        ini.Add(QStringLiteral("meanDistanceMm"), OptionalText(mode.meanDistanceMm));
    }
    if (record.interchange) {
        ini.AddGroup(QStringLiteral("Interchange"));
        ini.Add(QStringLiteral("transactionType"), record.interchange->transactionType);
        ini.Add(QStringLiteral("agencyId"), record.interchange->agencyId);
        ini.Add(QStringLiteral("resolutionPpi"), QString::number(record.interchange->resolutionPpi));
    }
    return ini.Bytes();
}

std::optional<RunRecord> ReadRunIni(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const IniText ini = IniText::Parse(file.readAll());
    if (ini.FindGroup(QStringLiteral("Run")) == nullptr) {
        return std::nullopt;
    }
    const auto text = [&ini](const char* group, const char* key) {
        return ini.Value(QLatin1String(group), QLatin1String(key)).value_or(QString());
    };
    RunRecord record;
    record.version = text("Run", "version");
    record.person = text("Run", "person");
    record.started = QDateTime::fromString(text("Run", "started"), Qt::ISODate);
    record.device = text("Run", "device");
    for (int32_t mode : kModesInFileOrder) {
        const QString group = QLatin1String(CaptureModeDirectoryName(mode));
        if (ini.FindGroup(group) == nullptr) {
            continue;
        }
        ModeRunRecord modeRecord;
        modeRecord.mode = mode;
        modeRecord.outcome = CaptureOutcomeFromText(ini.Value(group, QStringLiteral("outcome")).value_or(QString()));
        modeRecord.attempts = ini.Integer(group, QStringLiteral("attempts")).value_or(0);
        if (const auto ms = ini.Integer(group, QStringLiteral("timeToCaptureMs"))) {
            modeRecord.timeToCaptureMs = *ms;
        }
        if (const auto frames = ini.Integer(group, QStringLiteral("frames"))) {
            modeRecord.frames = *frames;
        }
        modeRecord.meanFps = ini.Number(group, QStringLiteral("meanFps"));
        modeRecord.meanDistanceMm = ini.Number(group, QStringLiteral("meanDistanceMm"));
        record.modes.push_back(modeRecord);
    }
    if (ini.FindGroup(QStringLiteral("Interchange")) != nullptr) {
        InterchangeValues values;
        values.transactionType = text("Interchange", "transactionType");
        values.agencyId = text("Interchange", "agencyId");
        values.resolutionPpi = ini.Integer(QStringLiteral("Interchange"), QStringLiteral("resolutionPpi")).value_or(0);
        record.interchange = values;
    }
    return record;
}
