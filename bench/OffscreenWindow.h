#pragma once

#include "Probes.h"

#include <QString>
#include <QTemporaryDir>
#include <QVariant>

#include <map>

#include <memory>

class QApplication;
class QGraphicsView;
class app_ondrel;

namespace ondrel::bench {

// The main window, offscreen, with a settings file of its own in a temporary home: the
// simulator's address, every overlay on (the most work a frame can cost), and thresholds
// that no segment meets, so that a live view runs until it is stopped.
class OffscreenWindow {
public:
    // argc must outlive the object, as for QApplication. `settings`: further keys of the
    // settings file ("SaveSettings/RawData") over the ones above.
    OffscreenWindow(const ProbeTarget& target, int& argc, char** argv,
                    const std::map<QString, QVariant>& settings = {});
    ~OffscreenWindow();

    app_ondrel& Window() { return *window; }
    QGraphicsView& View() { return *view; }

private:
    QTemporaryDir home;
    std::unique_ptr<QApplication> application;
    std::unique_ptr<app_ondrel> window;
    QGraphicsView* view = nullptr;
};

} // namespace ondrel::bench
