#pragma once

// What the program does about the display before the toolkit needs one: the toolkit aborts
// when its platform cannot start, before any message of ours could be shown.
enum class DisplayChoice {
    AsConfigured, // a display that opens, or a platform chosen through QT_QPA_PLATFORM
    Offscreen,    // no usable display, but the run needs none
    Missing,      // no display at all
    Unreachable,  // DISPLAY names a display that cannot be opened
};

#include <QByteArray>

// The platform plugin and X display asked for: QT_QPA_PLATFORM and DISPLAY, or the
// toolkit's -platform and -display options, which take precedence.
struct DisplayOptions {
    QByteArray platform;
    QByteArray display;
};

// Decides from the options and WAYLAND_DISPLAY, trying to open the X display when the X
// platform would be used. An unattended run never needs a display.
DisplayChoice ChooseDisplay(const DisplayOptions& options, bool unattended);
