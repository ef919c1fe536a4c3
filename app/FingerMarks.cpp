#include "FingerMarks.h"

#include "IniText.h"

#include <QFile>
#include <QStringList>

const char* FingerMarkCode(FingerMark mark)
{
    return mark == FingerMark::Amputated ? "XX" : "UP";
}

std::optional<FingerMark> FingerMarkFromCode(const QString& code)
{
    if (code == QLatin1String("XX")) {
        return FingerMark::Amputated;
    }
    if (code == QLatin1String("UP")) {
        return FingerMark::UnableToPrint;
    }
    return std::nullopt;
}

namespace {

std::optional<int> FingerPositionFromText(const QString& text)
{
    bool ok = false;
    const int position = text.toInt(&ok, 10);
    if (!ok || position < kFirstFingerPosition || position > kLastFingerPosition) {
        return std::nullopt;
    }
    return position;
}

} // namespace

std::optional<FingerMarks> ParseFingerMarks(const QString& text, QString* error)
{
    FingerMarks marks;
    const auto fail = [error](const QString& why) -> std::optional<FingerMarks> {
        if (error != nullptr) {
            *error = why;
        }
        return std::nullopt;
    };
    for (const QString& item : text.split(QLatin1Char(','))) {
        if (item.trimmed().isEmpty()) {
            return fail(QStringLiteral("empty finger position in \"%1\"").arg(text));
        }
        const QStringList parts = item.trimmed().split(QLatin1Char(':'));
        const std::optional<int> position = FingerPositionFromText(parts[0]);
        if (!position || parts.size() > 2) {
            return fail(QStringLiteral("\"%1\" is no finger position from 1 to 10").arg(item));
        }
        const std::optional<FingerMark> mark =
            parts.size() == 2 ? FingerMarkFromCode(parts[1]) : std::optional<FingerMark>(FingerMark::Amputated);
        if (!mark) {
            return fail(QStringLiteral("\"%1\": the code is XX or UP").arg(item));
        }
        if (!marks.emplace(*position, *mark).second) {
            return fail(QStringLiteral("finger %1 is given twice").arg(*position));
        }
    }
    return marks;
}

QString FingerMarksText(const FingerMarks& marks)
{
    QStringList items;
    for (const auto& [position, mark] : marks) {
        items << QStringLiteral("%1:%2").arg(position).arg(QLatin1String(FingerMarkCode(mark)));
    }
    return items.join(QLatin1Char(','));
}

QByteArray FingersIniBytes(const FingerMarks& marks)
{
    IniText ini;
    ini.AddGroup(QStringLiteral("Fingers"));
    for (const auto& [position, mark] : marks) {
        ini.Add(QString::number(position), QLatin1String(FingerMarkCode(mark)));
    }
    return ini.Bytes();
}

std::optional<FingerMarks> ReadFingersIni(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    FingerMarks marks;
    const IniText ini = IniText::Parse(file.readAll());
    if (const IniText::Group* group = ini.FindGroup(QStringLiteral("Fingers"))) {
        for (const auto& [key, value] : group->entries) {
            const std::optional<int> position = FingerPositionFromText(key);
            const std::optional<FingerMark> mark = FingerMarkFromCode(value);
            if (position && mark) {
                marks.emplace(*position, *mark);
            }
        }
    }
    return marks;
}
