#include "IniText.h"

#include <QList>

#include <cmath>

void IniText::AddGroup(const QString& name)
{
    groups.push_back(Group{name, {}});
}

void IniText::Add(const QString& key, const QString& value)
{
    if (groups.empty()) {
        AddGroup(QString());
    }
    QString single = value;
    for (QChar& c : single) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar(0)) {
            c = QLatin1Char(' ');
        }
    }
    groups.back().entries.emplace_back(key, single);
}

QByteArray IniText::Bytes() const
{
    QByteArray bytes;
    for (const Group& group : groups) {
        bytes += '[' + group.name.toUtf8() + "]\n";
        for (const auto& [key, value] : group.entries) {
            bytes += key.toUtf8() + '=' + value.toUtf8() + '\n';
        }
    }
    return bytes;
}

IniText IniText::Parse(const QByteArray& bytes)
{
    IniText ini;
    for (QByteArray line : bytes.split('\n')) {
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        const QString text = QString::fromUtf8(line);
        const QString trimmed = text.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';')) || trimmed.startsWith(QLatin1Char('#'))) {
            continue;
        }
        if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'))) {
            ini.AddGroup(trimmed.mid(1, trimmed.size() - 2).trimmed());
            continue;
        }
        const int equals = text.indexOf(QLatin1Char('='));
        if (equals <= 0 || ini.groups.empty()) {
            continue;
        }
        ini.groups.back().entries.emplace_back(text.left(equals).trimmed(), text.mid(equals + 1).trimmed());
    }
    return ini;
}

const IniText::Group* IniText::FindGroup(const QString& name) const
{
    for (const Group& group : groups) {
        if (group.name == name) {
            return &group;
        }
    }
    return nullptr;
}

std::optional<QString> IniText::Value(const QString& group, const QString& key) const
{
    if (const Group* found = FindGroup(group)) {
        for (const auto& [entryKey, value] : found->entries) {
            if (entryKey == key) {
                return value;
            }
        }
    }
    return std::nullopt;
}

std::optional<double> IniText::Number(const QString& group, const QString& key) const
{
    const std::optional<QString> text = Value(group, key);
    if (!text) {
        return std::nullopt;
    }
    bool ok = false;
    const double value = text->toDouble(&ok);
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<int> IniText::Integer(const QString& group, const QString& key) const
{
    const std::optional<QString> text = Value(group, key);
    if (!text) {
        return std::nullopt;
    }
    bool ok = false;
    const int value = text->toInt(&ok, 10);
    return ok ? std::optional<int>(value) : std::nullopt;
}

QString ExactNumberText(double value)
{
    QString text;
    for (int precision = 6; precision <= 17; ++precision) {
        text = QString::number(value, 'g', precision);
        if (text.toDouble() == value) {
            break;
        }
    }
    return text;
}
