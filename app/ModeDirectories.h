#pragma once

#include <QString>
#include <QStringList>

// A run directory holds each stored mode whole or not at all: a mode is written into
// ".<mode>.partial", every file and directory flushed to disk, and only then renamed to its
// name. A crash leaves the partial directory, which is never deleted (it may hold the only
// copy of a capture) and is named at the next start.

// ".4R.partial" for "4R".
QString PartialDirectoryName(const QString& modeName);

// Whether a name in a run directory is a stored mode: "4R", "4L", "2T", or an earlier
// attempt of one, "4R.1", "4R.2", ... Never a name that starts with a dot.
bool IsStoredModeName(const QString& name);

// Moves runDirectory/modeName aside to modeName.N, N one above the highest attempt already
// there (the first retake of 4L makes 4L.1, the second 4L.2), and flushes the directory.
// Returns the new name; an empty name when there is no such directory, or, with error set,
// when the rename failed.
QString ArchiveAttempt(const QString& runDirectory, const QString& modeName, QString* error = nullptr);

// The partial directories under a base directory (<base>/<person>/<run>/.<mode>.partial...),
// full paths, sorted.
QStringList LeftoverPartialDirectories(const QString& baseDirectory);

// The status line's words about leftover partial directories; empty for none.
QString LeftoverPartialNotice(const QStringList& directories);

// Flushes a file's content, or a directory's entries, to the disk.
bool FlushToDisk(const QString& path, bool directory);

// Creates path and its missing parents; `changedParents` gets the directories whose entries
// changed (the parents of what was created), to be flushed. False when it cannot be made.
bool MakeDirectoryPath(const QString& path, QStringList& changedParents);
