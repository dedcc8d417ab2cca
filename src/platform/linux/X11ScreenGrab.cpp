#include "X11ScreenGrab.h"

#include <cstdlib>
#include <memory>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

namespace {

template <typename Reply> using ReplyPointer = std::unique_ptr<Reply, decltype(&std::free)>;

QImage pixelsOf(const void* pixels, QRect area)
{
    // Copied out of memory that the next grab or the reply's end reuses.
    return QImage(
        static_cast<const uchar*>(pixels), area.width(), area.height(), area.width() * 4, QImage::Format_RGB32)
        .copy();
}

} // namespace

X11ScreenGrab::X11ScreenGrab(QRect area)
    : m_area(area)
{
}

X11ScreenGrab::~X11ScreenGrab() { disconnect(); }

void X11ScreenGrab::grab()
{
    if (const QString missing = connectOnce(); !missing.isEmpty())
        return Q_EMIT failed(missing);
    const uint32_t root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    QString reason;
    const QImage screen = m_segment ? readShared(root) : readThroughSocket(root, reason);
    if (xcb_connection_has_error(m_connection))
        disconnect();
    if (screen.isNull())
        return Q_EMIT failed(reason.isEmpty() ? QStringLiteral("the X server gave no pixels of the screen") : reason);
    Q_EMIT grabbed(screen);
}

QString X11ScreenGrab::connectOnce()
{
    if (m_connection)
        return {};
    m_connection = xcb_connect(nullptr, nullptr);
    if (const int error = xcb_connection_has_error(m_connection)) {
        disconnect();
        return QStringLiteral("cannot open the X display (xcb error %1)").arg(error);
    }
    const xcb_setup_t* setup = xcb_get_setup(m_connection);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(setup).data;
    // Whatever depth the screen has, its pixels are read as 32-bit words in the machine's order.
    if (screen->root_depth < 24 || setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST) {
        disconnect();
        return QStringLiteral("the X screen's depth %1 cannot be read").arg(screen->root_depth);
    }
    m_area = m_area.intersected(QRect(0, 0, screen->width_in_pixels, screen->height_in_pixels));
    shareMemory();
    return {};
}

void X11ScreenGrab::shareMemory()
{
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(m_connection, &xcb_shm_id);
    if (!extension || !extension->present)
        return;
    const int id = shmget(IPC_PRIVATE, size_t(m_area.width()) * size_t(m_area.height()) * 4, IPC_CREAT | 0600);
    if (id < 0)
        return;
    void* pixels = shmat(id, nullptr, 0);
    const uint32_t segment = xcb_generate_id(m_connection);
    xcb_generic_error_t* error = pixels == reinterpret_cast<void*>(-1)
        ? nullptr
        : xcb_request_check(m_connection, xcb_shm_attach_checked(m_connection, segment, uint32_t(id), false));
    // Gone once both sides have detached; a server on another machine cannot attach it at all.
    shmctl(id, IPC_RMID, nullptr);
    if (pixels == reinterpret_cast<void*>(-1))
        return;
    if (error) {
        std::free(error);
        shmdt(pixels);
        return;
    }
    m_segment = segment;
    m_pixels = pixels;
}

QImage X11ScreenGrab::readShared(uint32_t root)
{
    const ReplyPointer<xcb_shm_get_image_reply_t> reply(
        xcb_shm_get_image_reply(m_connection,
            xcb_shm_get_image(m_connection, root, qint16(m_area.x()), qint16(m_area.y()), quint16(m_area.width()),
                quint16(m_area.height()), ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP, m_segment, 0),
            nullptr),
        &std::free);
    return reply ? pixelsOf(m_pixels, m_area) : QImage();
}

QImage X11ScreenGrab::readThroughSocket(uint32_t root, QString& reason)
{
    xcb_generic_error_t* error = nullptr;
    const ReplyPointer<xcb_get_image_reply_t> reply(
        xcb_get_image_reply(m_connection,
            xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, root, qint16(m_area.x()), qint16(m_area.y()),
                quint16(m_area.width()), quint16(m_area.height()), ~0u),
            &error),
        &std::free);
    if (!reply) {
        reason = QStringLiteral("the X server refused to give the screen's pixels (error %1)")
                     .arg(error ? error->error_code : -1);
        std::free(error);
        return {};
    }
    if (xcb_get_image_data_length(reply.get()) < qsizetype(m_area.width()) * m_area.height() * 4) {
        reason = QStringLiteral("the X server gave the screen in an unknown pixel format");
        return {};
    }
    return pixelsOf(xcb_get_image_data(reply.get()), m_area);
}

void X11ScreenGrab::disconnect()
{
    if (m_pixels)
        shmdt(m_pixels);
    m_pixels = nullptr;
    m_segment = 0;
    if (m_connection)
        xcb_disconnect(m_connection);
    m_connection = nullptr;
}
