// The application log's lines and the bound that rotation keeps it to.
#include "AppLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

TEST(AppLog, RotationKeepsTheFileAndOneOlderWithinTheBoundAndControlCharactersAreMadeVisible)
{
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("OndrelApp.log"));
    // Both files are the owner's alone whatever the creation mask, an older file left open to
    // others included.
    const mode_t startedWith = ::umask(022);
    ASSERT_TRUE(QFile(path + QStringLiteral(".1")).open(QIODevice::WriteOnly));
    const auto ownerOnly = [&path] {
        struct stat current {
        }, older{};
        return ::stat(QFile::encodeName(path).constData(), &current) == 0 && ::stat(QFile::encodeName(path + ".1").constData(), &older) == 0
            && (current.st_mode & 0777) == 0600 && (older.st_mode & 0777) == 0600;
    };
    LogFile log(path, 1000);
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(log.Write(FormatLogLine(QDateTime::currentDateTime(), QtInfoMsg, "ondrel.run", QStringLiteral("line %1").arg(i))));
        EXPECT_TRUE(i > 0 || ownerOnly());
    }
    EXPECT_TRUE(ownerOnly());
    ::umask(startedWith);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({ QStringLiteral("OndrelApp.log"), QStringLiteral("OndrelApp.log.1") }));
    EXPECT_LE(QFileInfo(path).size(), 1000);
    EXPECT_LE(QFileInfo(path + QStringLiteral(".1")).size(), 1000);
    // The older file ends right where the current one begins.
    const auto ReadLines = [](const QString& name) {
        QFile file(name);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                                              : QStringList();
    };
    const QStringList older = ReadLines(path + QStringLiteral(".1"));
    const QStringList current = ReadLines(path);
    ASSERT_FALSE(older.isEmpty() || current.isEmpty());
    EXPECT_TRUE(current.last().endsWith(QLatin1String(": line 199")));
    const int last = older.last().section(QLatin1Char(' '), -1).toInt();
    EXPECT_TRUE(current.first().endsWith(QStringLiteral(": line %1").arg(last + 1)));

    // A device's text can neither split a log line nor put a terminal escape into the file.
    const QString line = FormatLogLine(QDateTime::currentDateTime(), QtWarningMsg, "ondrel.ui",
                                       QStringLiteral("Error shown: bad\x1b[2J\r\nnext\tend\x7f") + QChar(0x9b) + QChar(0));
    EXPECT_TRUE(line.endsWith(QStringLiteral(" warning ondrel.ui: Error shown: bad\\x1b[2J | next\\x09end\\x7f\\x9b\\x00\n")))
        << line.toStdString();
}
