#include "ChartPainter.h"

#include "data/ReadingChartModel.h"

#include <QDateTime>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace {
constexpr int kTicks = 5;
constexpr double kBucketsPerPoint = 2.0;     // thinning: columns per unit across
constexpr double kAxisGap = 4.0;
constexpr double kLineWidth = 0.8;
constexpr double kTitleScale = 1.2;
const QColor kConcentrationColour(32, 74, 135);
const QColor kAlarmColour(204, 0, 0);
const QColor kTemperatureColour(206, 92, 0);
const QColor kHumidityColour(78, 154, 6);
const QColor kGridColour(220, 220, 220);

// A tick step of 1, 2 or 5 times a power of ten giving about kTicks ticks.
double NiceStep(double span)
{
    const double raw = span / kTicks;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 5.0}) {
        if (raw <= m * power)
            return m * power;
    }
    return 10 * power;
}

int DecimalsFor(double step)
{
    return step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(step)));
}

struct Mapping {
    QRectF plot;
    ChartRange x, y;
    QPointF operator()(const QPointF& p) const
    {
        const double fx = (p.x() - x.min) / (x.max - x.min);
        const double fy = (p.y() - y.min) / (y.max - y.min);
        return {plot.left() + fx * plot.width(), plot.bottom() - fy * plot.height()};
    }
};

// The points in device units, keeping per narrow column the first, the
// lowest, the highest and the last in time order.
QPolygonF Thinned(const QList<QPointF>& points, const Mapping& map)
{
    QPolygonF line;
    line.reserve(std::min<qsizetype>(points.size(), qsizetype(map.plot.width() * kBucketsPerPoint * 4) + 4));
    qsizetype i = 0;
    while (i < points.size()) {
        const QPointF first = map(points[i]);
        const double column = std::floor(first.x() * kBucketsPerPoint);
        QPointF low = first, high = first, last = first;
        qsizetype lowAt = i, highAt = i;
        qsizetype j = i + 1;
        for (; j < points.size(); ++j) {
            const QPointF p = map(points[j]);
            if (std::floor(p.x() * kBucketsPerPoint) != column)
                break;
            if (p.y() > low.y()) { low = p; lowAt = j; }      // device y grows downwards
            if (p.y() < high.y()) { high = p; highAt = j; }
            last = p;
        }
        line << first;
        if (lowAt != i && highAt != i) {
            line << (lowAt < highAt ? low : high) << (lowAt < highAt ? high : low);
        } else if (lowAt != i) {
            line << low;
        } else if (highAt != i) {
            line << high;
        }
        if (j - 1 != i && j - 1 != lowAt && j - 1 != highAt)
            line << last;
        i = j;
    }
    return line;
}

void DrawSeries(QPainter& painter, const QList<QPointF>& points, const Mapping& map, const QColor& colour)
{
    if (points.isEmpty())
        return;
    painter.setPen(QPen(colour, kLineWidth));
    if (points.size() == 1) {
        const QPointF p = map(points.first());
        painter.drawEllipse(p, 1.5, 1.5);
        return;
    }
    painter.drawPolyline(Thinned(points, map));
}

// A series as the chart's segments: no line across a time without samples.
void DrawLines(QPainter& painter, const ReadingChart& chart, const QList<QPointF>& points, const Mapping& map,
    const QColor& colour)
{
    for (const QList<QPointF>& segment : chart.segments(points))
        DrawSeries(painter, segment, map, colour);
}

// Ticks and labels of a value axis on the left (or right) of the plot.
void DrawValueAxis(QPainter& painter, const Mapping& map, bool right, const QString& title)
{
    const QFontMetricsF metrics(painter.font(), painter.device());
    const double span = map.y.max - map.y.min;
    const double step = NiceStep(span);
    const int decimals = DecimalsFor(step);
    for (double v = std::ceil(map.y.min / step) * step; v <= map.y.max + step * 1e-9; v += step) {
        const double y = map({map.x.min, v}).y();
        const QString label = QString::number(v, 'f', decimals);
        if (!right) {
            painter.setPen(QPen(kGridColour, 0.5));
            painter.drawLine(QPointF(map.plot.left(), y), QPointF(map.plot.right(), y));
        }
        painter.setPen(Qt::black);
        const double width = metrics.horizontalAdvance(label);
        const double x = right ? map.plot.right() + kAxisGap : map.plot.left() - kAxisGap - width;
        painter.drawText(QPointF(x, y + metrics.ascent() / 2 - 1), label);
    }
    painter.save();
    const double x = right ? map.plot.right() + kAxisGap + metrics.horizontalAdvance(QStringLiteral("000.0")) + metrics.height()
                           : map.plot.left() - kAxisGap - metrics.horizontalAdvance(QStringLiteral("00.000")) - kAxisGap;
    painter.translate(x, map.plot.center().y() + metrics.horizontalAdvance(title) / 2);
    painter.rotate(-90);
    painter.drawText(QPointF(0, 0), title);
    painter.restore();
}

