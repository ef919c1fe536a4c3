#include "PersonIdentifier.h"

QString PersonIdentifierProblem(const QString& identifier)
{
    if (identifier.trimmed().isEmpty()) {
        return QStringLiteral("Please enter a person identifier. It names the directory the results are stored in.");
    }
    if (identifier == QLatin1String(".") || identifier == QLatin1String("..")) {
        return QStringLiteral("The person identifier \"%1\" cannot be used: it would not name a directory of its own.")
            .arg(identifier);
    }
    for (const QChar c : identifier) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\')) {
            return QStringLiteral("The person identifier \"%1\" cannot be used: it must not contain '/' or '\\'.")
                .arg(identifier);
        }
        if (c.category() == QChar::Other_Control) {
            return QStringLiteral("The person identifier cannot be used: it must not contain control characters.");
        }
    }
    return {};
}
