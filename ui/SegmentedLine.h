#pragma once
#include <QColor>
#include <QList>
#include <QPointF>
#include <QString>

class QAbstractAxis;
class QChart;
class QLineSeries;

// One line of a chart drawn as segments (a line that stops across a time
// without samples): the first segment's series carries the legend entry,
// the others share its pen and stay out of the legend.
class SegmentedLine {
public:
    SegmentedLine(QChart* chart, const QString& name, const QColor& colour);

    void attachAxes(QAbstractAxis* time, QAbstractAxis* value);
    // Draws the segments, reusing the series of the last drawing.
    void draw(const QList<QList<QPointF>>& segments);
    void setShown(bool shown);
    void setName(const QString& name);

    QLineSeries* legendSeries() const { return series_.front(); }
    bool isShown() const;
    // What was drawn: the points over all segments and the segments.
    int pointCount() const;
    int segmentCount() const { return drawn_; }

private:
    QLineSeries* addSeries();
    void showSeries();

    QChart* chart_;
    QList<QLineSeries*> series_;
    QAbstractAxis* time_ = nullptr;
    QAbstractAxis* value_ = nullptr;
    QColor colour_;
    int drawn_ = 0;
    bool shown_ = true;
};
