#include "ScreenFit.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

ScreenFit::ScreenFit(QWidget* window)
    : QObject(window)
    , window(window)
{
    window->installEventFilter(this);
}

bool ScreenFit::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window) {
        switch (event->type()) {
        // The window manager reports the frame in steps after the window is shown; each
        // geometry change may be the one that makes the framed window too large. A window that
        // fits is left alone, wherever the operator moved it.
        case QEvent::Show:
            Fit();
            break;
        case QEvent::Move:
        case QEvent::Resize:
            // Until the frame is known, the size alone was fitted at Show.
            if (window->frameGeometry().size() != window->size()) {
                Fit();
            }
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

void ScreenFit::Fit()
{
    const QWindow* handle = window->windowHandle();
    const QScreen* screen = handle != nullptr ? handle->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr || window->isMaximized() || window->isFullScreen()) {
        return;
    }
    const QRect available = screen->availableGeometry();
    const QSize decoration = window->frameGeometry().size() - window->size();
    const QSize fitting = window->size().boundedTo(available.size() - decoration);
    if (fitting != window->size()) {
        window->resize(fitting);
        window->move(available.topLeft());
    }
}
