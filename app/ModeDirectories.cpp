#include "ModeDirectories.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

const QString kPartialSuffix = QStringLiteral(".partial");

QByteArray LocalPath(const QString& path)
{
    return QFile::encodeName(path);
}

QString ParentOf(const QString& path)
{
    return QFileInfo(path).absolutePath();
}

const QRegularExpression& StoredModePattern()
{
    static const QRegularExpression pattern(QStringLiteral("^(4R|4L|2T)(\\.[1-9][0-9]*)?$"));
    return pattern;
}

const QRegularExpression& PartialPattern()
{
    static const QRegularExpression pattern(QStringLiteral("^\\..+\\.partial(\\.[0-9]+)?$"));
    return pattern;
}

} // namespace

bool FlushToDisk(const QString& path, bool directory)
{
    const int fd = ::open(LocalPath(path).constData(), O_RDONLY | O_CLOEXEC | (directory ? O_DIRECTORY : 0));
    if (fd < 0) {
        return false;
    }
    const bool synced = ::fsync(fd) == 0;
    return ::close(fd) == 0 && synced;
}

bool MakeDirectoryPath(const QString& path, QStringList& changed)
{
    QStringList missing;
    QString existing = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    while (!QFileInfo(existing).exists()) {
        missing.prepend(existing);
        const QString parent = ParentOf(existing);
        if (parent == existing) {
            break;
        }
        existing = parent;
    }
    if (!QDir().mkpath(path) || !QFileInfo(path).isDir()) {
        return false;
    }
    for (auto it = missing.crbegin(); it != missing.crend(); ++it) {
        changed << ParentOf(*it);
    }
    return true;
}

QString PartialDirectoryName(const QString& modeName)
{
    return QLatin1Char('.') + modeName + kPartialSuffix;
}

bool IsStoredModeName(const QString& name)
{
    return StoredModePattern().match(name).hasMatch();
}

QString ArchiveAttempt(const QString& runDirectory, const QString& modeName, QString* error)
{
    const QDir run(runDirectory);
    if (!QFileInfo(run.filePath(modeName)).isDir()) {
        return {};
    }
    int highest = 0;
    const QString prefix = modeName + QLatin1Char('.');
    for (const QString& name : run.entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot)) {
        if (name.startsWith(prefix)) {
            bool number = false;
            const int attempt = name.mid(prefix.size()).toInt(&number);
            if (number && attempt > highest) {
                highest = attempt;
            }
        }
    }
    const QString archived = prefix + QString::number(highest + 1);
    // rename() is atomic: the mode is under one name or the other, never under none.
    if (::rename(LocalPath(run.filePath(modeName)).constData(), LocalPath(run.filePath(archived)).constData()) != 0) {
        if (error != nullptr) {
            *error = QStringLiteral("%1 could not be renamed to %2: %3")
                         .arg(run.filePath(modeName), archived, QString::fromLocal8Bit(std::strerror(errno)));
        }
        return {};
    }
    FlushToDisk(runDirectory, true);
    return archived;
}

QStringList LeftoverPartialDirectories(const QString& baseDirectory)
{
    QStringList found;
    const QDir base(baseDirectory);
    const auto subdirectories = [](const QDir& dir) {
        return dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    };
    for (const QString& person : subdirectories(base)) {
        const QDir personDir(base.filePath(person));
        for (const QString& run : subdirectories(personDir)) {
            const QDir runDir(personDir.filePath(run));
            for (const QString& name : runDir.entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot)) {
                if (PartialPattern().match(name).hasMatch()) {
                    found << runDir.filePath(name);
                }
            }
        }
    }
    found.sort();
    return found;
}

QString LeftoverPartialNotice(const QStringList& directories)
{
    if (directories.isEmpty()) {
        return {};
    }
    if (directories.size() == 1) {
        return QStringLiteral("A mode that was not stored to the end is kept in %1").arg(directories.front());
    }
    return QStringLiteral("%1 modes that were not stored to the end are kept in: %2")
        .arg(directories.size())
        .arg(directories.join(QStringLiteral(", ")));
}
