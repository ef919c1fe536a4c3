// Which private key files count as readable by others, and that each is told once.
#include "KeyFileWarnings.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

TEST(KeyFileWarnings, AGroupOrOtherReadBitIsToldOnceAndNothingElseIs)
{
    const QTemporaryDir dir;
    const struct {
        mode_t mode;
        bool told;
    } rows[] = { { 0600, false }, { 0400, false }, { 0700, false }, { 0620, false }, { 0602, false },
                 { 0640, true },  { 0604, true },  { 0444, true },  { 0755, true } };
    KeyFileWarnings warnings;
    for (const auto& row : rows) {
        const QString path = dir.filePath(QStringLiteral("USER.%1.priv.pem").arg(row.mode, 0, 8));
        SCOPED_TRACE(path.toStdString());
        ASSERT_TRUE(QFile(path).open(QIODevice::WriteOnly) && ::chmod(QFile::encodeName(path).constData(), row.mode) == 0);
        const std::optional<QString> first = warnings.FirstWarning(path);
        EXPECT_EQ(first.value_or(QString()),
                  row.told ? QStringLiteral("The key file %1 can be read by other users; restrict it with chmod 600").arg(path)
                           : QString());
        EXPECT_FALSE(warnings.FirstWarning(path).has_value());
    }
    // No key, or none there: the login says what is wrong.
    EXPECT_FALSE(warnings.FirstWarning(QString()).has_value());
    EXPECT_FALSE(warnings.FirstWarning(dir.filePath(QStringLiteral("missing.priv.pem"))).has_value());
}
