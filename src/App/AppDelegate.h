#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class WindowController;

// Application-level callbacks: bringing the window forward, turning open-file
// requests into the open-file notification, and the "start" report.
class AppDelegate : public QObject
{
    Q_OBJECT

public:
    explicit AppDelegate(QObject* parent = nullptr);
    ~AppDelegate() override;

    // The delegate of the running application, or null before one exists.
    static AppDelegate* shared();

    // The application's window, set by whoever builds the application.
    QPointer<WindowController> mainWindowController;

    void applicationDidFinishLaunching();

    // Posts the open-file notification for `path`, then brings the window forward.
    bool openFile(const QString& path);

    // Another launch (or the desktop) asked for us with no file to open.
    // Returns whether the request was handled by showing the window.
    bool applicationShouldHandleReopen(bool hasVisibleWindows);

    // The window comes to the front as the active window.
    void bringForward();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
