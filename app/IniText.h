#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

// The small INI files a run leaves for other tools (run.ini, quality.ini, fingers.ini) have
// a fixed layout: groups and keys in the order written, values as they stand. QSettings
// would sort the keys and quote or escape values, so these files are written line by line
// here and read back leniently (unknown groups and keys are kept, malformed lines skipped).
class IniText {
public:
    struct Group {
        QString name;
        std::vector<std::pair<QString, QString>> entries;
    };

    // Starts a group; the keys added next belong to it.
    void AddGroup(const QString& name);
    // Adds key=value to the last group. Values are single lines: a line break or a NUL
    // would start a new line in the file, so they are replaced by a space.
    void Add(const QString& key, const QString& value);
    QByteArray Bytes() const;

    // "[name]" starts a group, "key=value" (split at the first '=') adds to it; blank lines,
    // ';' and '#' comments, and text before the first group are skipped. UTF-8.
    static IniText Parse(const QByteArray& bytes);

    const std::vector<Group>& Groups() const { return groups; }
    const Group* FindGroup(const QString& name) const;
    std::optional<QString> Value(const QString& group, const QString& key) const;
    // The value as a number; empty when absent, empty or not a finite number.
    std::optional<double> Number(const QString& group, const QString& key) const;
    // The value as a whole number that an int holds; empty otherwise.
    std::optional<int> Integer(const QString& group, const QString& key) const;

private:
    std::vector<Group> groups;
};

// The shortest decimal text ('.' as separator, whatever the locale) that reads back as the
// same double.
QString ExactNumberText(double value);
