#include "RunDirectory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace {
// More runs of one person in one second than this are no operator's doing.
constexpr int kMostRunsPerName = 1000;
} // namespace

QString CreateRunDirectory(const QString& parent, const QString& name, QString* error)
{
    const auto fail = [error](const QString& why) {
        if (error != nullptr) {
            *error = why;
        }
        return QString();
    };
    if (!QDir().mkpath(parent)) {
        return fail(QStringLiteral("%1 cannot be created").arg(parent));
    }
    for (int suffix = 1; suffix <= kMostRunsPerName; ++suffix) {
        const QString candidate =
            parent + QLatin1Char('/') + name + (suffix == 1 ? QString() : QStringLiteral("_%1").arg(suffix));
        // mkdir(2) fails when the name exists, which QDir::mkpath would accept.
        if (::mkdir(QFile::encodeName(candidate).constData(), 0777) == 0) {
            return candidate;
        }
        if (errno != EEXIST) {
            return fail(QStringLiteral("%1 cannot be created: %2")
                            .arg(candidate, QString::fromLocal8Bit(std::strerror(errno))));
        }
    }
    return fail(QStringLiteral("%1/%2: every numbered name is taken").arg(parent, name));
}

void RemoveIfEmpty(const QString& runDirectory)
{
    // rmdir fails, as it should, on a directory that holds anything.
    if (!runDirectory.isEmpty() && QDir().rmdir(runDirectory)) {
        QDir().rmdir(QFileInfo(runDirectory).path());
    }
}
