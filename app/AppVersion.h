#pragma once

#include <QString>

// The application's version, "0.3.0"; the build takes it from the project's version.
inline QString AppVersionText()
{
    return QStringLiteral("%1.%2.%3").arg(ONDREL_VERSION_MAJOR).arg(ONDREL_VERSION_MINOR).arg(ONDREL_VERSION_PATCH);
}
