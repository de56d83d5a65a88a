#pragma once
#include <QRectF>

class QPainter;
struct ReadingChart;

// Draws the Download page's chart into rect with lines and text: the title,
// the concentration against time with its axis, the alarm line, and the
// temperature and humidity on a second axis when the chart shows them.
// Many points are thinned to the lowest and highest of each fraction of a
// point across, which draws the same line.
void PaintReadingChart(QPainter& painter, const QRectF& rect, const ReadingChart& chart);
