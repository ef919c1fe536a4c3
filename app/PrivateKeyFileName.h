#pragma once

#include <QString>

#include <optional>

// The access group named by a private key file, "USER.priv.pem" naming USER: the part
// before the first dot, all upper-case letters. No group (nullopt) when the name has no
// dot or that part holds anything else; an empty group when the name starts with a dot.
// The group is not checked against the groups a device knows.
std::optional<QString> ParseAuthGroupFromFileName(const QString& fileName);
