#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A private configuration home for one test: XDG_CONFIG_HOME and QSettings' user-scope
// paths point into a fresh temporary directory while the object lives, and XDG_DATA_HOME
// to its "data" directory (where programs started from the test keep their log); all are
// restored afterwards. QSettings caches its paths on first use, hence both.
class TempSettingsHome {
public:
    TempSettingsHome();
    ~TempSettingsHome();
    TempSettingsHome(const TempSettingsHome&) = delete;
    TempSettingsHome& operator=(const TempSettingsHome&) = delete;

    QString path() const { return dir.path(); }
    QString dataPath() const { return dir.filePath(QStringLiteral("data")); }
    // The application's settings file in this home: its bytes (empty when absent), and
    // replacing them.
    QByteArray read() const;
    bool write(const QByteArray& content) const;

private:
    QTemporaryDir dir;
    // XDG_CONFIG_HOME and XDG_DATA_HOME as they were: set, and their values.
    bool wasSet[2];
    QByteArray previous[2];
};
