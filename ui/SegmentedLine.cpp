#include "SegmentedLine.h"

#include <QChart>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPen>

SegmentedLine::SegmentedLine(QChart* chart, const QString& name, const QColor& colour)
    : chart_(chart), colour_(colour)
{
    addSeries()->setName(name);
}

QLineSeries* SegmentedLine::addSeries()
{
    auto* series = new QLineSeries;
    // A one-pixel pen: wider pens cost far more to draw with thousands of points.
    QPen pen(colour_);
    pen.setWidth(1);
    series->setPen(pen);
    chart_->addSeries(series);
    if (time_ && value_) {
        series->attachAxis(time_);
        series->attachAxis(value_);
    }
    series_.append(series);
    return series;
}

void SegmentedLine::showSeries()
{
    for (qsizetype i = 0; i < series_.size(); ++i)
        series_[i]->setVisible(shown_ && (i == 0 || i < drawn_));
    // Only the first segment is named in the legend; a series shown again
    // brings its marker back, so the markers follow.
    for (qsizetype i = 0; i < series_.size(); ++i) {
        for (QLegendMarker* marker : chart_->legend()->markers(series_[i]))
            marker->setVisible(i == 0 && shown_);
    }
}

void SegmentedLine::attachAxes(QAbstractAxis* time, QAbstractAxis* value)
{
    time_ = time;
    value_ = value;
    for (QLineSeries* series : series_) {
        series->attachAxis(time);
        series->attachAxis(value);
    }
}

void SegmentedLine::draw(const QList<QList<QPointF>>& segments)
{
    while (series_.size() < segments.size())
        addSeries();
    drawn_ = int(segments.size());
    for (qsizetype i = 0; i < series_.size(); ++i) {
        if (i < segments.size())
            series_[i]->replace(segments[i]);
        else
            series_[i]->clear();
    }
    showSeries();
}

void SegmentedLine::setShown(bool shown)
{
    shown_ = shown;
    showSeries();
}

void SegmentedLine::setName(const QString& name)
{
    legendSeries()->setName(name);
}

bool SegmentedLine::isShown() const
{
    return shown_;
}

int SegmentedLine::pointCount() const
{
    int points = 0;
    for (qsizetype i = 0; i < drawn_; ++i)
        points += int(series_[i]->count());
    return points;
}
