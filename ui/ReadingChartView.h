#pragma once
#include <QChartView>
#include <QPoint>

// The chart's drawing area with its own zoom and pan: drag a rectangle to
// zoom into it (a right click steps back), the wheel zooms about the
// pointer, dragging with the middle button (or with Ctrl held) pans, and
// the keys +/- zoom, the arrows pan and Home resets.
class ReadingChartView : public QChartView {
    Q_OBJECT
public:
    explicit ReadingChartView(QChart* chart, QWidget* parent = nullptr);

    // Zooms about a point of the view (factor > 1 zooms in).
    void zoomAbout(double factor, QPointF viewPoint);
    void zoomBy(double factor) { zoomAbout(factor, chart()->plotArea().center()); }

Q_SIGNALS:
    void resetRequested();

protected:
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool panning_ = false;
    QPoint lastPan_;
};
