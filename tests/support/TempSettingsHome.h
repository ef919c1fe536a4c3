#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A private configuration home for one test: XDG_CONFIG_HOME and the user-scope QSettings
// paths point into a fresh temporary directory for the object's lifetime, so a test never
// reads or writes the real user's settings; XDG_DATA_HOME points to its "data" directory, so
// programs started from the test keep their log there too. All are restored on destruction.
//
// QSettings caches its default paths on first use, which is why the QSettings paths are
// set explicitly as well as the environment variable.
class TempSettingsHome {
public:
    TempSettingsHome();
    ~TempSettingsHome();
    TempSettingsHome(const TempSettingsHome&) = delete;
    TempSettingsHome& operator=(const TempSettingsHome&) = delete;

    bool isValid() const { return dir.isValid(); }
    QString path() const { return dir.path(); }
    QString dataPath() const { return dir.filePath(QStringLiteral("data")); }

    // Where QSettings(IniFormat, UserScope, organisation, application) keeps its file here.
    QString iniFilePath(const QString& organisation, const QString& application) const;
    bool iniFileExists(const QString& organisation, const QString& application) const;
    // The file's raw bytes; empty when it does not exist.
    QByteArray readIniFile(const QString& organisation, const QString& application) const;
    // Replaces the file with exactly these bytes, creating the directory as needed.
    bool writeIniFile(const QString& organisation, const QString& application, const QByteArray& content) const;

private:
    QTemporaryDir dir;
    bool hadXdgConfigHome = false;
    QByteArray previousXdgConfigHome;
    bool hadXdgDataHome = false;
    QByteArray previousXdgDataHome;
};
