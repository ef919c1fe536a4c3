#pragma once

#include <QString>

#include <sys/types.h>

// Who may read what the app stores. Fingerprints and person identifiers are personal data:
// by default only the operator's account reads them; a team that shares a results folder
// chooses its group too. The choice is the process's file creation mask, so every directory
// and file that any part of the app creates, on any thread and through any library, gets it
// whatever mask the program was started with. What exists already keeps its mode.
inline constexpr mode_t kOwnerOnlyMask = 077;     // directories 0700, files 0600
inline constexpr mode_t kGroupReadableMask = 027; // directories 0750, files 0640

mode_t CreationMask(bool groupReadable);

// Makes CreationMask(groupReadable) the process's file creation mask.
void UseCreationMask(bool groupReadable);

// Gives an existing file the mode 0600 whatever the creation mask: for files that stay the
// operator's alone even when results are shared (the log, the settings). False when the file
// is missing or its mode cannot be changed.
bool RestrictToOwner(const QString& path);
