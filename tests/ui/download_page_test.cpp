#include "AppFixture.h"
#include "ModalScript.h"
#include "QtPrinters.h"
#include "Snapshot.h"

#include <QDateTimeAxis>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QTest>
#include <QToolTip>
#include <gtest/gtest.h>

namespace {
// Ten slots an hour apart from 1 March 2026 10:00; slots 2, 4, 6 and 8 were
// scheduled; slot i read 0.1 ppm * i.
void FillTable(DownloadTable& table)
{
    table.resize(10);
    const QDateTime first(QDate(2026, 3, 1), QTime(10, 0));
    for (int i = 1; i <= 10; ++i) {
        SlotRecord& slot = table[i];
        slot.SampleTime = first.addSecs(3600 * (i - 1));
        slot.TimeStamp = static_cast<int32_t>(slot.SampleTime.toSecsSinceEpoch());
        slot.Reading = 0.1f * i;
        slot.ReadingMGM = slot.Reading;
        slot.Temperature = 21.5f;
        slot.Humidity = 40;
        slot.Scheduled = i % 2 == 0 && i <= 8;
    }
}

struct PageFixture : AppFixture {
    std::unique_ptr<TolviApplication> app;
    DownloadPage* page = nullptr;
    bool connected = false;

    PageFixture()
    {
        withoutPassword();
        app = std::make_unique<TolviApplication>(options({}, true));
        app->start();
        connected = ConnectToDemo(*app);
        page = app->window().downloadPage();
        app->window().showPage(page);
    }
    // As a completed download leaves the page.
    void downloaded()
    {
        FillTable(app->downloads());
        app->downloadPage().updateDownloadPage(10, 1000);
        app->downloadPage().downloadCompleted(app->downloads(), QDateTime::currentDateTime());
        app->refreshDownloadPage();
    }
};

QPoint HandleCentre(QSlider* slider)
{
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->sliderPosition();
    option.sliderValue = slider->value();
    return slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider).center();
}
// The chart of the page, drawn from a download of the built-in simulated
// instrument.
bool DownloadFromTheInstrument(PageFixture& f)
{
    f.page->btnDownload->click();
    return f.app->instrumentThread().waitUntilIdle(120000) && f.app->downloads().count() > 0;
}

// The downloaded slots a filter keeps that have a time and a reading: what
// the chart draws.
int ReadingsKept(const DownloadTable& table, const std::function<bool(const SlotRecord&)>& keeps)
{
    int n = 0;
    for (int i = 1; i <= table.count(); ++i)
        n += table[i].SampleTime.isValid() && table[i].Reading >= 0 && keeps(table[i]);
    return n;
}

void PressTestFilter(DownloadPage* page)
{
    ModalScript script;
    script.thenPress(QMessageBox::Ok);
    page->btnFilterDownload->click();
    QTRY_VERIFY_WITH_TIMEOUT(script.done(), 5000);
}

QDateTime TimeAxisMin(ReadingChartPanel* chart)
{
    const auto axes = chart->view->chart()->axes(Qt::Horizontal);
    return axes.isEmpty() ? QDateTime() : static_cast<QDateTimeAxis*>(axes.front())->min();
}
} // namespace

TEST(DownloadPage, MemoryGaugeRunsFromGreenToRed)
{
    struct Case {
        int used, total;
        QColor colour;
        const char* panel;
        bool slider;
    };
    const Case cases[] = {
        {0, 1000, QColor(0, 255, 0), "Memory Used:0%", false},
        {1000, 1000, QColor(255, 0, 0), "Memory Used:100%", true},
    };
    PageFixture f;
    ASSERT_TRUE(f.connected);
    for (const Case& c : cases) {
        f.app->downloadPage().updateDownloadPage(c.used, c.total);
        f.app->refreshDownloadPage();
        EXPECT_EQ(f.page->shpMemory_bar->fillColour(), c.colour) << c.used;
        EXPECT_EQ(f.page->lblMemory_used->text(), QString("Used : %1").arg(c.used));
        EXPECT_EQ(f.app->window().statusPanels()->panelText(4), c.panel);
        EXPECT_EQ(f.page->sldMemoryRange->isVisibleTo(f.page), c.slider);
    }
}

