#include "MessageBoxCloser.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVariant>

MessageBoxCloser::MessageBoxCloser()
{
    QCoreApplication::instance()->installEventFilter(this);
}

MessageBoxCloser::~MessageBoxCloser()
{
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->removeEventFilter(this);
    }
}

bool MessageBoxCloser::eventFilter(QObject* watched, QEvent* event)
{
    auto* box = event->type() == QEvent::Show ? qobject_cast<QMessageBox*>(watched) : nullptr;
    // A repeated show event must not count the box twice.
    if (box != nullptr && !box->property("closerSeen").toBool()) {
        box->setProperty("closerSeen", true);
        shown.append({ box->windowTitle(), box->text(), box->icon() });
        // Closing inside the show event would end the box before its own event loop runs.
        QTimer::singleShot(0, this, [this, guarded = QPointer<QMessageBox>(box)] {
            if (!guarded) {
                return;
            }
            QAbstractButton* button = guarded->escapeButton();
            button = button != nullptr ? button : static_cast<QAbstractButton*>(guarded->defaultButton());
            if (button == nullptr && guarded->buttons().size() == 1) {
                button = guarded->buttons().first();
            }
            button != nullptr ? button->click() : guarded->reject();
        });
    }
    return QObject::eventFilter(watched, event);
}
