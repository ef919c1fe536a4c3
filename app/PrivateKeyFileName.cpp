#include "PrivateKeyFileName.h"

#include <QStringList>

std::optional<QString> ParseAuthGroupFromFileName(const QString& fileName)
{
    const QStringList parts = fileName.split(QLatin1Char('.'), Qt::KeepEmptyParts);
    if (parts.size() < 2) {
        return std::nullopt;
    }
    const QString& group = parts.first();
    for (const QChar c : group) {
        if (!c.isUpper()) {
            return std::nullopt;
        }
    }
    return group;
}
