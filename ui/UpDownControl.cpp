#include "UpDownControl.h"

#include <QKeyEvent>
#include <QVBoxLayout>
#include <QWheelEvent>

UpDownControl::UpDownControl(const QString& name, int minimum, int maximum, QWidget* parent)
    : QWidget(parent), minimum_(minimum), maximum_(maximum), value_(qBound(minimum, 0, maximum))
{
    setObjectName(name);
    setFocusPolicy(Qt::StrongFocus);
    auto arrow = [this](Qt::ArrowType type, int step) {
        auto* button = new QToolButton(this);
        button->setArrowType(type);
        button->setAutoRepeat(true);
        button->setFixedSize(18, 11);
        button->setFocusPolicy(Qt::NoFocus);
        connect(button, &QToolButton::clicked, this, [this, step] { stepBy(step); });
        return button;
    };
    up_ = arrow(Qt::UpArrow, 1);
    down_ = arrow(Qt::DownArrow, -1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(up_);
    layout->addWidget(down_);
    updateArrows();
}

void UpDownControl::setValue(int value)
{
    value_ = qBound(minimum_, value, maximum_);
    updateArrows();
}

void UpDownControl::stepBy(int steps)
{
    const int next = qBound(minimum_, value_ + steps, maximum_);
    if (next == value_ || !isEnabled())
        return;
    value_ = next;
    updateArrows();
    Q_EMIT valueChanged(value_);
}

void UpDownControl::updateArrows()
{
    up_->setEnabled(isEnabled() && value_ < maximum_);
    down_->setEnabled(isEnabled() && value_ > minimum_);
}

void UpDownControl::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Up)
        stepBy(1);
    else if (event->key() == Qt::Key_Down)
        stepBy(-1);
    else
        QWidget::keyPressEvent(event);
}

void UpDownControl::wheelEvent(QWheelEvent* event)
{
    stepBy(event->angleDelta().y() > 0 ? 1 : -1);
    event->accept();
}

void UpDownControl::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        updateArrows();
}
