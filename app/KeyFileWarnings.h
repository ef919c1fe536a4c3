#pragma once

#include <QFileDevice>
#include <QString>

#include <optional>
#include <set>

// Whether a private key file with these permissions can be read by users other than its
// owner: a group or other read bit.
bool KeyReadableByOthers(QFileDevice::Permissions permissions);

// "The key file <path> can be read by other users; restrict it with chmod 600"
QString KeyReadableByOthersText(const QString& path);

// The private key files this program start has found readable by others, so that each is
// told once. The login goes on either way.
class KeyFileWarnings {
public:
    // The warning for the key file at `path` the first time it is found readable by others;
    // nothing for a key file only its owner reads, one told before, an empty path or a
    // missing file (the login reports that itself).
    std::optional<QString> FirstWarning(const QString& path);

private:
    std::set<QString> told;
};
