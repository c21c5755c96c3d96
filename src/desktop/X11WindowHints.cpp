#include "X11WindowHints.h"

#include <QGuiApplication>
#include <QList>
#include <QWindow>

#if QUELVIO_HAVE_XCB
#include <cstdlib>
#include <xcb/xcb.h>
#endif

namespace quelvio::X11WindowHints {

#if QUELVIO_HAVE_XCB
namespace {

xcb_connection_t* connectionFor(QWindow* window) {
    if (!window || QGuiApplication::platformName() != QLatin1StringView("xcb"))
        return nullptr;
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, false, uint16_t(qstrlen(name)), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return result;
}

} // namespace

void setDesktopEntry(QWindow* window, const QByteArray& desktopFileName) {
    xcb_connection_t* connection = connectionFor(window);
    if (!connection)
        return;
    const xcb_window_t id = xcb_window_t(window->winId());
    const xcb_atom_t utf8 = atom(connection, "UTF8_STRING");
    for (const char* property : {"_GTK_APPLICATION_ID", "_KDE_NET_WM_DESKTOP_FILE"})
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, atom(connection, property), utf8, 8,
                            uint32_t(desktopFileName.size()), desktopFileName.constData());
    xcb_flush(connection);
}

void skipTaskbarAndPager(QWindow* window) {
    xcb_connection_t* connection = connectionFor(window);
    if (!connection)
        return;
    const xcb_window_t id = xcb_window_t(window->winId());
    const xcb_atom_t state = atom(connection, "_NET_WM_STATE");
    QList<xcb_atom_t> states;
    // Kept: whatever Qt or anyone else already asked for.
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, false, id, state, XCB_ATOM_ATOM, 0, 1024), nullptr);
    if (reply && reply->format == 32 && reply->type == XCB_ATOM_ATOM) {
        const auto* values = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
        states = QList<xcb_atom_t>(values, values + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    for (const char* wanted : {"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"})
        if (const xcb_atom_t value = atom(connection, wanted); !states.contains(value))
            states.append(value);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, state, XCB_ATOM_ATOM, 32,
                        uint32_t(states.size()), states.constData());
    xcb_flush(connection);
}

#else

void setDesktopEntry(QWindow*, const QByteArray&) {}
void skipTaskbarAndPager(QWindow*) {}

#endif

} // namespace quelvio::X11WindowHints
