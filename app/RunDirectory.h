#pragma once

#include <QString>

// Creates the directory of a new run, `parent`/`name`, and every missing parent. The run's
// own directory is created exclusively: when the name is taken (two runs in the same second,
// by this or another process) the run takes `name`_2, `name`_3, … so that it never writes
// into a directory an earlier run wrote. Returns the directory it created, or an empty text
// when none could be created (`error` says why).
QString CreateRunDirectory(const QString& parent, const QString& name, QString* error = nullptr);

// Removes a run directory that is still empty (a run that stored nothing), and then its
// person's directory when that is empty too; a directory that holds anything stays.
void RemoveIfEmpty(const QString& runDirectory);
