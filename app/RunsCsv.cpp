#include "RunsCsv.h"

#include "AtomicFile.h"
#include "RunRecord.h"

#include <QStringList>

#include <algorithm>
#include <ostream>

const char* const kRunsCsvHeader = "person,started,run_directory,mode,outcome,attempts,time_to_capture_ms,"
                                   "mean_distance_mm,min_quality,mean_quality,missing_fingers";

namespace {

// Decimals enough for a millimetre figure and a 0–100 score; QString::number ignores the locale.
constexpr int kDistanceDecimals = 2;
constexpr int kQualityDecimals = 2;

template <typename Number> QString OptionalNumber(const std::optional<Number>& value, int decimals = 0)
{
    if (!value) {
        return QString();
    }
    if constexpr (std::is_floating_point_v<Number>) {
        return QString::number(*value, 'f', decimals);
    } else {
        return QString::number(*value);
    }
}

} // namespace

QString CsvField(const QString& text)
{
    static const QString special = QStringLiteral(",\"\r\n");
    if (std::none_of(text.begin(), text.end(), [](QChar c) { return special.contains(c); })) {
        return text;
    }
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QByteArray RunsCsvBytes(const std::vector<RunRow>& rows)
{
    const QLatin1String lineBreak("\r\n");
    QString text = QLatin1String(kRunsCsvHeader) + lineBreak;
    for (const RunRow& run : rows) {
        const QString started = run.started.isValid() ? IsoTimeWithOffset(run.started) : QString();
        for (const ModeRow& mode : run.modes) {
            const QStringList fields{
                run.person,
                started,
                run.directory,
                QLatin1String(CaptureModeDirectoryName(mode.mode)),
                mode.outcome ? CaptureOutcomeText(*mode.outcome) : QString(),
                QString::number(mode.attempts),
                OptionalNumber(mode.timeToCaptureMs),
                OptionalNumber(mode.meanDistanceMm, kDistanceDecimals),
                OptionalNumber(mode.minQuality),
                OptionalNumber(mode.meanQuality, kQualityDecimals),
                mode.missing ? FingerMarksText(*mode.missing) : QString(),
            };
            QStringList quoted;
            for (const QString& field : fields) {
                quoted << CsvField(field);
            }
            text += quoted.join(QLatin1Char(',')) + lineBreak;
        }
    }
    return text.toUtf8();
}

bool WriteRunsCsv(const QString& path, const std::vector<RunRow>& rows, QString* error)
{
    return WriteFileAtomically(path, RunsCsvBytes(rows), error);
}

int ExportRunsCsv(const QString& baseDirectory, const QString& outPath, std::ostream& out, std::ostream& err)
{
    QString error;
    const std::optional<std::vector<RunRow>> rows = ReadAllRuns(baseDirectory, &error);
    if (rows && (outPath.isEmpty() || outPath == QLatin1String("-"))) {
        const QByteArray bytes = RunsCsvBytes(*rows);
        out.write(bytes.constData(), bytes.size());
        out.flush();
        if (out) {
            return kRunsCsvExported;
        }
        error = QStringLiteral("The CSV could not be written to standard output.");
    } else if (rows) {
        QString why;
        if (WriteRunsCsv(outPath, *rows, &why)) {
            return kRunsCsvExported;
        }
        error = QStringLiteral("The CSV could not be written to \"%1\": %2").arg(outPath, why);
    }
    err << "Error: " << error.toLocal8Bit().constData() << std::endl;
    return kRunsCsvFailed;
}
