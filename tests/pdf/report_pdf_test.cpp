#include "PdfTools.h"
#include "QtPrinters.h"
#include "ReportFigures.h"
#include "ReportPdf.h"
#include "ReportSave.h"
#include "ServicesRig.h"
#include "TempFolder.h"
#include "data/MeasurementReport.h"
#include "data/ReadingChartModel.h"
#include "data/SaveDialogChoice.h"
#include "data/StatisticsJson.h"
#include "instrument/DownloadTable.h"
#include "instrument/InstrumentInfo.h"
#include "link/FirmwareFlags.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {
const QString kSerial = QStringLiteral("77A");
const qint64 kStart = QDateTime(QDate(2026, 11, 2), QTime(9, 0), QTimeZone::utc()).toSecsSinceEpoch();
constexpr int kFullMemory = 16384;

// A memory of readings every minute: 0.5 to 0.875 ppm, 2.25 ppm for three
// minutes of every period, and ten minutes without a reading before every
// gapEvery-th slot.
ChartSource Memory(int slots, int period, int gapEvery, bool alarm = true)
{
    DownloadTable table;
    table.resize(slots);
    qint64 t = kStart;
    for (int i = 1; i <= slots; ++i) {
        t += (i % gapEvery == 0) ? 600 : 60;
        SlotRecord& s = table[i];
        s.TimeStamp = static_cast<int32_t>(t);
        s.SampleTime = QDateTime::fromSecsSinceEpoch(t);
        s.Reading = i % period < 3 ? 2.25f : 0.5f + float(i % 4) * 0.125f;
        s.ReadingMGM = s.Reading * 1.2f;
        s.Temperature = 21.5f;
        s.Humidity = 40.0f;
        s.RawHex = QStringLiteral("28123456789ABCDEF0123456789ABCDE");
    }
    InstrumentInfo info;
    info.SerialNumber = kSerial;
    info.FirmwareID = QStringLiteral("V2.31");
    info.Calibrated = QDateTime(QDate(2026, 5, 14), QTime(0, 0));
    info.CalibrationValid = true;
    info.AlarmEnabled = alarm;
    info.AlarmOver = true;
    info.AlarmSetting = 1.0f;
    return ChartSource::of(table, info, FirmwareFlags{});
}

struct Made {
    MeasurementReport report;
    QJsonObject json;
    ReadingChartModel chart;
};

void Make(Made& made, ChartSource source)
{
    made.chart.setSource(std::move(source));
    made.chart.setFilter(DownloadFilter{});
    ReportRequest request;
    request.filter = made.chart.filter();
    request.origin = QStringLiteral("Download from the instrument");
    const MeasurementStatistics statistics = StatisticsFor(made.chart.source(), request);
    made.json = StatisticsJson(made.chart.source(), request, statistics);
    made.report = BuildMeasurementReport(made.chart.source(), request, statistics, QStringLiteral("Tolvi 1.0.0"),
        QDateTime(QDate(2026, 12, 11), QTime(8, 0)));
}

QString Write(const TempFolder& folder, const Made& made)
{
    const QString path = folder.file(QStringLiteral("report.pdf"));
    EXPECT_TRUE(WriteReportPdf(path, made.report, made.chart.chart(), ReportPaper::A4));
    return path;
}

} // namespace

// What a reader of the PDF finds: the instrument, every figure the JSON
// gives (as text, not pictures), the counts, and numbered pages that render.
TEST(ReportPdf, TheJsonFiguresAreTextOnPagesThatRender)
{
    TempFolder folder;
    Made made;
    Make(made, Memory(600, 45, 250));
    const QString pdf = Write(folder, made);
    const QString text = pdftools::text(pdf);
    ASSERT_FALSE(text.isEmpty()) << "pdftotext read nothing";
    for (const QString& expected : {kSerial, QStringLiteral("V2.31"), QStringLiteral("2026-05-14"),
             QStringLiteral("Measurement report: instrument 77A"), QStringLiteral("Tolvi 1.0.0"),
             QStringLiteral("Data Downloaded from 77A."), QStringLiteral("Alarm over 1.00 ppm")})
        EXPECT_TRUE(text.contains(expected)) << expected.toStdString();
    const QStringList figures = ReportFigures(made.json);
    EXPECT_GT(figures.size(), 20);
    for (const QString& figure : figures)
        EXPECT_TRUE(text.contains(figure)) << figure.toStdString();
    const int episodes = made.json[QStringLiteral("episodes")][QStringLiteral("count")].toInt();
    EXPECT_EQ(episodes, 14);
    EXPECT_TRUE(text.contains(QStringLiteral("%1, of which %1 with a reading").arg(600)));
    EXPECT_EQ(made.json[QStringLiteral("gaps")].toArray().size(), 2);

    const int pages = pdftools::pageCount(pdf);
    ASSERT_GE(pages, 1);
    for (int page = 1; page <= pages; ++page)
        EXPECT_TRUE(pdftools::text(pdf, page).contains(QStringLiteral("Page %1 of %2").arg(page).arg(pages))) << page;
    const TempFolder images;
    EXPECT_EQ(pdftools::renderPages(pdf, images.path()), pages);
}

