// Which person identifiers may name the directory of a run (the window test sees the text).
#include "PersonIdentifier.h"

#include <gtest/gtest.h>

TEST(PersonIdentifier, RefusesWhatIsNoDirectoryOfItsOwnAndTakesEverythingElseAsTyped)
{
    const QString refused[] = { QString(),
                                QStringLiteral("   "),
                                QStringLiteral("\t"),
                                QStringLiteral("."),
                                QStringLiteral(".."),
                                QStringLiteral("../../x"),
                                QStringLiteral("a/b"),
                                QStringLiteral("a\\b"),
                                QStringLiteral("/root"),
                                QStringLiteral("a\nb"),
                                QStringLiteral("P\x1b[31m"),
                                QString(QChar(0x7f)),
                                QStringLiteral("P") + QChar(0x85) };
    const QString usable[] = { QStringLiteral("P 17"),    QStringLiteral(" P17 "), QStringLiteral("..."),
                               QStringLiteral(".hidden"), QStringLiteral("a..b"),  QStringLiteral("M\u00fcller-\u00d8") };
    for (const QString& identifier : refused) {
        EXPECT_FALSE(PersonIdentifierProblem(identifier).isEmpty()) << identifier.toStdString();
    }
    for (const QString& identifier : usable) {
        EXPECT_TRUE(PersonIdentifierProblem(identifier).isEmpty()) << identifier.toStdString();
    }
}