void DrawTimeAxis(QPainter& painter, const Mapping& map)
{
    const QFontMetricsF metrics(painter.font(), painter.device());
    painter.setPen(Qt::black);
    for (int i = 0; i <= kTicks - 1; ++i) {
        const double t = map.x.min + (map.x.max - map.x.min) * i / (kTicks - 1);
        const QPointF at = map({t, map.y.min});
        painter.drawLine(at, at + QPointF(0, 3));
        const QString label = QDateTime::fromMSecsSinceEpoch(qint64(t)).toLocalTime().toString(QStringLiteral("dd MMM HH:mm"));
        const double width = metrics.horizontalAdvance(label);
        const double x = std::clamp(at.x() - width / 2, map.plot.left() - kAxisGap * 4, map.plot.right() - width);
        painter.drawText(QPointF(x, at.y() + 3 + metrics.ascent()), label);
    }
}

void DrawLegend(QPainter& painter, const QRectF& rect, const ReadingChart& chart)
{
    struct Entry {
        QString name;
        QColor colour;
        Qt::PenStyle style;
    };
    QList<Entry> entries{{QStringLiteral("Concentration, ") + UnitText(chart.unit), kConcentrationColour, Qt::SolidLine}};
    if (chart.alarmLevel)
        entries.append({chart.alarmName, kAlarmColour, Qt::DashLine});
    if (chart.climateShown) {
        entries.append({QStringLiteral("Temperature, oC"), kTemperatureColour, Qt::SolidLine});
        entries.append({QStringLiteral("Humidity, %rh"), kHumidityColour, Qt::SolidLine});
    }
    const QFontMetricsF metrics(painter.font(), painter.device());
    double x = rect.left();
    const double y = rect.bottom() - metrics.descent();
    for (const Entry& e : entries) {
        painter.setPen(QPen(e.colour, 1.5, e.style));
        painter.drawLine(QPointF(x, y - metrics.ascent() / 3), QPointF(x + 14, y - metrics.ascent() / 3));
        painter.setPen(Qt::black);
        painter.drawText(QPointF(x + 18, y), e.name);
        x += 18 + metrics.horizontalAdvance(e.name) + 12;
    }
}
} // namespace

void PaintReadingChart(QPainter& painter, const QRectF& rect, const ReadingChart& chart)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font = painter.font();
    const QFontMetricsF metrics(font, painter.device());
    QFont titleFont = font;
    titleFont.setPointSizeF(font.pointSizeF() * kTitleScale);
    titleFont.setBold(true);
    painter.setFont(titleFont);
    painter.setPen(Qt::black);
    const QFontMetricsF titleMetrics(titleFont, painter.device());
    painter.drawText(QPointF(rect.left() + (rect.width() - titleMetrics.horizontalAdvance(chart.title)) / 2,
                         rect.top() + titleMetrics.ascent()),
        chart.title);
    painter.setFont(font);

    const double left = metrics.horizontalAdvance(QStringLiteral("00.000")) + metrics.height() + 3 * kAxisGap;
    const double right = chart.climateShown ? left : metrics.horizontalAdvance(QStringLiteral("00 MMM 00:00")) / 2;
    const QRectF plot(rect.left() + left, rect.top() + titleMetrics.height() + kAxisGap,
        rect.width() - left - right, rect.height() - titleMetrics.height() - 3 * metrics.height() - 3 * kAxisGap);
    const Mapping concentration{plot, chart.time, chart.concentrationRange};

    DrawValueAxis(painter, concentration, false, chart.concentrationTitle);
    DrawTimeAxis(painter, concentration);
    painter.setPen(QPen(Qt::black, 0.8));
    painter.drawRect(plot);

    painter.save();
    painter.setClipRect(plot);
    DrawLines(painter, chart, chart.concentration, concentration, kConcentrationColour);
    if (chart.alarmLevel) {
        painter.setPen(QPen(kAlarmColour, 1.0, Qt::DashLine));
        const double y = concentration({chart.time.min, *chart.alarmLevel}).y();
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
    }
    if (chart.climateShown) {
        const Mapping climate{plot, chart.time, chart.climateRange};
        DrawLines(painter, chart, chart.temperature, climate, kTemperatureColour);
        DrawLines(painter, chart, chart.humidity, climate, kHumidityColour);
    }
    painter.restore();
    if (chart.climateShown)
        DrawValueAxis(painter, Mapping{plot, chart.time, chart.climateRange}, true, chart.climateTitle);
    DrawLegend(painter, rect, chart);
    painter.restore();
}
