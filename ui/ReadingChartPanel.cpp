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
constexpr int kControlsWidth = 110;       // the column of chart controls beside the plot
constexpr qreal kSmallPrint = 8;
// The alarm line reaches well past the readings, so it stays across the
// view when the user pans.
constexpr double kAlarmReach = 100.0;

QLineSeries* DashedLine(const QString& name, const QColor& colour)
{
    auto* series = new QLineSeries;
    series->setName(name);
    QPen pen(colour);
    pen.setWidth(1);
    pen.setStyle(Qt::DashLine);
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
    // "150 of 158 samples have a reading" wraps rather than widen the column.
    lblChartPoints->setWordWrap(true);
    lblChartPoints->setMaximumWidth(kControlsWidth);

    chart_ = new QChart;
    // Small print and thin margins leave the plot most of a low chart.
    chart_->legend()->setAlignment(Qt::AlignBottom);
    chart_->setMargins(QMargins(2, 2, 2, 2));
    chart_->setBackgroundRoundness(0);
    QFont small = chart_->titleFont();
    small.setPointSizeF(kSmallPrint);
    chart_->setTitleFont(small);
    chart_->legend()->setFont(small);
    concentration_ = std::make_unique<SegmentedLine>(chart_, QStringLiteral("Concentration"), QColor(0, 90, 200));
    alarm_ = DashedLine(QStringLiteral("Alarm"), QColor(220, 0, 0));
    chart_->addSeries(alarm_);
    temperature_ = std::make_unique<SegmentedLine>(chart_, QStringLiteral("Temperature / oC"), QColor(230, 120, 0));
    humidity_ = std::make_unique<SegmentedLine>(chart_, QStringLiteral("Humidity / %rh"), QColor(0, 150, 80));

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
    concentration_->attachAxes(timeAxis_, concentrationAxis_);
    alarm_->attachAxis(timeAxis_);
    alarm_->attachAxis(concentrationAxis_);
    temperature_->attachAxes(timeAxis_, climateAxis_);
    humidity_->attachAxes(timeAxis_, climateAxis_);

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
    concentration_->draw(chart.segments(chart.concentration));
    if (chart.alarmLevel) {
        const double reach = (chart.time.max - chart.time.min) * kAlarmReach;
        alarm_->replace({QPointF(chart.time.min - reach, *chart.alarmLevel),
            QPointF(chart.time.max + reach, *chart.alarmLevel)});
        alarm_->setName(chart.alarmName);
    } else {
        alarm_->clear();
    }
    ShowInLegend(chart_, alarm_, chart.alarmLevel.has_value());
    temperature_->draw(chart.segments(chart.temperature));
    humidity_->draw(chart.segments(chart.humidity));
    temperature_->setShown(chart.climateShown);
    humidity_->setShown(chart.climateShown);
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
    lblChartPoints->setText(chart.countText);
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
