#include "SchedulePreviewBar.h"

#include <QPainter>

namespace {
constexpr int Margin = 18;          // room for the first and last mark's text
constexpr int BarTop = 6;
constexpr int BarHeight = 18;
const QColor BarColour(0, 160, 0);
}

SchedulePreviewBar::SchedulePreviewBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("picSchedPreview"));
    setMinimumHeight(sizeHint().height());
}

void SchedulePreviewBar::setSource(Source source)
{
    source_ = std::move(source);
    update();
}

double SchedulePreviewBar::lineLeft() const { return Margin; }
double SchedulePreviewBar::lineRight() const { return width() - Margin; }

SchedulePreview SchedulePreviewBar::bars() const
{
    return source_ ? source_(lineLeft(), lineRight()) : SchedulePreview{};
}

void SchedulePreviewBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const double left = lineLeft();
    const double right = lineRight();
    const int lineY = BarTop + BarHeight;
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawLine(QPointF(left, lineY), QPointF(right, lineY));
    const auto& marks = ScheduleTexts::PreviewMarks;
    for (size_t i = 0; i < marks.size(); ++i) {
        const double x = left + (right - left) * double(i) / double(marks.size() - 1);
        painter.drawLine(QPointF(x, BarTop - 2), QPointF(x, lineY + 4));
        const QRectF text(x - 30, lineY + 6, 60, fontMetrics().height());
        painter.drawText(text, Qt::AlignHCenter | Qt::AlignTop, marks[i]);
    }
    const SchedulePreview p = bars();
    painter.setPen(Qt::NoPen);
    painter.setBrush(BarColour);
    painter.drawRect(QRectF(p.firstLeft, BarTop, p.firstWidth, BarHeight));
    painter.drawRect(QRectF(p.secondLeft, BarTop, p.secondWidth, BarHeight));
}