TEST(DownloadPage, ShiftDragSelectsAPortion)
{
    PageFixture f;
    ASSERT_TRUE(f.connected);
    f.app->window().show();
    f.app->downloadPage().updateDownloadPage(300, 1000);
    f.app->refreshDownloadPage();
    SelectionSlider* slider = f.page->sldMemoryRange;
    ASSERT_TRUE(slider->isVisible());
    ASSERT_EQ(slider->maximum(), 300);
    EXPECT_FALSE(f.page->btnDownloadSection->isEnabled());

    QTest::mousePress(slider, Qt::LeftButton, Qt::ShiftModifier, HandleCentre(slider));
    slider->setValue(51); // the drag
    // The slots of the selection being made show beside the thumb.
    EXPECT_EQ(QToolTip::text(), "Slots 1 to 51 (51 slots)");
    QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, HandleCentre(slider));

    EXPECT_EQ(f.page->btnDownloadSection->text(), "Download from 1 to 51");
    EXPECT_TRUE(f.page->btnDownloadSection->isEnabled());
    EXPECT_EQ(f.page->btnEraseSection->text(), "Erase from 1 to 51");
    EXPECT_TRUE(f.page->btnEraseSection->isEnabled());
    EXPECT_TRUE(slider->hasSelection());
    EXPECT_EQ(slider->selStart(), 1);
    EXPECT_EQ(slider->selLength(), 50);

    // A press without SHIFT clears the selection.
    QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, HandleCentre(slider));
    QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, HandleCentre(slider));
    EXPECT_FALSE(slider->hasSelection());
    EXPECT_EQ(f.page->btnDownloadSection->text(), "Download Memory Portion");
    EXPECT_FALSE(f.page->btnDownloadSection->isEnabled());
}

TEST(DownloadPage, TestFilterCountsWhatASaveWouldWrite)
{
    PageFixture f;
    ASSERT_TRUE(f.connected);
    {
        ModalScript script;
        script.thenPress(QMessageBox::Ok);
        f.page->btnFilterDownload->click();
        EXPECT_EQ(script.messages,
            QStringList{"You need to download some data before you can apply any filters to it!"});
    }
    f.downloaded();
    ASSERT_TRUE(f.page->fraDownloadFilters->isVisibleTo(f.page));
    struct Case {
        int entry;
        std::function<void(DownloadPage*)> set;
        int count;
    };
    const Case cases[] = {
        {0, [](DownloadPage*) {}, 10},
        {4, [](DownloadPage* p) { p->chkFilterSchedules->setChecked(true); }, 4},
        {4, [](DownloadPage* p) { p->chkFilterSchedules->setChecked(false); }, 6},
        {5, [](DownloadPage* p) {
             p->dtpFromDate->setDate(QDate(2026, 3, 1));
             p->dtpFromTime->setTime(QTime(12, 0));
             p->dtpToDate->setDate(QDate(2026, 3, 1));
             p->dtpToTime->setTime(QTime(14, 0));
         }, 3},
        // Bars left at 1000 and 500 are put in order: 0.5 to 1.0 ppm.
        {6, [](DownloadPage*) {}, 6},
        {6, [](DownloadPage* p) { p->optFilterConcB->setChecked(true); }, 4},
    };
    for (const Case& c : cases) {
        f.page->lstDataFormat->setCurrentIndex(c.entry);
        c.set(f.page);
        ModalScript script;
        script.thenPress(QMessageBox::Ok);
        f.page->btnFilterDownload->click();
        EXPECT_EQ(script.messages, QStringList{QString("Using this filter will return %1 samples.").arg(c.count)})
            << "entry " << c.entry;
    }
    EXPECT_EQ(f.page->scrFilterConcMin->value(), 500);
    EXPECT_DOUBLE_EQ(f.page->spnFilterConcMin->value(), 0.5);
    EXPECT_EQ(f.page->spnFilterConcMin->text(), "0.500 ppm");
    // A typed bound moves its bar and counts at once.
    f.page->spnFilterConcMax->setValue(0.8);
    EXPECT_EQ(f.page->scrFilterConcMax->value(), 800);
}

