#include "platform/linux/ScreenPointerOverlay.h"

#include <QPainter>

namespace {

constexpr int dotDiameter = 28;

class DotScreen : public QRasterWindow {
public:
    void moveDot(QPointF position)
    {
        m_position = position;
        // Qt's Wayland windows draw at most once per frame of the output: the latest position wins.
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(QRect(QPoint(), size()), Qt::transparent);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(229, 37, 33));
        const QPointF centre(m_position.x() * width(), m_position.y() * height());
        painter.drawEllipse(centre, dotDiameter / 2.0, dotDiameter / 2.0);
    }

private:
    QPointF m_position;
};

} // namespace

ScreenPointerOverlay::~ScreenPointerOverlay() = default;

void ScreenPointerOverlay::showPointer(QPointF position)
{
    if (!m_window) {
        m_window = std::make_unique<DotScreen>();
        m_window->setFlags(Qt::FramelessWindowHint | Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus
            | Qt::WindowStaysOnTopHint);
        QSurfaceFormat format = m_window->format();
        format.setAlphaBufferSize(8);
        m_window->setFormat(format);
    }
    static_cast<DotScreen*>(m_window.get())->moveDot(position);
    // Not showFullScreen(), which also asks for the keyboard focus.
    if (!m_window->isVisible()) {
        m_window->setWindowStates(Qt::WindowFullScreen);
        m_window->show();
    }
}

void ScreenPointerOverlay::hidePointer()
{
    if (m_window)
        m_window->hide();
}
