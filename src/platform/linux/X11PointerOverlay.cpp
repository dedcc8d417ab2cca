#include "X11PointerOverlay.h"

#include "platform/linux/X11FocusedWindow.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QtGui/qguiapplication_platform.h>

// After Qt's headers: Xlib's macros would break them.
#include <X11/Xlib.h>

namespace {

constexpr int dotDiameter = 28;

class DotWindow : public QRasterWindow {
protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(QRect(QPoint(), size()), QColor(229, 37, 33)); }
};

// With several screens, the one that shows the active window, which is the slideshow while the presenter points.
QScreen* presentationScreen()
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (screens.size() < 2 || !x11)
        return QGuiApplication::primaryScreen();
    Display* display = x11->display();
    const Window root = DefaultRootWindow(display);
    const std::optional<long> active
        = X11FocusedWindow::cardinal(display, root, XInternAtom(display, "_NET_ACTIVE_WINDOW", False));
    XWindowAttributes attributes {};
    int x = 0;
    int y = 0;
    Window child = 0;
    if (!active || *active == 0 || !XGetWindowAttributes(display, static_cast<Window>(*active), &attributes)
        || !XTranslateCoordinates(
            display, static_cast<Window>(*active), root, attributes.width / 2, attributes.height / 2, &x, &y, &child))
        return QGuiApplication::primaryScreen();
    for (QScreen* screen : screens) {
        // Qt's screen geometry is in device-independent pixels, the X server's in device pixels.
        if (screen->geometry().contains(QPointF(x, y).toPoint() / screen->devicePixelRatio()))
            return screen;
    }
    return QGuiApplication::primaryScreen();
}

} // namespace

X11PointerOverlay::~X11PointerOverlay() = default;

void X11PointerOverlay::showPointer(QPointF position)
{
    if (!m_dot) {
        m_dot = std::make_unique<DotWindow>();
        m_dot->setFlags(Qt::X11BypassWindowManagerHint | Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus
            | Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint);
        m_dot->resize(dotDiameter, dotDiameter);
        m_dot->setMask(QRegion(0, 0, dotDiameter, dotDiameter, QRegion::Ellipse));
    }
    // Looked up once per touch: the slideshow does not change screens under the presenter's finger.
    if (!m_dot->isVisible())
        m_screen = presentationScreen()->geometry();
    m_dot->setPosition(m_screen.x() + qRound(position.x() * m_screen.width()) - dotDiameter / 2,
        m_screen.y() + qRound(position.y() * m_screen.height()) - dotDiameter / 2);
    m_dot->show();
    // A slideshow made full screen after the dot was shown would otherwise cover it.
    m_dot->raise();
}

void X11PointerOverlay::hidePointer()
{
    if (m_dot)
        m_dot->hide();
}