TEST(DownloadPage, ChartDrawsTheFilteredDownloadAndSavesAPng)
{
    PageFixture f;
    ASSERT_TRUE(f.connected);
    EXPECT_FALSE(f.page->fraChart->isVisibleTo(f.page)) << "nothing to draw before a download";
    f.app->window().show();
    ASSERT_TRUE(DownloadFromTheInstrument(f));
    ReadingChartPanel* chart = f.page->fraChart;
    ASSERT_TRUE(chart->isVisibleTo(f.page));

    f.page->lstDataFormat->setCurrentIndex(0);
    PressTestFilter(f.page);
    const int all = ReadingsKept(f.app->downloads(), [](const SlotRecord&) { return true; });
    ASSERT_GT(all, 0);
    EXPECT_EQ(chart->concentrationLine().pointCount(), all);

    // The chart follows the format and the filter as they change, without Test Filter.
    f.page->lstDataFormat->setCurrentIndex(4);
    f.page->chkFilterSchedules->setChecked(true);
    const int scheduled = ReadingsKept(f.app->downloads(), [](const SlotRecord& s) { return s.Scheduled; });
    EXPECT_EQ(chart->concentrationLine().pointCount(), scheduled) << "format chosen, box ticked";
    f.page->chkFilterSchedules->setChecked(false);
    const int manual = ReadingsKept(f.app->downloads(), [](const SlotRecord& s) { return !s.Scheduled; });
    EXPECT_EQ(chart->concentrationLine().pointCount(), manual) << "box cleared";
    f.page->lstDataFormat->setCurrentIndex(0);
    EXPECT_EQ(chart->concentrationLine().pointCount(), all) << "back to all data";
    f.page->lstDataFormat->setCurrentIndex(4);

    // The second axis: a temperature and a humidity for every kept slot.
    chart->chkChartClimate->setChecked(true);
    EXPECT_TRUE(chart->temperatureLine().isShown());
    EXPECT_GE(chart->temperatureLine().pointCount(), manual);
    EXPECT_EQ(chart->humidityLine().pointCount(), chart->temperatureLine().pointCount());

    // Zoom in from the keyboard, then Reset shows the whole again.
    const QDateTime whole = TimeAxisMin(chart);
    chart->view->setFocus();
    QTest::keyClick(chart->view, Qt::Key_Plus);
    EXPECT_GT(TimeAxisMin(chart), whole);
    chart->btnChartReset->click();
    EXPECT_EQ(TimeAxisMin(chart), whole);

    const QString target = f.root.file("chart.png");
    ModalScript script;
    QStringList types;
    script.then([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        types = dialog->nameFilters();
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(name, nullptr);
        name->setText(target);
        static_cast<QDialog*>(dialog)->accept();
    });
    chart->btnChartSave->click();
    EXPECT_TRUE(script.done());
    EXPECT_EQ(types, QStringList{"PNG image (*.png)"});
    QImage image;
    ASSERT_TRUE(image.load(target, "PNG"));
    EXPECT_GT(image.width(), 0);
    EXPECT_GT(image.height(), 0);
    EXPECT_EQ(f.app->window().statusPanels()->panelText(1), "Chart saved to '" + QDir::toNativeSeparators(target) + "'.");
}

