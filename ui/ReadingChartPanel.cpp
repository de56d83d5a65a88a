#include "ReadingChartPanel.h"
#include "NamedWidget.h"

#include <QBuffer>
#include <QGraphicsLayout>
#include <QHBoxLayout>
#include <QLegendMarker>
#include <QPixmap>
#include <QVBoxLayout>

namespace {
constexpr int kMinimumChartHeight = 140; // the page still fits the window's first size
constexpr int kTimeTicks = 5;
constexpr qreal kSmallPrint = 8;
// The alarm line reaches well past the readings, so it stays across the
// view when the user pans.
constexpr double kAlarmReach = 100.0;

QLineSeries* Series(const QString& name, const QColor& colour, Qt::PenStyle style = Qt::SolidLine)
{
    auto* series = new QLineSeries;
    series->setName(name);
    // A one-pixel pen: wider pens cost far more to draw with thousands of points.
    QPen pen(colour);
    pen.setWidth(1);
    pen.setStyle(style);
    series->setPen(pen);
    return series;
}

QDateTime TimeOf(double ms)
{
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(ms));
}

void ShowInLegend(QChart* chart, QAbstractSeries* series, bool shown)
{
    series->setVisible(shown);
    for (QLegendMarker* marker : chart->legend()->markers(series))
        marker->setVisible(shown);
}
} // namespace

ReadingChartPanel::ReadingChartPanel(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("fraChart"));
    chkChartClimate = Named<QCheckBox>("chkChartClimate", QStringLiteral("oC and %rh"));
    chkChartClimate->setToolTip(QStringLiteral("Show temperature and humidity on a second axis"));
    cboChartUnit = Named<QComboBox>("cboChartUnit");
    cboChartUnit->addItems({UnitText(ConcentrationUnit::Ppm), UnitText(ConcentrationUnit::MgPerCubicMetre)});
    cboChartUnit->setToolTip(QStringLiteral("mg/m^3 is offered for the formats that write an mg/m^3 column"));
    btnChartReset = Named<QPushButton>("btnChartReset", QStringLiteral("Reset"));
    btnChartReset->setToolTip(QStringLiteral("Show all of the chart again (Home)"));
    btnChartSave = Named<QPushButton>("btnChartSave", QStringLiteral("Save as PNG"));
    btnChartReport = Named<QPushButton>("btnChartReport", QStringLiteral("Report..."));
    btnChartReport->setToolTip(QStringLiteral("Statistics, chart and tables of these readings as a PDF file"));
    lblChartPoints = Named<QLabel>("lblChartPoints");

    chart_ = new QChart;
    // Small print and thin margins leave the plot most of a low chart.
    chart_->legend()->setAlignment(Qt::AlignBottom);
    chart_->setMargins(QMargins(2, 2, 2, 2));
    chart_->setBackgroundRoundness(0);
    QFont small = chart_->titleFont();
    small.setPointSizeF(kSmallPrint);
    chart_->setTitleFont(small);
    chart_->legend()->setFont(small);
    concentration_ = Series(QStringLiteral("Concentration"), QColor(0, 90, 200));
    alarm_ = Series(QStringLiteral("Alarm"), QColor(220, 0, 0), Qt::DashLine);
    temperature_ = Series(QStringLiteral("Temperature / oC"), QColor(230, 120, 0));
    humidity_ = Series(QStringLiteral("Humidity / %rh"), QColor(0, 150, 80));
    for (QLineSeries* s : {concentration_, alarm_, temperature_, humidity_})
        chart_->addSeries(s);

    timeAxis_ = new QDateTimeAxis;
    timeAxis_->setFormat(QStringLiteral("dd-MMM hh:mm"));
    timeAxis_->setTickCount(kTimeTicks);
    concentrationAxis_ = new QValueAxis;
    climateAxis_ = new QValueAxis;
    for (QAbstractAxis* axis : std::initializer_list<QAbstractAxis*>{timeAxis_, concentrationAxis_, climateAxis_}) {
        axis->setLabelsFont(small);
        axis->setTitleFont(small);
    }
    chart_->addAxis(timeAxis_, Qt::AlignBottom);
    chart_->addAxis(concentrationAxis_, Qt::AlignLeft);
    chart_->addAxis(climateAxis_, Qt::AlignRight);
    for (QLineSeries* s : {concentration_, alarm_, temperature_, humidity_})
        s->attachAxis(timeAxis_);
    concentration_->attachAxis(concentrationAxis_);
    alarm_->attachAxis(concentrationAxis_);
    temperature_->attachAxis(climateAxis_);
    humidity_->attachAxis(climateAxis_);

    view = new ReadingChartView(chart_);
    view->setObjectName(QStringLiteral("chtReadings"));
    view->setRenderHint(QPainter::Antialiasing, false);
    view->setMinimumHeight(kMinimumChartHeight);
    connect(view, &ReadingChartView::resetRequested, this, &ReadingChartPanel::resetView);
    connect(btnChartReset, &QPushButton::clicked, this, &ReadingChartPanel::resetView);

    auto* controls = new QVBoxLayout;
    controls->addWidget(cboChartUnit);
    controls->addWidget(chkChartClimate);
    controls->addWidget(lblChartPoints);
    controls->addStretch(1);
    controls->addWidget(btnChartReset);
    controls->addWidget(btnChartSave);
    controls->addWidget(btnChartReport);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view, 1);
    layout->addLayout(controls);
    draw(ReadingChart{}, true);
}

