#include "DownloadPage.h"
#include "NamedWidget.h"
#include "PageFormats.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {
constexpr int kFormatEntries = 12;           // the whole format list drops down without scrolling
constexpr int kConcentrationBarWidth = 80;   // narrow enough for the filter column
constexpr int kBoundDecimals = 3;            // the bars move in steps of 0.001 ppm
constexpr double kBoundStep = 0.01;          // one arrow press in the boxes

QGroupBox* OptionBox(const char* name, const QString& caption)
{
    return Named<QGroupBox>(name, caption);
}
}

DownloadPage::DownloadPage(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("fraDownload"));

    // Memory usage
    lblMemory_used = Named<QLabel>("lblMemory_used", QStringLiteral("Used :"));
    lblMemory_free = Named<QLabel>("lblMemory_free", QStringLiteral("Free :"));
    lblMemory_max = Named<QLabel>("lblMemory_max", QStringLiteral("Max :"));
    shpMemory_bar = new MemoryBar;
    btnRefreshFRAMSize = Named<QPushButton>("btnRefreshFRAMSize", QStringLiteral("Refresh"));
    btnRefreshFRAMSize->setToolTip(QStringLiteral("Update the memory usage indicators"));
    auto* usage = Named<QGroupBox>("fraMemoryUsage", QStringLiteral("Memory Usage"));
    auto* usageGrid = new QGridLayout(usage);
    usageGrid->addWidget(shpMemory_bar, 0, 0, 1, 3);
    usageGrid->addWidget(lblMemory_used, 1, 0);
    usageGrid->addWidget(lblMemory_free, 1, 1);
    usageGrid->addWidget(lblMemory_max, 1, 2);
    usageGrid->addWidget(btnRefreshFRAMSize, 0, 3, 2, 1);

    // Download and erase
    sldMemoryRange = new SelectionSlider;
    sldMemoryRange->setObjectName(QStringLiteral("sldMemoryRange"));
    sldMemoryRange->setToolTip(
        QStringLiteral("Press the SHIFT button whilst dragging the slider to select a portion of memory.")
        + QStringLiteral("\nOr hold SHIFT and press the arrow keys."));
    sldMemoryRange->setRange(1, 1);
    sldMemoryRange->setVisible(false);
    btnDownload = Named<QPushButton>("btnDownload", QStringLiteral("Download All Memory"));
    btnDownload->setToolTip(QStringLiteral("All the data saved on the instrument will be downloaded into memory."));
    btnDownloadNew = Named<QPushButton>("btnDownloadNew", QStringLiteral("Download New Data"));
    btnDownloadNew->setToolTip(QStringLiteral(
        "Only the data the archive does not hold yet will be downloaded; the whole memory is then ready to save (F9)."));
    btnDownloadSection = Named<QPushButton>("btnDownloadSection", QStringLiteral("Download Memory Portion"));
    btnDownloadSection->setToolTip(
        QStringLiteral("The selected data saved on the instrument will be downloaded into memory."));
    btnDeleteAllMemory = Named<QPushButton>("btnDeleteAllMemory", QStringLiteral("Erase All Memory"));
    btnEraseSection = Named<QPushButton>("btnEraseSection", QStringLiteral("Erase Memory Portion"));
    btnEraseSection->setToolTip(QStringLiteral(
        "All the selected data saved on the instrument will be erased. You may only erase from the first entry."));
    btnDownloadSection->setEnabled(false);
    btnEraseSection->setEnabled(false);
    auto* memory = Named<QGroupBox>("fraMemory", QStringLiteral("Instrument Memory"));
    // Two rows of buttons keep the top of the page low: the chart below gets the height.
    auto* memoryGrid = new QGridLayout(memory);
    memoryGrid->addWidget(sldMemoryRange, 0, 0, 1, 3);
    memoryGrid->addWidget(btnDownload, 1, 0);
    memoryGrid->addWidget(btnDownloadNew, 1, 1);
    memoryGrid->addWidget(btnDownloadSection, 1, 2);
    memoryGrid->addWidget(btnDeleteAllMemory, 2, 0);
    memoryGrid->addWidget(btnEraseSection, 2, 2);

    // Filter frame
    lstDataFormat = Named<QComboBox>("lstDataFormat");
    lstDataFormat->setToolTip(QStringLiteral("The layout of the saved file and the filter it applies"));
    lstDataFormat->setMaxVisibleItems(kFormatEntries);
    chkSplitTimeAndDate = Named<QCheckBox>("chkSplitTimeAndDate", QStringLiteral("Date and Time in Single Column"));
    chkSplitTimeAndDate->setTristate(true); // greyed (2) for the layouts with their own time columns
    chkSplitTimeAndDate->setChecked(true);

    // "All Data" has no options: its page is empty and the option pane is hidden.
    auto* allData = new QWidget;
    allData->setObjectName(QStringLiteral("fraOptionsAllData"));

    auto* schedules = OptionBox("fraOptionsSchedules", QStringLiteral("Schedules"));
    chkFilterSchedules = Named<QCheckBox>("chkFilterSchedules", QStringLiteral("Only include Scheduled samples."));
    // Cleared, the box keeps the manual and remote samples only, not every sample: said beside it.
    auto* scheduleHint = Named<QLabel>("lblFilterSchedulesHint", QStringLiteral("unchecked: manual and remote samples only"));
    scheduleHint->setEnabled(false); // small print
    auto* schedulesLayout = new QVBoxLayout(schedules);
    schedulesLayout->addWidget(chkFilterSchedules);
    schedulesLayout->addWidget(scheduleHint);

    auto* dates = OptionBox("fraOptionsDates", QStringLiteral("Dates"));
    dtpFromDate = Named<QDateEdit>("dtpFromDate");
    dtpFromTime = Named<QTimeEdit>("dtpFromTime");
    dtpToDate = Named<QDateEdit>("dtpToDate");
    dtpToTime = Named<QTimeEdit>("dtpToTime");
    for (QDateEdit* d : {dtpFromDate, dtpToDate}) {
        d->setCalendarPopup(true);
        d->setDisplayFormat(PageFormats::Date);
        d->setMinimumDate(QDate(2008, 1, 1));
        d->setDate(QDate::currentDate());
    }
    for (QTimeEdit* t : {dtpFromTime, dtpToTime})
        t->setDisplayFormat(PageFormats::Time);
    dtpFromDate->setDate(QDate(2008, 1, 1));
    dtpToTime->setTime(QTime(23, 59, 59));
    auto* datesGrid = new QGridLayout(dates);
    datesGrid->addWidget(new QLabel(QStringLiteral("From")), 0, 0);
    datesGrid->addWidget(dtpFromDate, 0, 1);
    datesGrid->addWidget(dtpFromTime, 0, 2);
    datesGrid->addWidget(new QLabel(QStringLiteral("To")), 1, 0);
    datesGrid->addWidget(dtpToDate, 1, 1);
    datesGrid->addWidget(dtpToTime, 1, 2);

    auto* concentrations = OptionBox("fraOptionsConcentrations", QStringLiteral("Concentrations"));
    scrFilterConcMin = Named<QScrollBar>("scrFilterConcMin", Qt::Horizontal);
    scrFilterConcMax = Named<QScrollBar>("scrFilterConcMax", Qt::Horizontal);
    for (QScrollBar* bar : {scrFilterConcMin, scrFilterConcMax}) {
        bar->setRange(0, 10000);
        bar->setSingleStep(1);
        bar->setPageStep(100);
        bar->setMinimumWidth(kConcentrationBarWidth);
    }
    // A and B can be typed as well as slid.
    spnFilterConcMin = Named<QDoubleSpinBox>("spnFilterConcMin");
    spnFilterConcMax = Named<QDoubleSpinBox>("spnFilterConcMax");
    for (QDoubleSpinBox* box : {spnFilterConcMin, spnFilterConcMax}) {
        box->setDecimals(kBoundDecimals);
        box->setRange(0, 10);
        box->setSingleStep(kBoundStep);
        box->setSuffix(QStringLiteral(" ppm"));
        box->setKeyboardTracking(false); // a typed number applies when complete
    }
    optFilterConcA = Named<QRadioButton>("optFilterConcA", QStringLiteral("A <= C <= B"));
    optFilterConcB = Named<QRadioButton>("optFilterConcB", QStringLiteral("!(A <= C <= B)"));
    optFilterConcC = Named<QRadioButton>("optFilterConcC", QStringLiteral("C == A"));
    optFilterConcA->setChecked(true);
    auto* concGrid = new QGridLayout(concentrations);
    concGrid->addWidget(new QLabel(QStringLiteral("A")), 0, 0);
    concGrid->addWidget(scrFilterConcMin, 0, 1);
    concGrid->addWidget(spnFilterConcMin, 0, 2);
    concGrid->addWidget(new QLabel(QStringLiteral("B")), 1, 0);
    concGrid->addWidget(scrFilterConcMax, 1, 1);
    concGrid->addWidget(spnFilterConcMax, 1, 2);
    auto* options = new QVBoxLayout;
    for (QRadioButton* o : {optFilterConcA, optFilterConcB, optFilterConcC})
        options->addWidget(o);
    concGrid->addLayout(options, 2, 0, 1, 3);

    frmDownloadOptions = Named<QStackedWidget>("frmDownloadOptions");
    for (QWidget* frame : std::initializer_list<QWidget*>{allData, schedules, dates, concentrations})
        frmDownloadOptions->addWidget(frame);
    frmDownloadOptions->setVisible(false);

    btnFilterDownload = Named<QPushButton>("btnFilterDownload", QStringLiteral("Test Filter"));
    btnSaveData = Named<QPushButton>("btnSaveData", QStringLiteral("Save Data"));

    // The filter controls stand in one narrow column beside the chart.
    fraDownloadFilters = Named<QGroupBox>("fraDownloadFilters", QStringLiteral("Filter and Format Memory Data"));
    fraDownloadFilters->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    auto* filterColumn = new QVBoxLayout(fraDownloadFilters);
    filterColumn->addWidget(lstDataFormat);
    filterColumn->addWidget(frmDownloadOptions);
    filterColumn->addWidget(chkSplitTimeAndDate);
    filterColumn->addStretch(1);
    auto* filterButtons = new QHBoxLayout;
    filterButtons->addWidget(btnFilterDownload);
    filterButtons->addWidget(btnSaveData);
    filterColumn->addLayout(filterButtons);
    fraDownloadFilters->setVisible(false);

    auto* top = new QHBoxLayout;
    top->addWidget(usage, 1);
    top->addWidget(memory, 2);
    // The chart takes the height the page has left; it is what people look at.
    fraChart = new ReadingChartPanel;
    fraChart->setVisible(false);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(fraChart, 1);
    bottom->addWidget(fraDownloadFilters);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(bottom, 1);
    layout->addStretch(); // before a download, the page's empty room stays below the buttons
}

void DownloadPage::setFormatEntries(const QStringList& captions)
{
    lstDataFormat->clear();
    lstDataFormat->addItems(captions);
}

void DownloadPage::showOptionFrame(OptionFrame frame)
{
    frmDownloadOptions->setCurrentIndex(frame);
    frmDownloadOptions->setVisible(frame != AllData);
}

QList<QWidget*> DownloadPage::instrumentControls() const
{
    return {btnRefreshFRAMSize, btnDownload, btnDownloadNew, btnDownloadSection, btnDeleteAllMemory, btnEraseSection};
}
