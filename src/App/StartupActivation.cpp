#include "App/StartupActivation.h"

#include <QGuiApplication>
#include <QRegularExpression>
#include <QWidget>

#include <xcb/xcb.h>

using namespace Qt::StringLiterals;

namespace {
xcb_atom_t atom(xcb_connection_t* connection, const char* name)
{
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(qstrlen(name)), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return result;
}

xcb_window_t rootOf(xcb_connection_t* connection)
{
    return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
}

// The startup-notification "remove" message, in the 20-byte pieces the
// protocol sends text in.
void endLaunchFeedback(xcb_connection_t* connection, xcb_window_t window, const QByteArray& token)
{
    QByteArray text = "remove: ID=\"" + QByteArray(token).replace('"', "\\\"") + "\"";
    text.append('\0');
    const xcb_atom_t begin = atom(connection, "_NET_STARTUP_INFO_BEGIN");
    const xcb_atom_t more = atom(connection, "_NET_STARTUP_INFO");
    for (qsizetype offset = 0; offset < text.size(); offset += 20) {
        xcb_client_message_event_t message {};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 8;
        message.window = window;
        message.type = offset == 0 ? begin : more;
        const QByteArray piece = text.mid(offset, 20);
        memcpy(message.data.data8, piece.constData(), size_t(piece.size()));
        xcb_send_event(connection, 0, rootOf(connection), XCB_EVENT_MASK_PROPERTY_CHANGE,
                       reinterpret_cast<const char*>(&message));
    }
}
} // namespace

QString StartupActivation::tokenFromEnvironment()
{
    const QString wayland = qEnvironmentVariable("XDG_ACTIVATION_TOKEN");
    return wayland.isEmpty() ? qEnvironmentVariable("DESKTOP_STARTUP_ID") : wayland;
}

void StartupActivation::activate(QWidget* window, const QString& token)
{
    if (!window || token.isEmpty())
        return;
    if (QGuiApplication::platformName() == "wayland"_L1) {
        // Qt's Wayland window hands this to the compositor on its next activation.
        qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
        window->activateWindow();
    } else if (QGuiApplication::platformName() == "xcb"_L1) {
        activateOnX11(window, token.toUtf8());
    }
}

// _NET_ACTIVE_WINDOW as sent for the user, with the time of the launch the
// user asked for, which is what focus-stealing prevention weighs.
void StartupActivation::activateOnX11(QWidget* window, const QByteArray& token)
{
    auto x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return;
    xcb_connection_t* connection = x11->connection();
    const auto windowId = xcb_window_t(window->winId());
    const QRegularExpressionMatch time = QRegularExpression(u"_TIME(\\d+)"_s).match(QString::fromUtf8(token));

    xcb_client_message_event_t message {};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = windowId;
    message.type = atom(connection, "_NET_ACTIVE_WINDOW");
    message.data.data32[0] = 1; // from an application
    message.data.data32[1] = time.hasMatch() ? time.captured(1).toUInt() : XCB_CURRENT_TIME;
    xcb_send_event(connection, 0, rootOf(connection),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
    endLaunchFeedback(connection, windowId, token);
    xcb_flush(connection);
}
