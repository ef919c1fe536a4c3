#include "TempSettingsHome.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>

namespace {
const char kXdgConfigHome[] = "XDG_CONFIG_HOME";
const char kXdgDataHome[] = "XDG_DATA_HOME";
// Where QSettings(IniFormat, UserScope, "Quorvel GmbH", "OndrelApp") keeps the file.
const char kAppFile[] = "Quorvel GmbH/OndrelApp.ini";

void PointSettingsAt(const QString& path)
{
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, path);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, path);
}

void Restore(const char* name, bool wasSet, const QByteArray& value)
{
    wasSet ? qputenv(name, value) : qunsetenv(name);
}
} // namespace

TempSettingsHome::TempSettingsHome()
    : hadXdgConfigHome(qEnvironmentVariableIsSet(kXdgConfigHome))
    , previousXdgConfigHome(qgetenv(kXdgConfigHome))
    , hadXdgDataHome(qEnvironmentVariableIsSet(kXdgDataHome))
    , previousXdgDataHome(qgetenv(kXdgDataHome))
{
    if (dir.isValid()) {
        qputenv(kXdgConfigHome, QFile::encodeName(dir.path()));
        qputenv(kXdgDataHome, QFile::encodeName(dataPath()));
        PointSettingsAt(dir.path());
    }
}

TempSettingsHome::~TempSettingsHome()
{
    Restore(kXdgConfigHome, hadXdgConfigHome, previousXdgConfigHome);
    Restore(kXdgDataHome, hadXdgDataHome, previousXdgDataHome);
    PointSettingsAt(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
}

QByteArray TempSettingsHome::read() const
{
    QFile file(dir.filePath(kAppFile));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool TempSettingsHome::write(const QByteArray& content) const
{
    QFile file(dir.filePath(kAppFile));
    return QDir(dir.path()).mkpath(QStringLiteral("Quorvel GmbH")) && file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(content) == content.size();
}
