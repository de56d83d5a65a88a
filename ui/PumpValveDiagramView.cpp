#include "PumpValveDiagramView.h"

#include <QPainter>

namespace {
const QColor PumpColour(0, 0, 192);
const QColor ValveColour(192, 0, 0);
const QColor MarkerColour(0, 128, 0);
}

PumpValveDiagramView::PumpValveDiagramView(QWidget* parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("shpPumpAndValveSpace"));
    setFrameShape(QFrame::Box);
    setMinimumSize(200, 48);
}

void PumpValveDiagramView::setDiagram(const PumpValveDiagram& diagram)
{
    diagram_ = diagram;
    update();
}

void PumpValveDiagramView::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QRectF area = contentsRect();
    const double width = area.width();
    auto x = [&](int tenths) { return area.left() + PumpValveDiagram::x(tenths, width); };
    const double pumpY = area.top() + area.height() / 3;
    const double valveY = area.top() + area.height() * 2 / 3;

    painter.setPen(QPen(Qt::gray, 1, Qt::DashLine));
    painter.drawLine(QPointF(x(0), area.top()), QPointF(x(0), area.bottom()));

    auto row = [&](const PumpValveDiagram::Bar& bar, bool filler, double y, const QColor& colour) {
        painter.setPen(QPen(colour, 5, Qt::SolidLine, Qt::FlatCap));
        if (filler)
            painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        else if (bar.visible)
            painter.drawLine(QPointF(x(bar.from), y), QPointF(x(bar.to), y));
    };
    row(diagram_.pump, diagram_.pumpFiller, pumpY, PumpColour);
    row(diagram_.valve, diagram_.valveFiller, valveY, ValveColour);

    // The button press: a stroke across both rows and a tick to time zero.
    const double marker = x(diagram_.buttonPress);
    painter.setPen(QPen(MarkerColour, 2));
    painter.drawLine(QPointF(marker, area.top() + 2), QPointF(marker, area.bottom() - 2));
    painter.drawLine(QPointF(marker, area.bottom() - 4), QPointF(x(0), area.bottom() - 4));
}
