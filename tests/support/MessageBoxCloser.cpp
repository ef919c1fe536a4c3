#include "MessageBoxCloser.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEvent>
#include <QPushButton>
#include <QTimer>
#include <QVariant>

MessageBoxCloser::MessageBoxCloser() { QCoreApplication::instance()->installEventFilter(this); }

bool MessageBoxCloser::eventFilter(QObject* watched, QEvent* event)
{
    auto* box = event->type() == QEvent::Show ? qobject_cast<QMessageBox*>(watched) : nullptr;
    // A repeated show event must not count the box twice.
    if (box != nullptr && !box->property("closerSeen").toBool()) {
        box->setProperty("closerSeen", true);
        shown.append({ box->windowTitle(), box->text(), box->icon() });
        // Closing inside the show event would end the box before its own event loop runs.
        // The box as context: one deleted meanwhile is left alone.
        QTimer::singleShot(0, box, [box] {
            QAbstractButton* button = box->escapeButton();
            button = button != nullptr ? button : static_cast<QAbstractButton*>(box->defaultButton());
            if (button == nullptr && box->buttons().size() == 1) {
                button = box->buttons().first();
            }
            button != nullptr ? button->click() : box->reject();
        });
    }
    return QObject::eventFilter(watched, event);
}
