#include "Archive/MainQueue.h"

#include <QCoreApplication>

bool MainQueue::post(std::function<void()> work)
{
    QCoreApplication* application = QCoreApplication::instance();
    if (!application)
        return false;
    return QMetaObject::invokeMethod(application, std::move(work), Qt::QueuedConnection);
}
