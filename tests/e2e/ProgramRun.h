#pragma once

// Runs the OndrelApp program as a user starts it and collects what it printed.
#include <QProcess>
#include <QString>
#include <QStringList>

struct ProgramRun {
    int exitCode = -1; // -1: crashed, aborted or timed out
    QString out;
    QString err;
};

inline ProgramRun RunOndrelApp(const QStringList& arguments, const QProcessEnvironment& environment,
                               const QString& workingDirectory)
{
    QProcess process;
    process.setProgram(QStringLiteral(ONDREL_APP_PATH));
    process.setArguments(arguments);
    process.setWorkingDirectory(workingDirectory);
    process.setProcessEnvironment(environment);
    process.start();
    ProgramRun run;
    if (!process.waitForStarted(10000) || !process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished(5000);
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

// The system's environment without a display or a chosen platform plugin.
inline QProcessEnvironment EnvironmentWithoutDisplay()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : { "QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY" }) {
        environment.remove(QLatin1String(name));
    }
    return environment;
}
