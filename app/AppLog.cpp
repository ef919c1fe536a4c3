#include "AppLog.h"

#include "FileModes.h"

#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QStandardPaths>

#include <cstring>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcApp, "ondrel.app", QtInfoMsg)
Q_LOGGING_CATEGORY(lcDevice, "ondrel.device", QtInfoMsg)
Q_LOGGING_CATEGORY(lcRun, "ondrel.run", QtInfoMsg)
Q_LOGGING_CATEGORY(lcUi, "ondrel.ui", QtInfoMsg)

QString VisibleControlCharacters(const QString& text)
{
    QString visible;
    visible.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n')) {
            continue;
        }
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            visible += QLatin1String(" | ");
        } else if (c.category() == QChar::Other_Control) {
            visible += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        } else {
            visible += c;
        }
    }
    return visible;
}

namespace {

const char* LevelName(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return "debug";
    case QtInfoMsg:
        return "info";
    case QtWarningMsg:
        return "warning";
    case QtCriticalMsg:
        return "critical";
    case QtFatalMsg:
        return "fatal";
    }
    return "?";
}

} // namespace

QString FormatLogLine(const QDateTime& time, QtMsgType type, const char* category, const QString& text)
{
    // The offset makes the time unambiguous across zones and clock changes.
    const QString stamp = time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODateWithMs);
    return QStringLiteral("%1 %2 %3: %4\n")
        .arg(stamp, QLatin1String(LevelName(type)), QLatin1String(category ? category : "default"),
             VisibleControlCharacters(text));
}

LogFile::LogFile(QString path, qint64 maxBytes)
    : file(std::move(path))
    , maxBytes(maxBytes)
{
}

bool LogFile::Open()
{
    QDir().mkpath(QFileInfo(file.fileName()).absolutePath());
    // The log names persons and run directories: created the owner's alone, whatever the
    // creation mask, and closed up if an older version left it, or the older file, open.
    const QByteArray path = QFile::encodeName(file.fileName());
    const int descriptor = ::open(path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (descriptor < 0) {
        return false;
    }
    ::fchmod(descriptor, S_IRUSR | S_IWUSR);
    ::close(descriptor);
    RestrictToOwner(file.fileName() + QStringLiteral(".1")); // absent until the first rotation
    return file.open(QIODevice::WriteOnly | QIODevice::Append);
}

bool LogFile::Write(const QString& line)
{
    const QByteArray bytes = line.toUtf8();
    if (!file.isOpen() && !Open()) {
        return false;
    }
    if (file.size() > 0 && file.size() + bytes.size() > maxBytes) {
        file.close();
        const QString older = file.fileName() + QStringLiteral(".1");
        QFile::remove(older);
        QFile::rename(file.fileName(), older);
        if (!Open()) {
            return false;
        }
    }
    // A single line longer than the bound is cut rather than breaking it.
    const QByteArray kept = bytes.size() > maxBytes ? bytes.left(static_cast<int>(maxBytes - 1)) + '\n' : bytes;
    const bool written = file.write(kept) == kept.size();
    file.flush();
    return written;
}

QString AppLogPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QLatin1Char('/')
        + QLatin1String(kLogFileName);
}

namespace {

// QBasicMutex has no destructor: messages sent while statics are torn down stay safe.
QBasicMutex logMutex;
std::unique_ptr<LogFile> logFile;
QtMessageHandler previousHandler = nullptr;

void WriteToLog(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    const bool ours = context.category != nullptr && std::strncmp(context.category, "ondrel.", 7) == 0;
    bool written = false;
    {
        QMutexLocker lock(&logMutex);
        // Debug lines are diagnostics for developers; the file keeps what happened.
        written = type != QtDebugMsg && logFile
            && logFile->Write(FormatLogLine(QDateTime::currentDateTime(), type, context.category, message));
    }
    // What the file took stays off the terminal: our own lines, and the toolkit's warnings
    // (its platform's remarks would only clutter the output of an unattended run). Debug
    // lines, which the file does not keep, and the toolkit's critical and fatal messages,
    // which the operator must see, also go on.
    const bool severe = !ours && (type == QtCriticalMsg || type == QtFatalMsg);
    if ((!written || severe) && previousHandler != nullptr) {
        previousHandler(type, context, message);
    }
}

} // namespace

void InstallAppLog(const QString& path)
{
    QMutexLocker lock(&logMutex);
    logFile = std::make_unique<LogFile>(path);
    previousHandler = qInstallMessageHandler(WriteToLog);
}
