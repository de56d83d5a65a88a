#include "ReportPdf.h"

#include "ChartPainter.h"
#include "data/ReadingChartModel.h"
#include "shell/OutputFile.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <numeric>

namespace {
constexpr int kUnitsPerInch = 72;            // one unit of the page is a point
constexpr double kMarginMm = 15;
constexpr double kBodyPoints = 9;
constexpr double kTitlePoints = 15;
constexpr double kChartHeight = 240;
constexpr double kCellPadding = 8;
constexpr double kSpaceAfter = 10;           // below each block
constexpr double kRuleWidth = 0.5;
constexpr double kRuleGap = 3;               // room for the rule under the headings

QFont BodyFont(bool bold = false, double points = kBodyPoints)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    // No ligatures: a reader searching the text finds "off", not a glyph for "ff".
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

// Lays the blocks out down the pages. The first pass counts the pages
// without a painter; the second draws, with "Page n of N" at every foot.
class PageFlow {
public:
    PageFlow(QPdfWriter& writer, QPainter* painter, QString footer, int pages)
        : writer_(writer), painter_(painter), footer_(std::move(footer)), pages_(pages),
          area_(writer.pageLayout().paintRectPixels(writer.resolution())),
          footHeight_(QFontMetricsF(BodyFont(), &writer).height() * 2)
    {
        area_.moveTo(0, 0);
        y_ = area_.top();
    }

    QPainter* painter() const { return painter_; }
    // Text measured as the page draws it (the page's resolution, not the screen's).
    QFontMetricsF metrics(const QFont& font) const { return QFontMetricsF(font, &writer_); }
    double y() const { return y_; }
    double left() const { return area_.left(); }
    double width() const { return area_.width(); }
    int page() const { return page_; }

    // Starts a new page unless height fits below y; true when it did.
    bool makeRoom(double height)
    {
        if (y_ + height <= bottom() || y_ == area_.top())
            return false;
        endPage();
        if (painter_)
            writer_.newPage();
        ++page_;
        y_ = area_.top();
        return true;
    }
    void advance(double height) { y_ += height; }
    void endPage()
    {
        if (!painter_)
            return;
        painter_->setFont(BodyFont());
        painter_->setPen(Qt::black);
        const QFontMetricsF metrics = this->metrics(painter_->font());
        const double base = area_.bottom() - metrics.descent();
        painter_->drawText(QPointF(area_.left(), base), footer_);
        const QString number = QStringLiteral("Page %1 of %2").arg(page_).arg(pages_);
        painter_->drawText(QPointF(area_.right() - metrics.horizontalAdvance(number), base), number);
    }

private:
    double bottom() const { return area_.bottom() - footHeight_; }

    QPdfWriter& writer_;
    QPainter* painter_;
    QString footer_;
    int pages_;
    QRectF area_;
    double footHeight_;
    double y_ = 0;
    int page_ = 1;
};

void Line(PageFlow& flow, const QFont& font, const QString& text, double x = 0)
{
    const QFontMetricsF metrics = flow.metrics(font);
    flow.makeRoom(metrics.height());
    if (QPainter* p = flow.painter()) {
        p->setFont(font);
        p->setPen(Qt::black);
        p->drawText(QPointF(flow.left() + x, flow.y() + metrics.ascent()), text);
    }
    flow.advance(metrics.height());
}

void Facts(PageFlow& flow, const MeasurementReport& report, const QFontMetricsF& metrics)
{
    double labelWidth = 0;
    for (const auto& [label, value] : report.facts)
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(label + QLatin1Char(':')));
    for (const auto& [label, value] : report.facts) {
        flow.makeRoom(metrics.height());
        if (QPainter* p = flow.painter()) {
            p->setFont(BodyFont(true));
            p->drawText(QPointF(flow.left(), flow.y() + metrics.ascent()), label + QLatin1Char(':'));
            p->setFont(BodyFont());
            p->drawText(QPointF(flow.left() + labelWidth + kCellPadding, flow.y() + metrics.ascent()), value);
        }
        flow.advance(metrics.height());
    }
    flow.advance(kSpaceAfter);
}

// A table measured once for both passes: each column as wide as its widest
// text (narrowed alike to fit the page) and the width of every cell's text,
// which places the right-aligned cells.
struct MeasuredTable {
    const ReportTable* table = nullptr;
    std::vector<double> widths;
    std::vector<double> headingAdvances;
    std::vector<double> cellAdvances;       // row by row, a column each

    const double* rowAdvances(size_t row) const { return cellAdvances.data() + row * widths.size(); }
};

MeasuredTable Measure(const ReportTable& table, const QFontMetricsF& body, const QFontMetricsF& bold, double width)
{
    MeasuredTable measured;
    measured.table = &table;
    const size_t columns = size_t(table.headings.size());
    measured.widths.assign(columns, 0.0);
    for (size_t c = 0; c < columns; ++c) {
        measured.headingAdvances.push_back(bold.horizontalAdvance(table.headings[qsizetype(c)]));
        measured.widths[c] = measured.headingAdvances[c] + kCellPadding;
    }
    measured.cellAdvances.assign(table.rows.size() * columns, 0.0);
    for (size_t r = 0; r < table.rows.size(); ++r) {
        const QStringList& row = table.rows[r];
        for (size_t c = 0; c < columns && qsizetype(c) < row.size(); ++c) {
            const double advance = body.horizontalAdvance(row[qsizetype(c)]);
            measured.cellAdvances[r * columns + c] = advance;
            measured.widths[c] = std::max(measured.widths[c], advance + kCellPadding);
        }
    }
    const double total = std::accumulate(measured.widths.begin(), measured.widths.end(), 0.0);
    if (total > width) {
        for (double& w : measured.widths)
            w *= width / total;
    }
    return measured;
}

