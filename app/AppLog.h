#pragma once

#include <QDateTime>
#include <QFile>
#include <QLoggingCategory>
#include <QString>

// What happened, for whoever asks afterwards: one timestamped line per event in a log file
// in the user's data directory. Events go through these categories at info level or above;
// the message handler installed by InstallAppLog() writes them to the file.
Q_DECLARE_LOGGING_CATEGORY(lcApp)    // ondrel.app: start and exit
Q_DECLARE_LOGGING_CATEGORY(lcDevice) // ondrel.device: connections, authentication, firmware
Q_DECLARE_LOGGING_CATEGORY(lcRun)    // ondrel.run: workflow runs and what they stored
Q_DECLARE_LOGGING_CATEGORY(lcUi)     // ondrel.ui: errors shown to the operator

inline constexpr qint64 kLogFileMaxBytes = 1024 * 1024;
inline constexpr const char* kLogFileName = "OndrelApp.log";

// The text with every control character made visible: line breaks become " | ", anything
// else "\xNN", so that a device's text can neither split a line nor reach a terminal raw.
QString VisibleControlCharacters(const QString& text);

// "2026-12-06T18:58:40.123+01:00 info ondrel.run: text" with a newline.
QString FormatLogLine(const QDateTime& time, QtMsgType type, const char* category, const QString& text);

// A log file that never grows past `maxBytes`: a line that would pass the bound first moves
// the file to "<path>.1", replacing the older one, and starts the file afresh.
class LogFile {
public:
    explicit LogFile(QString path, qint64 maxBytes = kLogFileMaxBytes);
    // Appends the line and flushes it; false when it could not be written.
    bool Write(const QString& line);
    QString Path() const { return file.fileName(); }

private:
    bool Open();

    QFile file;
    qint64 maxBytes;
};

// Where the application's log lives: QStandardPaths::AppDataLocation/OndrelApp.log.
QString AppLogPath();

// Sends every message above debug level to the log file at `path`, and only there: the
// previous handler (standard error) gets debug lines, the toolkit's critical and fatal
// messages, and whatever the file could not take. It may be installed before the
// application object exists.
void InstallAppLog(const QString& path);
