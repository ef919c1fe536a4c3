#include "TempSettingsHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {
const char kXdgConfigHome[] = "XDG_CONFIG_HOME";
const char kXdgDataHome[] = "XDG_DATA_HOME";

void Restore(const char* name, bool wasSet, const QByteArray& value)
{
    if (wasSet) {
        qputenv(name, value);
    } else {
        qunsetenv(name);
    }
}

void PointSettingsAt(const QString& path)
{
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, path);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, path);
}
} // namespace

TempSettingsHome::TempSettingsHome()
    : hadXdgConfigHome(qEnvironmentVariableIsSet(kXdgConfigHome))
    , previousXdgConfigHome(qgetenv(kXdgConfigHome))
    , hadXdgDataHome(qEnvironmentVariableIsSet(kXdgDataHome))
    , previousXdgDataHome(qgetenv(kXdgDataHome))
{
    if (!dir.isValid()) {
        return;
    }
    qputenv(kXdgConfigHome, QFile::encodeName(dir.path()));
    qputenv(kXdgDataHome, QFile::encodeName(dataPath()));
    PointSettingsAt(dir.path());
}

TempSettingsHome::~TempSettingsHome()
{
    Restore(kXdgConfigHome, hadXdgConfigHome, previousXdgConfigHome);
    Restore(kXdgDataHome, hadXdgDataHome, previousXdgDataHome);
    PointSettingsAt(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
}

QString TempSettingsHome::iniFilePath(const QString& organisation, const QString& application) const
{
    return dir.filePath(organisation + QLatin1Char('/') + application + QStringLiteral(".ini"));
}

bool TempSettingsHome::iniFileExists(const QString& organisation, const QString& application) const
{
    return QFileInfo::exists(iniFilePath(organisation, application));
}

QByteArray TempSettingsHome::readIniFile(const QString& organisation, const QString& application) const
{
    QFile file(iniFilePath(organisation, application));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

bool TempSettingsHome::writeIniFile(const QString& organisation, const QString& application,
    const QByteArray& content) const
{
    const QString filePath = iniFilePath(organisation, application);
    if (!QDir().mkpath(QFileInfo(filePath).path())) {
        return false;
    }
    QFile file(filePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    return file.write(content) == content.size();
}
