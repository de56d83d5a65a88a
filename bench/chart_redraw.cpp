// Drawing the Download page's chart with a full memory.
//
//   bench_chart_redraw [runs] [png]   default 10 runs of each step; with a
//                                     path, the last drawing is saved there
//
// 16,384 slots a minute apart with varying readings, temperature and
// humidity. Each step is timed on its own, offscreen, and reported as the
// fastest, median and slowest run:
//   copy      ChartSource::of: the slots copied out of the download table
//   model     the chart model filtered and rebuilt (setFilter)
//   redraw    the series replaced, the chart laid out and painted (QWidget::grab),
//             with the concentration alone and with the second axis
//   zoom      one zoom step from the keyboard, painted
#include "ReadingChartPanel.h"
#include "data/DownloadFilter.h"
#include "data/ReadingChartModel.h"
#include "instrument/DownloadTable.h"
#include "instrument/InstrumentInfo.h"
#include "link/FirmwareFlags.h"

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {
constexpr int kSlots = 16384;
constexpr int kChartWidth = 700;    // about the Download page's width in the 720-pixel window
constexpr int kChartHeight = 320;

DownloadTable FullMemory()
{
    DownloadTable table;
    table.resize(kSlots);
    const QDateTime first(QDate(2026, 1, 5), QTime(8, 0));
    for (int i = 1; i <= kSlots; ++i) {
        SlotRecord& s = table[i];
        s.SampleTime = first.addSecs(60LL * i);
        s.TimeStamp = static_cast<int32_t>(s.SampleTime.toSecsSinceEpoch());
        s.Reading = static_cast<float>(1.0 + 0.8 * std::sin(i / 300.0) + 0.05 * (i % 7));
        s.ReadingMGM = s.Reading * 1.23f;
        s.Temperature = static_cast<float>(21 + 3 * std::sin(i / 1440.0));
        s.Humidity = static_cast<float>(45 + 10 * std::cos(i / 900.0));
        s.Scheduled = i % 3 != 0;
        s.RawHex = QStringLiteral("28123456789ABCDEF0123456789ABCDE");
    }
    return table;
}

struct Figures {
    double min, median, max;
};

Figures Time(int runs, const std::function<void()>& step)
{
    std::vector<double> ms;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer t;
        t.start();
        step();
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms.front(), ms[ms.size() / 2], ms.back()};
}

void Report(const char* name, const Figures& f)
{
    std::printf("%-44s %8.1f %8.1f %8.1f ms\n", name, f.min, f.median, f.max);
}
} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;

    const DownloadTable table = FullMemory();
    InstrumentInfo info;
    info.SerialNumber = QStringLiteral("123F");
    info.AlarmEnabled = true;
    info.AlarmSetting = 1.5f;
    const FirmwareFlags flags;

    std::printf("%d slots, %d runs each, %s platform\n", kSlots, runs, qPrintable(QGuiApplication::platformName()));
    std::printf("%-44s %8s %8s %8s\n", "step", "fastest", "median", "slowest");
    ChartSource source;
    Report("copy out of the table", Time(runs, [&] { source = ChartSource::of(table, info, flags); }));

    ReadingChartModel model;
    model.setSource(source);
    DownloadFilter all;
    DownloadFilter scheduled;
    scheduled.formatIndex = static_cast<int>(DataFormat::BySchedule);
    scheduled.onlyScheduled = true;
    bool flip = false;
    Report("model rebuilt (Test Filter)", Time(runs, [&] {
        model.setFilter((flip = !flip) ? scheduled : all);
    }));
    model.setFilter(all);

    ReadingChartPanel panel;
    panel.resize(kChartWidth, kChartHeight);
    panel.show();
    panel.view->grab(); // first paint: fonts and caches
    for (bool climate : {false, true}) {
        model.setClimateShown(climate);
        const ReadingChart& chart = model.chart();
        const auto points = chart.concentration.size() + chart.temperature.size() + chart.humidity.size();
        Report(climate ? "redraw, concentration + temperature + humidity" : "redraw, concentration",
            Time(runs, [&] {
                panel.draw(chart, model.mgmOffered());
                QCoreApplication::processEvents(); // the chart's own layout pass
                panel.view->grab();
            }));
        std::printf("    (%lld points)\n", static_cast<long long>(points));
    }
    Report("zoom step (+) and paint", Time(runs, [&] {
        panel.view->zoomBy(1.25);
        QCoreApplication::processEvents();
        panel.view->grab();
    }));
    DownloadFilter dates;
    dates.formatIndex = static_cast<int>(DataFormat::ByDateRange);
    dates.from = table[1].SampleTime;
    dates.to = table[kSlots / 2].SampleTime;
    Report("model rebuilt, date range filter", Time(runs, [&] { model.setFilter(dates); }));
    if (argc > 2) {
        panel.resetView();
        QCoreApplication::processEvents();
        panel.view->grab().save(QString::fromLocal8Bit(argv[2]), "PNG");
    }
    return 0;
}
