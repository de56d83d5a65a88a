#include "MemoryBar.h"

#include <QPainter>

MemoryBar::MemoryBar(QWidget* parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("shpMemory_bar"));
    setFrameShape(QFrame::Box);
    setMinimumHeight(18);
}

void MemoryBar::setFill(double fraction, const QColor& colour)
{
    fraction_ = qBound(0.0, fraction, 1.0);
    colour_ = colour;
    update();
}

void MemoryBar::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QRect inner = contentsRect().adjusted(1, 1, -1, -1);
    // Always show a sliver so an empty memory still shows its (green) colour.
    const int width = qMax(3, static_cast<int>(inner.width() * fraction_));
    painter.fillRect(QRect(inner.left(), inner.top(), width, inner.height()), colour_);
}
