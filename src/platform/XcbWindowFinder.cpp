// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/XcbWindowFinder.h"

#include <QByteArray>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace zarvo {

namespace {

struct FreeReply {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeReply>;

} // namespace

struct XcbWindowFinder::Impl {
    xcb_connection_t* connection = nullptr;
    xcb_window_t root = 0;
    xcb_atom_t clientList = 0, netWmName = 0, utf8String = 0, netWmState = 0, hidden = 0;

    xcb_atom_t Atom(const char* name) const
    {
        const auto cookie = xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
        Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection, cookie, nullptr));
        return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    }

    // The values of a property, empty when the window does not have it.
    QByteArray Property(xcb_window_t window, xcb_atom_t property, xcb_atom_t type) const
    {
        const auto cookie = xcb_get_property(connection, 0, window, property, type, 0, 1 << 16);
        Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection, cookie, nullptr));
        if (!reply || reply->type == XCB_ATOM_NONE)
            return QByteArray();
        return QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                          xcb_get_property_value_length(reply.get()));
    }

    std::vector<xcb_window_t> TopLevels() const
    {
        std::vector<xcb_window_t> windows;
        const QByteArray list = Property(root, clientList, XCB_ATOM_WINDOW);
        if (!list.isEmpty()) {
            windows.resize(static_cast<size_t>(list.size()) / sizeof(xcb_window_t));
            std::memcpy(windows.data(), list.constData(), windows.size() * sizeof(xcb_window_t));
            return windows;
        }
        // No window manager: the programs' windows are the root's own children.
        Reply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr));
        if (tree) {
            const xcb_window_t* children = xcb_query_tree_children(tree.get());
            windows.assign(children, children + xcb_query_tree_children_length(tree.get()));
        }
        return windows;
    }

    QString Title(xcb_window_t window) const
    {
        const QByteArray utf8 = Property(window, netWmName, utf8String);
        if (!utf8.isEmpty())
            return QString::fromUtf8(utf8);
        return QString::fromLatin1(Property(window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING));
    }

    bool Visible(xcb_window_t window) const
    {
        Reply<xcb_get_window_attributes_reply_t> attributes(xcb_get_window_attributes_reply(
            connection, xcb_get_window_attributes(connection, window), nullptr));
        if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE)
            return false;
        const QByteArray state = Property(window, netWmState, XCB_ATOM_ATOM);
        const auto* atoms = reinterpret_cast<const xcb_atom_t*>(state.constData());
        for (size_t i = 0; i < static_cast<size_t>(state.size()) / sizeof(xcb_atom_t); ++i)
            if (atoms[i] == hidden)
                return false;
        return true;
    }
};

XcbWindowFinder::XcbWindowFinder(const char* display) : d(std::make_unique<Impl>())
{
    int screenNumber = 0;
    d->connection = xcb_connect(display, &screenNumber);
    if (xcb_connection_has_error(d->connection))
        return;
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(d->connection));
    for (int i = 0; i < screenNumber && it.rem; ++i)
        xcb_screen_next(&it);
    if (!it.rem)
        return;
    d->root = it.data->root;
    d->clientList = d->Atom("_NET_CLIENT_LIST");
    d->netWmName = d->Atom("_NET_WM_NAME");
    d->utf8String = d->Atom("UTF8_STRING");
    d->netWmState = d->Atom("_NET_WM_STATE");
    d->hidden = d->Atom("_NET_WM_STATE_HIDDEN");
}

XcbWindowFinder::~XcbWindowFinder()
{
    xcb_disconnect(d->connection); // also frees a connection that failed
}

bool XcbWindowFinder::Connected() const
{
    return d->root != 0 && !xcb_connection_has_error(d->connection);
}

WindowState XcbWindowFinder::Find(const QString& title)
{
    WindowState state;
    if (!Connected())
        return state;
    for (xcb_window_t window : d->TopLevels()) {
        if (d->Title(window) != title)
            continue;
        state.Exists = true;
        if (d->Visible(window)) {
            state.Visible = true;
            break;
        }
    }
    return state;
}

std::unique_ptr<WindowFinder> MakeWindowFinder()
{
    if (!qEnvironmentVariableIsEmpty("DISPLAY")) {
        auto finder = std::make_unique<XcbWindowFinder>();
        if (finder->Connected())
            return finder;
    }
    return std::make_unique<NullWindowFinder>();
}

} // namespace zarvo
