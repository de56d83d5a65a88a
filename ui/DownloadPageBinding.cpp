#include "DownloadPageBinding.h"

#include "MainWindow.h"
#include "data/DataFormat.h"

#include <QSignalBlocker>
#include <QStyle>
#include <QToolTip>

namespace {
DownloadPage::OptionFrame FrameOf(FilterOptionFrame frame)
{
    switch (frame) {
    case FilterOptionFrame::AllData: return DownloadPage::AllData;
    case FilterOptionFrame::Schedules: return DownloadPage::Schedules;
    case FilterOptionFrame::Dates: return DownloadPage::Dates;
    case FilterOptionFrame::Concentrations: return DownloadPage::Concentrations;
    }
    return DownloadPage::AllData;
}

void ShowBound(QDoubleSpinBox* box, int barValue)
{
    const QSignalBlocker quiet(box);
    box->setValue(BoundPpm(barValue));
}
}

DownloadPageBinding::DownloadPageBinding(MainWindow& window, DownloadPageModel& model, Prompts& prompts,
    SessionLog& log, QObject* parent)
    : QObject(parent), window_(window), page_(*window.downloadPage()), model_(model),
      chart_(*page_.fraChart, model.chart, prompts, log, window.statusPanels())
{
    QStringList captions;
    for (int i = 0; i < DataFormats::Count; ++i)
        captions << DataFormats::caption(DataFormats::fromIndex(i));
    page_.setFormatEntries(captions);

    connect(page_.lstDataFormat, &QComboBox::currentIndexChanged, this, [this](int row) {
        if (refreshing_)
            return;
        model_.selectFormat(row);
        refreshFilterFrame();
        followFilter();
    });
    connect(page_.chkSplitTimeAndDate, &QCheckBox::clicked, this, [this] {
        if (refreshing_)
            return;
        // A user click only ever ticks or clears; greyed is the model's own state.
        model_.setSingleColumn(model_.singleColumnBox.value != SingleColumnBox::Ticked);
        refreshFilterFrame();
    });
    connect(page_.scrFilterConcMin, &QScrollBar::valueChanged, this, [this](int value) {
        model_.filter.boundA = value;
        ShowBound(page_.spnFilterConcMin, value);
        followFilter();
    });
    connect(page_.scrFilterConcMax, &QScrollBar::valueChanged, this, [this](int value) {
        model_.filter.boundB = value;
        ShowBound(page_.spnFilterConcMax, value);
        followFilter();
    });
    // A typed bound moves its bar, which does the rest.
    connect(page_.spnFilterConcMin, &QDoubleSpinBox::valueChanged, this,
        [this](double ppm) { page_.scrFilterConcMin->setValue(BoundBarValue(ppm)); });
    connect(page_.spnFilterConcMax, &QDoubleSpinBox::valueChanged, this,
        [this](double ppm) { page_.scrFilterConcMax->setValue(BoundBarValue(ppm)); });
    // The chart follows every filter control as it changes, not only Test Filter.
    connect(page_.chkFilterSchedules, &QCheckBox::toggled, this, &DownloadPageBinding::followFilter);
    for (QDateTimeEdit* edit : std::initializer_list<QDateTimeEdit*>{page_.dtpFromDate, page_.dtpFromTime,
             page_.dtpToDate, page_.dtpToTime})
        connect(edit, &QDateTimeEdit::dateTimeChanged, this, &DownloadPageBinding::followFilter);
    for (QRadioButton* option : {page_.optFilterConcA, page_.optFilterConcB, page_.optFilterConcC})
        connect(option, &QRadioButton::toggled, this, &DownloadPageBinding::followFilter);
    connect(page_.sldMemoryRange, &SelectionSlider::pressed, this, &DownloadPageBinding::onSliderPressed);
    connect(page_.sldMemoryRange, &SelectionSlider::released, this,
        [this](Qt::MouseButton button, Qt::KeyboardModifiers) { onSliderReleased(button); });
    connect(page_.sldMemoryRange, &QSlider::valueChanged, this, [this](int value) {
        if (refreshing_)
            return;
        model_.slider.setValue(value);
        if (page_.sldMemoryRange->isSliderDown())
            showSliderPosition();
    });
    connect(page_.sldMemoryRange, &SelectionSlider::keyMoved, this, &DownloadPageBinding::onSliderKey);
    refresh();
}

void DownloadPageBinding::refresh()
{
    const MemoryGauge& gauge = model_.gauge;
    page_.lblMemory_used->setText(gauge.usedLabel);
    page_.lblMemory_free->setText(gauge.freeLabel);
    page_.lblMemory_max->setText(gauge.maxLabel);
    const QString max = gauge.maxLabel.section(QLatin1Char(':'), 1).trimmed();
    const QString used = gauge.usedLabel.section(QLatin1Char(':'), 1).trimmed();
    const double fraction = max.toDouble() > 0 ? used.toDouble() / max.toDouble() : 0.0;
    page_.shpMemory_bar->setFill(fraction, QColor(gauge.colour.red, gauge.colour.green, gauge.colour.blue));
    if (!gauge.memoryPanel.isEmpty())
        window_.statusPanels()->setPanelText(StatusPanel::Memory, gauge.memoryPanel);
    for (QPushButton* button : {page_.btnDownload, page_.btnDownloadNew, page_.btnDeleteAllMemory})
        window_.setControlEnabled(button, model_.memoryButtonsEnabled);
    refreshSlider();
    refreshFilterFrame();
    chart_.refresh();
}

