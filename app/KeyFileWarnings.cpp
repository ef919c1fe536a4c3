#include "KeyFileWarnings.h"

#include <QFileInfo>

bool KeyReadableByOthers(QFileDevice::Permissions permissions)
{
    return permissions.testFlag(QFileDevice::ReadGroup) || permissions.testFlag(QFileDevice::ReadOther);
}

QString KeyReadableByOthersText(const QString& path)
{
    return QStringLiteral("The key file %1 can be read by other users; restrict it with chmod 600").arg(path);
}

std::optional<QString> KeyFileWarnings::FirstWarning(const QString& path)
{
    // The mode of what the path leads to: a link's own mode says nothing.
    const QFileInfo key(path);
    if (path.isEmpty() || !key.exists() || told.count(path) != 0 || !KeyReadableByOthers(key.permissions())) {
        return std::nullopt;
    }
    told.insert(path);
    return KeyReadableByOthersText(path);
}
