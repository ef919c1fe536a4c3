#include "MessageBoxCloser.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVariant>

namespace {
// Marks a box already recorded, so a repeated show event does not count it twice.
const char kSeenProperty[] = "messageBoxCloserSeen";
} // namespace

MessageBoxCloser::MessageBoxCloser(QMessageBox::StandardButton answer)
    : chosenAnswer(answer)
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
    if (event->type() == QEvent::Show) {
        auto* box = qobject_cast<QMessageBox*>(watched);
        if (box != nullptr && !box->property(kSeenProperty).toBool()) {
            box->setProperty(kSeenProperty, true);
            shown.append({ box->windowTitle(), box->text(), box->icon(), box->parentWidget() != nullptr });
            // Closing from inside the show event would end the box before its own event
            // loop starts; a queued call runs once the loop is up.
            QPointer<QMessageBox> guarded(box);
            QTimer::singleShot(0, this, [this, guarded] {
                if (guarded) {
                    close(guarded);
                }
            });
        }
    }
    return QObject::eventFilter(watched, event);
}

void MessageBoxCloser::close(QMessageBox* box) const
{
    QAbstractButton* button = nullptr;
    if (chosenAnswer != QMessageBox::NoButton) {
        button = box->button(chosenAnswer);
    }
    if (button == nullptr) {
        button = box->escapeButton();
    }
    if (button == nullptr) {
        button = box->defaultButton();
    }
    if (button == nullptr && box->buttons().size() == 1) {
        button = box->buttons().first();
    }
    if (button != nullptr) {
        button->click();
    } else {
        box->reject();
    }
}
