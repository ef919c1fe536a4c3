#include "GeneratedRuns.h"

#include <QDir>
#include <QFile>
#include <QTimeZone>

namespace ondrel::testsupport {

namespace {

const char* const kPersons[] = { "M\u00fcller, J\u00fcrgen", "O\"Brien", "\u00c5sa \"Z\", Jr.", "P-0042", "plain" };
const char* const kOutcomes[] = { "captured", "captured", "captured",   "captured", "captured",
                                  "forced",   "forced",   "time limit", "stopped",  "device error" };
const std::vector<int> kFingers[] = { { 2, 3, 4, 5 }, { 10, 9, 8, 7 }, { 6, 1 } };

void Write(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        qFatal("GenerateRuns: cannot write %s", qPrintable(path));
    }
}

QByteArray Number(double value) { return QByteArray::number(value, 'g', 17); }

} // namespace

std::vector<GeneratedCollectionRun> GenerateRuns(const QString& base, int count, bool faults)
{
    std::vector<GeneratedCollectionRun> runs;
    if (faults) {
        Write(base + "/.cache/x/run.ini", "[Run]\nperson=hidden\n");
    }
    for (int i = 0; i < count; ++i) {
        GeneratedCollectionRun run;
        // Now and then a second run of the same person within the same second.
        const int t = i % 23 == 22 ? i - 1 : i;
        run.person = QString::fromUtf8(kPersons[t % 5]);
        run.started = QDateTime(QDate(2026, 3, 1).addDays(t / 6), QTime(8 + t % 6, (t * 7) % 60, (t * 13) % 60), QTimeZone(3600));
        const bool oldRun = faults && i % 10 == 3;
        const bool garbageRunIni = faults && i % 10 == 5;
        QString name = run.started.toLocalTime().toString("dd_MM_yy_hh_mm_ss");
        if (t != i) {
            name += "_2";
        }
        run.directory = base + "/" + run.person + "/" + name;
        if (oldRun || garbageRunIni) {
            run.started = run.started.toLocalTime(); // only the directory's name tells
        }
        QByteArray runIni = "[Run]\nversion=0.3.0\nperson=" + run.person.toUtf8()
            + "\nstarted=" + run.started.toString(Qt::ISODate).toUtf8() + "\ndevice=127.0.0.1:60123\n";
        const bool missingFinger = i % 13 == 0;
        if (missingFinger) {
            Write(run.directory + "/fingers.ini", "[Fingers]\n3=XX\n");
        }
        for (int m = 0; m < 3; ++m) {
            GeneratedMode& mode = run.modes[m];
            mode.name = QStringList{ "4R", "4L", "2T" }[m];
            const QString dir = run.directory + "/" + mode.name;
            const QString outcome = kOutcomes[(i * 3 + m) % 10];
            const bool stored = outcome == "captured" || outcome == "forced";
            mode.attempts = i % 11 == 0 && m == 1 ? 2 : 1;
            if (mode.attempts == 2) {
                Write(dir + ".1/cfg.txt", "earlier attempt\n");
            }
            mode.missing = missingFinger && m == 0 ? "3:XX" : "";
            const qint64 ms = 1000 + (i * 37 + m * 101) % 5000;
            double sum = 0;
            QByteArray segments = "[General]\nSegments=" + QByteArray::number(stored ? int(kFingers[m].size()) : 0) + "\n";
            QByteArray quality = "[Measure]\nversion=1\n";
            for (std::size_t k = 0; stored && k < kFingers[m].size(); ++k) {
                const double distance = 180.25 + (i + static_cast<int>(k) * 3 + m) % 40;
                sum += distance;
                segments += "[Segment" + QByteArray::number(int(k)) + "]\nposX=10\nposY=20\nheight=40\nwidth=15\n"
                    + "distance=" + Number(distance) + "\nmoveX=0\nmoveY=0\nmoveZ=0\n";
                const int score = 30 + (i * 7 + static_cast<int>(k) * 13 + m * 5) % 70;
                mode.fingers.emplace_back(kFingers[m][k], score);
                quality += "[Segment" + QByteArray::number(int(k)) + "]\nposition=" + QByteArray::number(kFingers[m][k])
                    + "\nposX=10\nposY=20\nwidth=15\nheight=40\nquality=" + QByteArray::number(score)
                    + "\nsharpness=0.5\norientation=0.5\ncontrast=0.5\n";
            }
            const std::optional<double> mean = stored ? std::optional<double>(sum / kFingers[m].size()) : std::nullopt;
            runIni += "[" + mode.name.toUtf8() + "]\noutcome=" + outcome.toUtf8() + "\nattempts=" + QByteArray::number(mode.attempts)
                + "\ntimeToCaptureMs=" + (stored ? QByteArray::number(ms) : QByteArray())
                + "\nframes=40\nmeanFps=12.5\nmeanDistanceMm=" + (mean ? Number(*mean) : QByteArray()) + "\n";
            if (!oldRun && !garbageRunIni) {
                mode.outcome = outcome;
                mode.timeToCaptureMs = stored ? std::optional<qint64>(ms) : std::nullopt;
            }
            if (!stored) {
                Write(dir + "/times.txt", "FullWorkflowStep: 60000 ms\n"); // an attempt without results
                continue;
            }
            mode.meanDistanceMm = mean;
            if (faults && i % 10 == 9 && m == 2) {
                // No SegmentInfos.ini: run.ini's figure stands in.
            } else {
                Write(dir + "/SegmentInfos.ini", segments);
            }
            if (faults && i % 10 == 7 && m == 1) {
                Write(dir + "/quality.ini", "[Measure]\nversion=1\n[Segment0]\nposition=10\n");
                mode.fingers.clear();
            } else {
                Write(dir + "/quality.ini", quality);
            }
        }
        if (garbageRunIni) {
            Write(run.directory + "/run.ini", QByteArray("\x00\xff\xfe garbage =\n[", 14));
        } else if (!oldRun) {
            Write(run.directory + "/run.ini", runIni);
        }
        if (faults && i == 0) {
            Write(base + "/" + run.person + "/.trash/run.ini", "[Run]\nperson=trash\n");
        }
        runs.push_back(run);
    }
    return runs;
}

} // namespace ondrel::testsupport
