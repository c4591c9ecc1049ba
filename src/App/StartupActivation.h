#pragma once

#include <QString>

class QWidget;

// The token a launcher gives a new process so that its window may take the
// focus: XDG_ACTIVATION_TOKEN on Wayland, DESKTOP_STARTUP_ID on X11. A second
// launch hands its token to the running instance, which raises its window
// with it; without one, desktops that prevent focus stealing would only
// flash the window's taskbar entry.
class StartupActivation
{
public:
    StartupActivation() = delete;

    // This process's token; read before the GUI starts, which takes it away.
    static QString tokenFromEnvironment();

    // Raises `window` on behalf of the launch that carried `token`, and ends
    // that launch's busy feedback.
    static void activate(QWidget* window, const QString& token);

private:
    static void activateOnX11(QWidget* window, const QByteArray& token);
};
