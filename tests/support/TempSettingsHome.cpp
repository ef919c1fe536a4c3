#include "TempSettingsHome.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>

namespace {
const char* const kVariables[2] = { "XDG_CONFIG_HOME", "XDG_DATA_HOME" };
// Where QSettings(IniFormat, UserScope, "Quorvel GmbH", "OndrelApp") keeps the file.
const char kAppFile[] = "Quorvel GmbH/OndrelApp.ini";

void PointSettingsAt(const QString& path)
{
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, path);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, path);
}
} // namespace

TempSettingsHome::TempSettingsHome()
{
    for (int i = 0; i < 2; ++i) {
        wasSet[i] = qEnvironmentVariableIsSet(kVariables[i]);
        previous[i] = qgetenv(kVariables[i]);
    }
    if (dir.isValid()) {
        qputenv(kVariables[0], QFile::encodeName(dir.path()));
        qputenv(kVariables[1], QFile::encodeName(dataPath()));
        PointSettingsAt(dir.path());
    }
}

TempSettingsHome::~TempSettingsHome()
{
    for (int i = 0; i < 2; ++i) {
        wasSet[i] ? qputenv(kVariables[i], previous[i]) : qunsetenv(kVariables[i]);
    }
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