void DownloadPageBinding::refreshSlider()
{
    const MemoryRangeSlider& s = model_.slider;
    SelectionSlider* slider = page_.sldMemoryRange;
    refreshing_ = true;
    slider->setRange(1, qMax(1, s.max));
    slider->setTickInterval(s.tickFrequency);
    slider->setValue(s.value);
    slider->setVisible(s.visible);
    if (s.hasSelection() || s.pointer == MemoryRangeSlider::Pointer::Selecting)
        slider->setSelection(s.selStart, s.selLength);
    else
        slider->clearSelection();
    slider->setCursor(s.pointer == MemoryRangeSlider::Pointer::Selecting ? Qt::SizeHorCursor : Qt::CrossCursor);
    refreshing_ = false;
    page_.btnDownloadSection->setText(s.downloadCaption);
    page_.btnEraseSection->setText(s.eraseCaption);
    // Enable states go through the window: they also depend on a running procedure.
    window_.setControlEnabled(page_.btnDownloadSection, s.downloadEnabled);
    window_.setControlEnabled(page_.btnEraseSection, s.eraseEnabled);
}

void DownloadPageBinding::refreshFilterFrame()
{
    refreshing_ = true;
    page_.fraDownloadFilters->setVisible(model_.filterFrameVisible);
    const int row = model_.filter.formatIndex;
    if (row >= 0 && row < page_.lstDataFormat->count())
        page_.lstDataFormat->setCurrentIndex(row);
    page_.showOptionFrame(FrameOf(model_.optionFrame()));
    const SingleColumnBox& box = model_.singleColumnBox;
    page_.chkSplitTimeAndDate->setCheckState(box.value == SingleColumnBox::Ticked ? Qt::Checked
            : box.value == SingleColumnBox::Greyed                               ? Qt::PartiallyChecked
                                                                                 : Qt::Unchecked);
    page_.chkSplitTimeAndDate->setEnabled(box.enabled);
    const DownloadFilter& f = model_.filter;
    page_.chkFilterSchedules->setChecked(f.onlyScheduled);
    if (f.from.isValid()) {
        page_.dtpFromDate->setDate(f.from.date());
        page_.dtpFromTime->setTime(f.from.time());
    }
    if (f.to.isValid()) {
        page_.dtpToDate->setDate(f.to.date());
        page_.dtpToTime->setTime(f.to.time());
    }
    page_.scrFilterConcMin->setValue(f.boundA);
    page_.scrFilterConcMax->setValue(f.boundB);
    ShowBound(page_.spnFilterConcMin, f.boundA);
    ShowBound(page_.spnFilterConcMax, f.boundB);
    using Rule = DownloadFilter::ConcentrationRule;
    page_.optFilterConcA->setChecked(f.rule == Rule::Between);
    page_.optFilterConcB->setChecked(f.rule == Rule::Outside);
    page_.optFilterConcC->setChecked(f.rule == Rule::EqualToA);
    refreshing_ = false;
}

void DownloadPageBinding::readFilterControls()
{
    DownloadFilter& f = model_.filter;
    f.formatIndex = page_.lstDataFormat->currentIndex();
    f.onlyScheduled = page_.chkFilterSchedules->isChecked();
    f.from = QDateTime(page_.dtpFromDate->date(), page_.dtpFromTime->time());
    f.to = QDateTime(page_.dtpToDate->date(), page_.dtpToTime->time());
    f.boundA = page_.scrFilterConcMin->value();
    f.boundB = page_.scrFilterConcMax->value();
    using Rule = DownloadFilter::ConcentrationRule;
    f.rule = page_.optFilterConcB->isChecked() ? Rule::Outside
        : page_.optFilterConcC->isChecked()    ? Rule::EqualToA
                                               : Rule::Between;
}

void DownloadPageBinding::followFilter()
{
    if (refreshing_)
        return;
    readFilterControls();
    model_.filterEdited();
    chart_.refresh();
}

int DownloadPageBinding::testFilter(const DownloadTable& table, Prompts& prompts, const QString& title)
{
    readFilterControls();
    const int count = model_.testFilter(table, prompts, title);
    refreshFilterFrame(); // the bounds may have been put in order
    chart_.refresh();     // and the chart follows the tested filter
    return count;
}

void DownloadPageBinding::onSliderPressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers)
{
    model_.slider.setValue(page_.sldMemoryRange->value());
    model_.slider.mouseDown(button == Qt::LeftButton, modifiers.testFlag(Qt::ShiftModifier));
    refreshSlider();
}

void DownloadPageBinding::onSliderReleased(Qt::MouseButton button)
{
    model_.slider.setValue(page_.sldMemoryRange->value());
    model_.slider.mouseUp(button == Qt::LeftButton);
    refreshSlider();
    showSliderPosition();
}

void DownloadPageBinding::onSliderKey(int from, int to, bool shift)
{
    // The thumb's move has reached the model already; a selection is
    // anchored where the thumb stood before the key.
    model_.slider.setValue(from);
    if (shift)
        model_.slider.extendTo(to);
    else
        model_.slider.moveTo(to);
    refreshSlider();
    showSliderPosition();
}

void DownloadPageBinding::showSliderPosition()
{
    SelectionSlider* slider = page_.sldMemoryRange;
    if (!slider->isVisible())
        return;
    // Above the thumb, as long as it moves; the slider's own hint stays for hovering.
    const int x = QStyle::sliderPositionFromValue(slider->minimum(), slider->maximum(), slider->value(), slider->width());
    QToolTip::showText(slider->mapToGlobal(QPoint(x, 0)), model_.slider.positionText(), slider);
}
