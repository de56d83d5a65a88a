#include "ReadingChartView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <algorithm>

namespace {
constexpr double kZoomStep = 1.25;   // one wheel notch or one +/- press
constexpr qreal kPanStep = 40;       // pixels per arrow press
}

ReadingChartView::ReadingChartView(QChart* chart, QWidget* parent)
    : QChartView(chart, parent)
{
    setRubberBand(QChartView::RectangleRubberBand);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(false);
}

void ReadingChartView::zoomAbout(double factor, QPointF viewPoint)
{
    const QRectF plot = chart()->plotArea();
    const QPointF p = chart()->mapFromScene(mapToScene(viewPoint.toPoint()));
    const QPointF anchor(std::clamp(p.x(), plot.left(), plot.right()), std::clamp(p.y(), plot.top(), plot.bottom()));
    // The point under the pointer stays where it is.
    const QSizeF size(plot.width() / factor, plot.height() / factor);
    const QPointF topLeft(anchor.x() - (anchor.x() - plot.left()) / factor,
        anchor.y() - (anchor.y() - plot.top()) / factor);
    chart()->zoomIn(QRectF(topLeft, size));
}

void ReadingChartView::wheelEvent(QWheelEvent* event)
{
    const int notches = event->angleDelta().y();
    if (notches == 0)
        return QChartView::wheelEvent(event);
    zoomAbout(notches > 0 ? kZoomStep : 1 / kZoomStep, event->position());
    event->accept();
}

void ReadingChartView::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoomBy(kZoomStep);
        break;
    case Qt::Key_Minus:
        zoomBy(1 / kZoomStep);
        break;
    case Qt::Key_Left:
        chart()->scroll(-kPanStep, 0);
        break;
    case Qt::Key_Right:
        chart()->scroll(kPanStep, 0);
        break;
    case Qt::Key_Up:
        chart()->scroll(0, kPanStep);
        break;
    case Qt::Key_Down:
        chart()->scroll(0, -kPanStep);
        break;
    case Qt::Key_Home:
        Q_EMIT resetRequested();
        break;
    default:
        return QChartView::keyPressEvent(event);
    }
    event->accept();
}

void ReadingChartView::mousePressEvent(QMouseEvent* event)
{
    const bool pan = event->button() == Qt::MiddleButton
        || (event->button() == Qt::LeftButton && event->modifiers().testFlag(Qt::ControlModifier));
    if (!pan)
        return QChartView::mousePressEvent(event);
    panning_ = true;
    lastPan_ = event->position().toPoint();
    setCursor(Qt::ClosedHandCursor);
    event->accept();
}

void ReadingChartView::mouseMoveEvent(QMouseEvent* event)
{
    if (!panning_)
        return QChartView::mouseMoveEvent(event);
    const QPoint now = event->position().toPoint();
    const QPoint moved = now - lastPan_;
    lastPan_ = now;
    // The content follows the pointer.
    chart()->scroll(-moved.x(), moved.y());
    event->accept();
}

void ReadingChartView::mouseReleaseEvent(QMouseEvent* event)
{
    if (!panning_)
        return QChartView::mouseReleaseEvent(event);
    panning_ = false;
    unsetCursor();
    event->accept();
}
