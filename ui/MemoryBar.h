#pragma once
#include <QColor>
#include <QFrame>

// The memory-use bar of the Download page ("shpMemory_bar"): a bar filled to
// the used fraction in the colour the page model gives (green when empty,
// red when full).
class MemoryBar : public QFrame {
    Q_OBJECT
    Q_PROPERTY(QColor fillColour READ fillColour)
public:
    explicit MemoryBar(QWidget* parent = nullptr);
    void setFill(double fraction, const QColor& colour);
    QColor fillColour() const { return colour_; }
    double fraction() const { return fraction_; }
    QSize sizeHint() const override { return {200, 22}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double fraction_ = 0;
    QColor colour_ = Qt::green;
};
