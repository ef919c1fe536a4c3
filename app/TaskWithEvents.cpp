#include "TaskWithEvents.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>

bool CanProcessEvents()
{
    return QCoreApplication::instance() != nullptr;
}

void WakeEventProcessing()
{
    if (QCoreApplication* application = QCoreApplication::instance()) {
        // An empty call queued to the application object is an event its thread processes.
        QMetaObject::invokeMethod(
            application, [] {}, Qt::QueuedConnection);
    }
}

void ProcessEventsUntilOne()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}
