#include "X11PointerOverlay.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace {

constexpr int dotDiameter = 28;

class DotWindow : public QRasterWindow {
protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(QRect(QPoint(), size()), QColor(229, 37, 33)); }
};

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
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    m_dot->setPosition(screen.x() + qRound(position.x() * screen.width()) - dotDiameter / 2,
        screen.y() + qRound(position.y() * screen.height()) - dotDiameter / 2);
    m_dot->show();
    // A slideshow made full screen after the dot was shown would otherwise cover it.
    m_dot->raise();
}

void X11PointerOverlay::hidePointer()
{
    if (m_dot)
        m_dot->hide();
}
