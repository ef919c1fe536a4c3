#include "SelectAllOnFocus.h"

#include <QEvent>
#include <QLineEdit>
#include <QTimer>

SelectAllOnFocus::SelectAllOnFocus(QLineEdit* edit)
    : QObject(edit)
    , edit(edit)
{
    edit->installEventFilter(this);
}

bool SelectAllOnFocus::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == edit && event->type() == QEvent::FocusIn) {
        // A mouse click places the cursor after the focus arrives; select once it has.
        QTimer::singleShot(0, edit, &QLineEdit::selectAll);
    }
    return QObject::eventFilter(watched, event);
}
