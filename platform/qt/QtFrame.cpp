// The frame a window manager puts around a top-level window, measured before the window is first
// shown. Windows knows a window's frame from its creation, and the tuner places itself by it; on
// X11 the frame belongs to the window manager, which tells its size through _NET_FRAME_EXTENTS
// once asked with _NET_REQUEST_FRAME_EXTENTS.
#include "QtWindows.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QWindow>

#include <xcb/xcb.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace afx::qt
{
namespace
{
struct FreeReply
{
    void operator()(void* p) const { std::free(p); }
};
template <class T> using Reply = std::unique_ptr<T, FreeReply>;

xcb_atom_t Atom(xcb_connection_t* c, const char* name)
{
    Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr));
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

// A CARDINAL or ATOM list property of 32-bit values.
std::vector<std::uint32_t> Values(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property,
                                  xcb_atom_t type, std::uint32_t most)
{
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, property, type, 0, most), nullptr));
    if (!reply || reply->type != type || reply->format != 32)
        return {};
    auto* data = static_cast<std::uint32_t*>(xcb_get_property_value(reply.get()));
    return std::vector<std::uint32_t>(data, data + xcb_get_property_value_length(reply.get()) / 4);
}
} // namespace

QMargins MeasureFrame(QWidget* window)
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr)
    {
        // Elsewhere the platform draws or simulates the frame and knows it already.
        QWindow* handle = window->windowHandle();
        return handle != nullptr ? handle->frameMargins() : QMargins();
    }
    xcb_connection_t* c = x11->connection();
    const auto id = static_cast<xcb_window_t>(window->winId());
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_atom_t extents = Atom(c, "_NET_FRAME_EXTENTS");
    const xcb_atom_t request = Atom(c, "_NET_REQUEST_FRAME_EXTENTS");

    // No window manager, or one that cannot say in advance: no frame known.
    bool canAsk = false;
    for (std::uint32_t atom : Values(c, root, Atom(c, "_NET_SUPPORTED"), XCB_ATOM_ATOM, 4096))
        canAsk = canAsk || atom == request;
    if (!canAsk)
        return {};

    xcb_client_message_event_t ask{};
    ask.response_type = XCB_CLIENT_MESSAGE;
    ask.format = 32;
    ask.window = id;
    ask.type = request;

    // The answer is a property the window manager sets on our window, at once when it is idle.
    // A window manager still starting, or starved by a busy machine, has been seen to drop the
    // question: it is asked again every half second, for three seconds at most.
    QElapsedTimer waited;
    waited.start();
    for (qint64 asked = -1000; waited.elapsed() < 3000; usleep(2000))
    {
        if (waited.elapsed() - asked >= 500)
        {
            xcb_send_event(c, 0, root,
                           XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY |
                               XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                           reinterpret_cast<const char*>(&ask));
            xcb_flush(c);
            asked = waited.elapsed();
        }
        const std::vector<std::uint32_t> v = Values(c, id, extents, XCB_ATOM_CARDINAL, 4);
        if (v.size() == 4) // left, right, top, bottom
            return QMargins(static_cast<int>(v[0]), static_cast<int>(v[2]), static_cast<int>(v[1]),
                            static_cast<int>(v[3]));
    }
    return {};
}
} // namespace afx::qt
