#pragma once

#include <QObject>
#include <QString>

#include <optional>
#include <string>

class QLabel;
class SettingsDeviceRelay;

// The key the device is asked to authenticate with, and whether the window logs in with it
// by itself after connecting.
struct AuthKey {
    bool autoLogin = false;
    std::string group;
    std::string file; // path of the PEM private key; empty for none
};

// The operator's key for the device: chosen from a file whose name begins with the access
// group, or cleared back to GUEST; and the group the device grants now, shown in a label.
// The owner keeps the key in its settings and forwards authRequested to whoever holds the
// device.
class KeyAuthentication : public QObject {
    Q_OBJECT

public:
    // `relay` is not owned and may be null (then no device is ever reported); `currentGroup`
    // shows the device's answer.
    KeyAuthentication(SettingsDeviceRelay* relay, QLabel* currentGroup, QObject* parent);

    // The key in the file at `path` when its name gives a group; otherwise the error box and
    // no key.
    std::optional<AuthKey> KeyFromFile(const QString& path) const;
    // GUEST without a key file and without the automatic login.
    static AuthKey GuestKey();
    // Asks for authentication with `key`, then shows what the device grants.
    void Request(const AuthKey& key);
    // Asks the relay for the device's current group and shows it, cleaned as every device
    // text is. Only shown: the configured group changes only with the operator's key.
    void Refresh();

signals:
    void authRequested(std::string authGroup, std::string privateKeyFile);

private:
    SettingsDeviceRelay* relay;
    QLabel* currentGroup;
};
