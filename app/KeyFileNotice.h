#pragma once

#include "KeyFileWarnings.h"

#include <string>

class QWidget;
class StatusLine;

// Tells the operator, once per key file and program start, that other users can read the
// private key a login uses: in the status line and the log, on standard error in unattended
// runs, and in a box over the dialog where the key was chosen.
class KeyFileNotice {
public:
    // `chosenIn`: the dialog the key was chosen in, or null for the automatic login.
    void Tell(const std::string& keyFile, StatusLine& statusLine, bool unattended, QWidget* chosenIn = nullptr);

private:
    KeyFileWarnings warnings;
};