// At the window's first size the chart has the room: the page shows the
// memory boxes, the chart and one compact column of filter controls.
TEST(DownloadPage, ChartHasTheRoomAtTheDefaultSize)
{
    PageFixture f;
    ASSERT_TRUE(f.connected);
    MainWindow& window = f.app->window();
    window.resize(900, 600);   // the first size, which a small test screen may have bounded
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_TRUE(DownloadFromTheInstrument(f));
    f.page->lstDataFormat->setCurrentIndex(0);
    QCoreApplication::processEvents();
    QChart* chart = f.page->fraChart->view->chart();
    EXPECT_GE(chart->plotArea().height(), 250) << "plot area " << chart->plotArea().height() << " px tall";
    EXPECT_GE(chart->plotArea().width(), 350);
    // The page fits: nothing to scroll at this size.
    auto* scroller = qobject_cast<QScrollArea*>(window.tabs()->currentWidget());
    ASSERT_NE(scroller, nullptr);
    EXPECT_EQ(scroller->verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(scroller->horizontalScrollBar()->maximum(), 0);
    // "All Data" has no options: no empty frame for them.
    EXPECT_FALSE(f.page->frmDownloadOptions->isVisible());
    f.page->lstDataFormat->setCurrentIndex(6);
    EXPECT_TRUE(f.page->frmDownloadOptions->isVisible()) << "the concentration options";
    f.page->lstDataFormat->setCurrentIndex(0);
    EXPECT_TRUE(Snapshot(&window, "frmMain-Download"));
}

TEST(DownloadPage, FormatEntriesSwitchOptionFramesAndGreyTheSingleColumnBox)
{
    PageFixture f;
    ASSERT_TRUE(f.connected);
    f.downloaded();
    struct Case {
        int entry;
        DownloadPage::OptionFrame frame;
        Qt::CheckState box;
        bool enabled;
    };
    const Case cases[] = {
        {0, DownloadPage::AllData, Qt::Checked, true},
        {3, DownloadPage::AllData, Qt::PartiallyChecked, false},
        {4, DownloadPage::Schedules, Qt::Checked, true},
        {5, DownloadPage::Dates, Qt::Checked, true},
        {6, DownloadPage::Concentrations, Qt::Checked, true},
        {7, DownloadPage::AllData, Qt::PartiallyChecked, false},
    };
    for (const Case& c : cases) {
        f.page->lstDataFormat->setCurrentIndex(c.entry);
        EXPECT_EQ(f.page->frmDownloadOptions->currentIndex(), c.frame) << c.entry;
        EXPECT_EQ(f.page->chkSplitTimeAndDate->checkState(), c.box) << c.entry;
        EXPECT_EQ(f.page->chkSplitTimeAndDate->isEnabled(), c.enabled) << c.entry;
    }
}

TEST(DownloadPage, SaveThroughTheDialog)
{
    PageFixture f;
    ASSERT_TRUE(f.connected);
    f.downloaded();
    f.page->lstDataFormat->setCurrentIndex(4);
    f.page->chkFilterSchedules->setChecked(true);
    const QString target = f.root.file("run1.csv");

    ModalScript script;
    QString proposed, preselected;
    QStringList types;
    script.then([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        types = dialog->nameFilters();
        preselected = dialog->selectedNameFilter();
        proposed = dialog->selectedFiles().value(0);
        dialog->selectNameFilter("CSV (semi-colon) (*.csv)");
        // Typed into the name box, as a user would.
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(name, nullptr);
        name->setText(target);
        static_cast<QDialog*>(dialog)->accept();
    });
    f.page->btnSaveData->click();
    ASSERT_TRUE(f.app->instrumentThread().waitUntilIdle(20000));

    EXPECT_EQ(types, (QStringList{"CSV (comma) (*.csv)", "CSV (semi-colon) (*.csv)", "Text (tab) (*.txt)",
                         "Text (space) (*.txt)"}));
    EXPECT_EQ(preselected, "CSV (comma) (*.csv)");
    EXPECT_TRUE(QFileInfo(proposed).fileName().startsWith("Karvex_")) << proposed.toStdString();
    EXPECT_TRUE(script.done());
    const QStringList lines = f.read(target).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5) << "header and the four scheduled slots";
    EXPECT_TRUE(lines[0].startsWith("Date & Time;Reading/ppm;")) << lines[0].toStdString();
    EXPECT_TRUE(f.read(f.dataFile("user.txt")).contains("Delimiter=2"));
    QTRY_COMPARE_WITH_TIMEOUT(f.app->window().statusPanels()->panelText(1).startsWith("4 samples saved to '"), true,
        5000);
    // The status bar offers the folder; the next dialog opens there.
    StatusPanels* status = f.app->window().statusPanels();
    EXPECT_TRUE(status->folderLink()->isVisible());
    EXPECT_EQ(status->offeredFolder(), QFileInfo(target).absolutePath());
    QString opensIn;
    script.then([&](QWidget* w) {
        opensIn = qobject_cast<QFileDialog*>(w)->directory().absolutePath();
        static_cast<QDialog*>(w)->reject();
    });
    f.page->btnSaveData->click();
    ASSERT_TRUE(f.app->instrumentThread().waitUntilIdle(20000));
    EXPECT_EQ(opensIn, QFileInfo(target).absolutePath());
}

// "Download New Data" from the window: the first archives the whole memory,
// the second reads nothing new and still leaves the whole memory to save.
TEST(DownloadPage, DownloadNewDataArchivesAndFillsTheTable)
{
    PageFixture f;
    ASSERT_TRUE(f.connected);
    const QString archive = f.dataFile("10234F/archive.sqlite");
    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE(run);
        f.app->downloads().clear();
        f.page->btnDownloadNew->click();
        ASSERT_TRUE(f.app->instrumentThread().waitUntilIdle(60000));
        QTRY_COMPARE_WITH_TIMEOUT(f.page->fraDownloadFilters->isVisibleTo(f.page), true, 5000);
        EXPECT_EQ(f.app->downloads().count(), f.app->instrument().SlotsUsed);
        EXPECT_TRUE(QFileInfo::exists(archive));
        if (run == 2)
            QTRY_COMPARE_WITH_TIMEOUT(f.app->window().statusPanels()->panelText(1),
                QString("No new data since the last download: the whole memory is ready to filter and save."), 5000);
    }
}
