#include "FileModes.h"

#include <QFile>

#include <sys/stat.h>

mode_t CreationMask(bool groupReadable)
{
    return groupReadable ? kGroupReadableMask : kOwnerOnlyMask;
}

void UseCreationMask(bool groupReadable)
{
    ::umask(CreationMask(groupReadable));
}

bool RestrictToOwner(const QString& path)
{
    return ::chmod(QFile::encodeName(path).constData(), S_IRUSR | S_IWUSR) == 0;
}
