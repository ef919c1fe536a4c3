#pragma once

#include <QString>

// The person identifier names the directory a run is stored in, below the base directory.
// Returns why `identifier` cannot name it, or an empty text when it can; a usable identifier
// is used exactly as typed.
QString PersonIdentifierProblem(const QString& identifier);