// A full memory gives tables over many pages: each row stays whole on one
// page and the headings come again on every page a table continues on.
TEST(ReportPdf, PageBreaksKeepRowsWholeForAFullMemory)
{
    TempFolder folder;
    Made made;
    Make(made, Memory(kFullMemory, 20, 500));
    ASSERT_GT(made.report.episodes.rows.size(), 800u);
    ASSERT_GT(made.report.gaps.rows.size(), 30u);
    const QString pdf = Write(folder, made);
    const int pages = pdftools::pageCount(pdf);
    ASSERT_GT(pages, 10);

    QString lines;
    for (int page = 1; page <= pages; ++page) {
        for (const QString& line : pdftools::text(pdf, page).split(QLatin1Char('\n')))
            lines += line.simplified() + QLatin1Char('\n');
    }
    for (const ReportTable* table : {&made.report.days, &made.report.episodes, &made.report.gaps}) {
        SCOPED_TRACE(table->title.toStdString());
        for (const QStringList& row : table->rows)
            ASSERT_TRUE(lines.contains(row.join(QLatin1Char(' ')) + QLatin1Char('\n'))) << row.join(QLatin1Char('|')).toStdString();
    }
    EXPECT_TRUE(lines.contains(QStringLiteral("Episodes above the limit (continued)\n")));
    const TempFolder images;
    EXPECT_EQ(pdftools::renderPages(pdf, images.path()), pages);
}

// "Report..." in the window: the questions it asks, the file it writes, and
// what it says when it writes none.
TEST(ReportSave, AsksWritesAndOffersToOpen)
{
    struct Case {
        const char* name;
        bool alarm;
        std::optional<QString> limitAnswer;     // asked only with the alarm off
        bool keepNothing;                       // a filter no reading passes
        bool missingFolder;
        bool written;
        QString said;                           // a message shown, if any
        QString onPage;
    };
    const QList<Case> cases{
        {"alarm on: its level, no question", true, std::nullopt, false, false, true, {},
            QStringLiteral("1.000 ppm (the instrument's alarm level)")},
        {"alarm off: the limit is asked", false, QStringLiteral("1.5"), false, false, true, {},
            QStringLiteral("1.500 ppm (given)")},
        {"alarm off, no limit given", false, QString(), false, false, true, {},
            QStringLiteral("No limit: the alarm is off and none was given.")},
        {"limit question cancelled", false, std::nullopt, false, false, false, {}, {}},
        {"not a concentration", false, QStringLiteral("high"), false, false, false,
            QStringLiteral("'high' is not a concentration in ppm."), {}},
        {"no reading passes the filter", true, std::nullopt, true, false, false, NoReadingsMessage(), {}},
        {"the file cannot be written", true, std::nullopt, false, true, false, QStringLiteral("could not be saved"), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ServicesRig rig;
        ReadingChartModel chart;
        chart.setSource(Memory(120, 45, 1000, c.alarm));
        DownloadFilter filter;
        if (c.keepNothing) {
            filter.formatIndex = static_cast<int>(DataFormat::ByConcentration);
            filter.boundA = 9000;
            filter.boundB = 10000;
        }
        chart.setFilter(filter);
        if (!c.alarm)
            rig.prompts.texts.push_back(c.limitAnswer);
        const QString path = c.missingFolder ? rig.data.file(QStringLiteral("gone/report.pdf"))
                                             : rig.data.file(QStringLiteral("report.pdf"));
        rig.prompts.files.push_back(Prompts::FileChosen{path, 0});
        rig.prompts.answers.push_back(Prompts::Answer::Yes);

        const auto written = SaveMeasurementReport(rig.services, chart, QStringLiteral("Tolvi 1.0.0"),
            QDateTime(QDate(2026, 12, 11), QTime(8, 30, 5)), QLocale(QLocale::English, QLocale::UnitedKingdom));
        EXPECT_EQ(written.has_value(), c.written);
        EXPECT_EQ(QFile::exists(path), c.written);
        const QStringList messages = rig.prompts.texts_of(QStringLiteral("message"));
        if (c.said.isEmpty())
            EXPECT_TRUE(messages.isEmpty()) << messages.join(QLatin1Char('|')).toStdString();
        else
            EXPECT_TRUE(messages.size() == 1 && messages[0].contains(c.said)) << messages.join(QLatin1Char('|')).toStdString();
        if (!c.written)
            continue;
        ASSERT_EQ(rig.prompts.fileChoices.size(), 1);
        EXPECT_EQ(rig.prompts.fileChoices[0].proposedName, QStringLiteral("Report_77A_261211083005"));
        EXPECT_EQ(rig.prompts.openedPaths, QStringList{path});
        EXPECT_EQ(SaveDialogChoice::lastFolder(rig.perUser), rig.data.path());
        EXPECT_TRUE(pdftools::text(path).contains(c.onPage)) << c.onPage.toStdString();
    }
}
