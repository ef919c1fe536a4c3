#include "KeyAuthentication.h"

#include "AppLog.h"
#include "PrivateKeyFileName.h"
#include "SettingsDeviceRelay.h"

#include "DeviceText.h"

#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>

namespace {

const char kKeyFileNameErrorText[] =
    "Could not parse AuthGroup from filename. Please make sure your filename "
    "starts with the AuthGroup in UPPERCASE followed by a '.', for example: USER.priv.pem";

} // namespace

KeyAuthentication::KeyAuthentication(SettingsDeviceRelay* relay, QLabel* currentGroup, QObject* parent)
    : QObject(parent)
    , relay(relay)
    , currentGroup(currentGroup)
{
}

std::optional<AuthKey> KeyAuthentication::KeyFromFile(const QString& path) const
{
    const std::optional<QString> group = ParseAuthGroupFromFileName(QFileInfo(path).fileName());
    if (!group || group->isEmpty()) {
        qCWarning(lcUi).noquote() << "Error shown:" << kKeyFileNameErrorText;
        QMessageBox::critical(nullptr, QStringLiteral("Error"), QString::fromUtf8(kKeyFileNameErrorText),
                              QMessageBox::Ok);
        return std::nullopt;
    }
    return AuthKey{true, group->toStdString(), path.toStdString()};
}

AuthKey KeyAuthentication::GuestKey()
{
    return AuthKey{false, "GUEST", std::string()};
}

void KeyAuthentication::Request(const AuthKey& key)
{
    emit authRequested(key.group, key.file);
    Refresh();
}

void KeyAuthentication::Refresh()
{
    const std::string answer = relay != nullptr ? relay->GetAuthGroupText() : std::string(kRelayNotConnected);
    const std::string shown =
        quorvel::ShowableDeviceText(reinterpret_cast<const uint8_t*>(answer.data()), answer.size());
    currentGroup->setText(QString::fromStdString(shown));
}
