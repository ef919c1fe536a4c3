// Which person identifiers may name the directory of a run.
#include "PersonIdentifier.h"

#include <gtest/gtest.h>

TEST(PersonIdentifier, RefusesWhatIsNoDirectoryOfItsOwnAndTakesEverythingElseAsTyped)
{
    struct Case {
        QString identifier;
        bool usable;
    };
    const Case cases[] = {
        { QString(), false },
        { QStringLiteral("   "), false },
        { QStringLiteral("\t"), false },
        { QStringLiteral("."), false },
        { QStringLiteral(".."), false },
        { QStringLiteral("../../x"), false },
        { QStringLiteral("a/b"), false },
        { QStringLiteral("a\\b"), false },
        { QStringLiteral("/root"), false },
        { QStringLiteral("a\nb"), false },
        { QStringLiteral("P\x1b[31m"), false },
        { QString(QChar(0x7f)), false },
        { QStringLiteral("P") + QChar(0x85), false },
        { QStringLiteral("P 17"), true },
        { QStringLiteral(" P17 "), true },
        { QStringLiteral("..."), true },
        { QStringLiteral(".hidden"), true },
        { QStringLiteral("a..b"), true },
        { QStringLiteral("M\u00fcller-\u00d8"), true },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PersonIdentifierProblem(c.identifier).isEmpty(), c.usable) << c.identifier.toStdString();
    }
    EXPECT_EQ(PersonIdentifierProblem(QStringLiteral("a/b")),
        QStringLiteral("The person identifier \"a/b\" cannot be used: it must not contain '/' or '\\'."));
}