// One row on one line: the first column to the left, the others to the right.
void Row(PageFlow& flow, const QStringList& cells, const double* advances, const std::vector<double>& widths,
    const QFont& font, const QFontMetricsF& metrics, bool rule)
{
    if (QPainter* p = flow.painter()) {
        p->setFont(font);
        p->setPen(Qt::black);
        double x = flow.left();
        for (size_t c = 0; c < widths.size() && qsizetype(c) < cells.size(); ++c) {
            const double textX = c == 0 ? x : x + widths[c] - kCellPadding / 2 - advances[c];
            p->drawText(QPointF(textX, flow.y() + metrics.ascent()), cells[qsizetype(c)]);
            x += widths[c];
        }
        if (rule) {
            p->setPen(QPen(Qt::black, kRuleWidth));
            const double y = flow.y() + metrics.height() + kRuleGap / 2;
            p->drawLine(QPointF(flow.left(), y), QPointF(x, y));
        }
    }
    flow.advance(metrics.height() + (rule ? kRuleGap : 0));
}

// A table whose rows are never split: a row that does not fit starts a new
// page, where the title and the headings are repeated.
void Table(PageFlow& flow, const MeasuredTable& measured)
{
    const ReportTable& table = *measured.table;
    const QFont body = BodyFont();
    const QFont bold = BodyFont(true);
    const QFont title = BodyFont(true, kBodyPoints * 1.25);
    const QFontMetricsF bodyMetrics = flow.metrics(body);
    const QFontMetricsF boldMetrics = flow.metrics(bold);
    const QFontMetricsF titleMetrics = flow.metrics(title);
    const double head = titleMetrics.height() + boldMetrics.height() + kRuleGap;
    const auto heading = [&](bool continued) {
        Line(flow, title, table.title + (continued ? QStringLiteral(" (continued)") : QString()));
        Row(flow, table.headings, measured.headingAdvances.data(), measured.widths, bold, boldMetrics, true);
    };
    if (table.rows.empty()) {
        flow.makeRoom(titleMetrics.height() + bodyMetrics.height());
        Line(flow, title, table.title);
        Line(flow, body, table.whenEmpty);
        flow.advance(kSpaceAfter);
        return;
    }
    flow.makeRoom(head + bodyMetrics.height());
    heading(false);
    for (size_t r = 0; r < table.rows.size(); ++r) {
        if (flow.makeRoom(bodyMetrics.height()))
            heading(true);
        Row(flow, table.rows[r], measured.rowAdvances(r), measured.widths, body, bodyMetrics, false);
    }
    flow.advance(kSpaceAfter);
}

// Lays the report out; with a painter it draws it. Returns the page count.
int Lay(QPdfWriter& writer, QPainter* painter, const MeasurementReport& report, const std::vector<MeasuredTable>& tables,
    const ReadingChart& chart, int pages)
{
    PageFlow flow(writer, painter, report.footer, pages);
    Line(flow, BodyFont(true, kTitlePoints), report.title);
    flow.advance(kSpaceAfter / 2);
    Facts(flow, report, flow.metrics(BodyFont(true)));
    flow.makeRoom(kChartHeight);
    if (painter) {
        painter->setFont(BodyFont(false, kBodyPoints - 1));
        PaintReadingChart(*painter, QRectF(flow.left(), flow.y(), flow.width(), kChartHeight), chart);
    }
    flow.advance(kChartHeight + kSpaceAfter);
    for (const MeasuredTable& table : tables)
        Table(flow, table);
    flow.endPage();
    return flow.page();
}
} // namespace

QByteArray RenderReportPdf(const MeasurementReport& report, const ReadingChart& chart, ReportPaper paper)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(kUnitsPerInch);
        writer.setPageSize(QPageSize(paper == ReportPaper::Letter ? QPageSize::Letter : QPageSize::A4));
        writer.setPageMargins(QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter);
        writer.setTitle(report.title);
        writer.setCreator(report.footer);
        const QFontMetricsF body(BodyFont(), &writer);
        const QFontMetricsF bold(BodyFont(true), &writer);
        const double width = writer.pageLayout().paintRectPixels(writer.resolution()).width();
        std::vector<MeasuredTable> tables;
        for (const ReportTable* table : {&report.figures, &report.days, &report.episodes, &report.gaps})
            tables.push_back(Measure(*table, body, bold, width));
        const int pages = Lay(writer, nullptr, report, tables, chart, 0);
        QPainter painter(&writer);
        Lay(writer, &painter, report, tables, chart, pages);
    }
    return buffer.data();
}

bool WriteReportPdf(const QString& path, const MeasurementReport& report, const ReadingChart& chart, ReportPaper paper)
{
    return WriteOutputFile(path, RenderReportPdf(report, chart, paper));
}
