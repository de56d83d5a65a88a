#include "SelectionSlider.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

SelectionSlider::SelectionSlider(QWidget* parent)
    : QSlider(Qt::Horizontal, parent)
{
    setTickPosition(QSlider::TicksBelow);
}

void SelectionSlider::setSelection(int start, int length)
{
    selStart_ = start;
    selLength_ = length;
    selectionShown_ = true;
    update();
}

void SelectionSlider::clearSelection()
{
    selStart_ = minimum();
    selLength_ = 0;
    selectionShown_ = false;
    update();
}

void SelectionSlider::mousePressEvent(QMouseEvent* event)
{
    // The press is reported first so the page sees the value before the drag.
    Q_EMIT pressed(event->button(), event->modifiers());
    QSlider::mousePressEvent(event);
}

void SelectionSlider::mouseReleaseEvent(QMouseEvent* event)
{
    QSlider::mouseReleaseEvent(event);
    Q_EMIT released(event->button(), event->modifiers());
}

void SelectionSlider::keyPressEvent(QKeyEvent* event)
{
    const int before = value();
    QSlider::keyPressEvent(event);
    if (value() != before)
        Q_EMIT keyMoved(before, value(), event->modifiers().testFlag(Qt::ShiftModifier));
}

void SelectionSlider::paintEvent(QPaintEvent* event)
{
    if (selectionShown_ && maximum() > minimum()) {
        QStyleOptionSlider option;
        initStyleOption(&option);
        const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
        const int handle = style()->pixelMetric(QStyle::PM_SliderLength, &option, this);
        const int span = groove.width() - handle;
        auto xOf = [&](int value) {
            return groove.left() + handle / 2
                + QStyle::sliderPositionFromValue(minimum(), maximum(), value, span, option.upsideDown);
        };
        const int left = xOf(selStart_);
        const int right = xOf(qMin(maximum(), selStart_ + selLength_));
        QPainter painter(this);
        const QRect band(left, groove.top() - 3, qMax(2, right - left), groove.height() + 6);
        painter.fillRect(band, palette().color(QPalette::Highlight).lighter(140));
    }
    QSlider::paintEvent(event);
}