void ReadingChartPanel::draw(const ReadingChart& chart, bool mgmOffered)
{
    chart_->setTitle(chart.title);
    concentration_->setName(QStringLiteral("Concentration / ") + UnitText(chart.unit));
    concentration_->replace(chart.concentration);
    if (chart.alarmLevel) {
        const double reach = (chart.time.max - chart.time.min) * kAlarmReach;
        alarm_->replace({QPointF(chart.time.min - reach, *chart.alarmLevel),
            QPointF(chart.time.max + reach, *chart.alarmLevel)});
        alarm_->setName(chart.alarmName);
    } else {
        alarm_->clear();
    }
    ShowInLegend(chart_, alarm_, chart.alarmLevel.has_value());
    temperature_->replace(chart.temperature);
    humidity_->replace(chart.humidity);
    ShowInLegend(chart_, temperature_, chart.climateShown);
    ShowInLegend(chart_, humidity_, chart.climateShown);
    climateAxis_->setVisible(chart.climateShown);
    // The legend does not lay itself out again when markers come and go.
    chart_->legend()->layout()->invalidate();

    concentrationAxis_->setTitleText(chart.concentrationTitle);
    climateAxis_->setTitleText(chart.climateTitle);
    time_ = chart.time;
    concentrationRange_ = chart.concentrationRange;
    climateRange_ = chart.climateRange;
    resetView();

    const QSignalBlocker quiet(cboChartUnit);
    cboChartUnit->setCurrentIndex(static_cast<int>(chart.unit));
    cboChartUnit->setEnabled(mgmOffered);
    const QSignalBlocker quietBox(chkChartClimate);
    chkChartClimate->setChecked(chart.climateShown);
    lblChartPoints->setText(QString::number(chart.concentration.size()) + QStringLiteral(" readings"));
}

void ReadingChartPanel::resetView()
{
    chart_->zoomReset();
    timeAxis_->setRange(TimeOf(time_.min), TimeOf(time_.max));
    concentrationAxis_->setRange(concentrationRange_.min, concentrationRange_.max);
    climateAxis_->setRange(climateRange_.min, climateRange_.max);
}

QByteArray ReadingChartPanel::pngImage() const
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!view->grab().save(&buffer, "PNG"))
        return {};
    return bytes;
}
