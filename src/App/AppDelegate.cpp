#include "App/AppDelegate.h"

#include "Model/NotificationCenter.h"
#include "Report/ReportQuery.h"
#include "Window/WindowController.h"

#include <QApplication>
#include <QFileOpenEvent>
#include <QVariantMap>

namespace {
void showAsKeyWindow(QWidget* window)
{
    if (window->isMinimized())
        window->showNormal();
    else
        window->show();
    window->raise();
    window->activateWindow();
}
} // namespace

AppDelegate::AppDelegate(QObject* parent)
    : QObject(parent)
{
    qApp->installEventFilter(this);
}

AppDelegate::~AppDelegate() = default;

void AppDelegate::applicationDidFinishLaunching()
{
    bringForward();
    ReportQuery::report(QStringLiteral("start"), { { QStringLiteral("event"), QStringLiteral("start") } });
}

bool AppDelegate::openFile(const QString& path)
{
    NotificationCenter::defaultCenter().post(QString::fromLatin1(applicationOpenWithFileEvent), path);
    bringForward();
    return true;
}

bool AppDelegate::applicationShouldHandleReopen(bool hasVisibleWindows)
{
    QWidget* window = mainWindowController ? mainWindowController->window() : nullptr;
    if (!hasVisibleWindows) {
        if (window)
            showAsKeyWindow(window);
        return true;
    }
    if (window && window->isMinimized())
        showAsKeyWindow(window);
    return false;
}

void AppDelegate::bringForward()
{
    if (mainWindowController && mainWindowController->window())
        showAsKeyWindow(mainWindowController->window());
}

bool AppDelegate::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == qApp && event->type() == QEvent::FileOpen) {
        auto openEvent = static_cast<QFileOpenEvent*>(event);
        openFile(openEvent->file());
        return true;
    }
    return QObject::eventFilter(watched, event);
}
