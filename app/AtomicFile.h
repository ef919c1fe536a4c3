#pragma once

#include <QByteArray>
#include <QString>

// Writes `bytes` to a temporary file beside `path` and renames it into place, so a crash
// never leaves half a file under the real name. False, with `error` set when given, when
// any step fails; the earlier file under `path` is then untouched.
bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);
