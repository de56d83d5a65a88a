#pragma once
#include "ReadingChartView.h"
#include "SegmentedLine.h"
#include "data/ReadingChartModel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QValueAxis>
#include <QWidget>
#include <memory>

// The chart of the Download page: the readings over time, the alarm line,
// temperature and humidity on a second axis when ticked, and beside it the
// unit choice, Reset and "Save as PNG" (a column, so the page keeps the
// window's first height). A view only: it draws a ReadingChart and
// the binding feeds its gestures to the chart model. The lines stop across
// a time without samples (the chart's segments).
class ReadingChartPanel : public QWidget {
    Q_OBJECT
public:
    explicit ReadingChartPanel(QWidget* parent = nullptr);

    QCheckBox* chkChartClimate = nullptr;
    QComboBox* cboChartUnit = nullptr;     // entries in ConcentrationUnit order
    QPushButton* btnChartReset = nullptr;
    QPushButton* btnChartSave = nullptr;
    QPushButton* btnChartReport = nullptr;  // the PDF report of the readings drawn
    QLabel* lblChartPoints = nullptr;
    ReadingChartView* view = nullptr;

    const SegmentedLine& concentrationLine() const { return *concentration_; }
    const SegmentedLine& temperatureLine() const { return *temperature_; }
    const SegmentedLine& humidityLine() const { return *humidity_; }

    // Replaces what is drawn and shows the whole of it.
    void draw(const ReadingChart& chart, bool mgmOffered);
    // Back to the ranges of the last drawing (after zoom and pan).
    void resetView();
    // The drawing area as a PNG file's bytes.
    QByteArray pngImage() const;

private:
    QChart* chart_ = nullptr;
    QDateTimeAxis* timeAxis_ = nullptr;
    QValueAxis* concentrationAxis_ = nullptr;
    QValueAxis* climateAxis_ = nullptr;
    std::unique_ptr<SegmentedLine> concentration_;
    QLineSeries* alarm_ = nullptr;
    std::unique_ptr<SegmentedLine> temperature_;
    std::unique_ptr<SegmentedLine> humidity_;
    ChartRange time_, concentrationRange_, climateRange_;
};
