#include "X11ScreenGrab.h"

#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

X11ScreenGrab::X11ScreenGrab(QRect area)
    : m_area(area)
{
}

X11ScreenGrab::~X11ScreenGrab()
{
    if (m_connection)
        xcb_disconnect(m_connection);
}

void X11ScreenGrab::grab()
{
    if (!m_connection) {
        m_connection = xcb_connect(nullptr, nullptr);
        if (const int error = xcb_connection_has_error(m_connection)) {
            xcb_disconnect(m_connection);
            m_connection = nullptr;
            return Q_EMIT failed(QStringLiteral("cannot open the X display (xcb error %1)").arg(error));
        }
    }
    const xcb_setup_t* setup = xcb_get_setup(m_connection);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(setup).data;
    // Whatever depth the screen has, its pixels are read as 32-bit words in the machine's order.
    if (screen->root_depth < 24 || setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST)
        return Q_EMIT failed(QStringLiteral("the X screen's depth %1 cannot be read").arg(screen->root_depth));
    const QRect area = m_area.intersected(QRect(0, 0, screen->width_in_pixels, screen->height_in_pixels));
    const xcb_get_image_cookie_t cookie = xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, screen->root,
        qint16(area.x()), qint16(area.y()), quint16(area.width()), quint16(area.height()), ~0u);
    xcb_generic_error_t* error = nullptr;
    const std::unique_ptr<xcb_get_image_reply_t, decltype(&std::free)> reply(
        xcb_get_image_reply(m_connection, cookie, &error), &std::free);
    if (!reply) {
        const int code = error ? error->error_code : -1;
        std::free(error);
        if (xcb_connection_has_error(m_connection)) {
            xcb_disconnect(m_connection);
            m_connection = nullptr;
        }
        return Q_EMIT failed(QStringLiteral("the X server refused to give the screen's pixels (error %1)").arg(code));
    }
    const qsizetype length = xcb_get_image_data_length(reply.get());
    if (length < qsizetype(area.width()) * area.height() * 4)
        return Q_EMIT failed(QStringLiteral("the X server gave the screen in an unknown pixel format"));
    // Copied out of the reply, which goes at once.
    Q_EMIT grabbed(
        QImage(xcb_get_image_data(reply.get()), area.width(), area.height(), area.width() * 4, QImage::Format_RGB32)
            .copy());
}
