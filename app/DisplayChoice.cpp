#include "DisplayChoice.h"

#include <QByteArray>

#include <dlfcn.h>

namespace {

// Opens and closes a connection to the X display through libxcb, which the toolkit's X
// platform loads anyway; loaded here at run time so that the program does not depend on it.
bool XDisplayOpens(const QByteArray& display)
{
    void* library = dlopen("libxcb.so.1", RTLD_LAZY | RTLD_LOCAL);
    if (library == nullptr) {
        return false;
    }
    using Connect = void* (*)(const char*, int*);
    using HasError = int (*)(void*);
    using Disconnect = void (*)(void*);
    const auto connect = reinterpret_cast<Connect>(dlsym(library, "xcb_connect"));
    const auto hasError = reinterpret_cast<HasError>(dlsym(library, "xcb_connection_has_error"));
    const auto disconnect = reinterpret_cast<Disconnect>(dlsym(library, "xcb_disconnect"));
    bool opens = false;
    if (connect != nullptr && hasError != nullptr && disconnect != nullptr) {
        // A failed connection is still an object to free.
        void* connection = connect(display.constData(), nullptr);
        opens = connection != nullptr && hasError(connection) == 0;
        if (connection != nullptr) {
            disconnect(connection);
        }
    }
    dlclose(library);
    return opens;
}

} // namespace

DisplayChoice ChooseDisplay(const DisplayOptions& options, bool unattended)
{
    const QByteArray& platform = options.platform;
    if (!platform.isEmpty() && !platform.startsWith("xcb")) {
        return DisplayChoice::AsConfigured;
    }
    const QByteArray& display = options.display;
    if (display.isEmpty()) {
        if (platform.isEmpty() && !qgetenv("WAYLAND_DISPLAY").isEmpty()) {
            return DisplayChoice::AsConfigured;
        }
        return unattended ? DisplayChoice::Offscreen : DisplayChoice::Missing;
    }
    if (XDisplayOpens(display)) {
        return DisplayChoice::AsConfigured;
    }
    return unattended ? DisplayChoice::Offscreen : DisplayChoice::Unreachable;
}
