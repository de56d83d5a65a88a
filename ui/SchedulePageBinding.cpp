#include "SchedulePageBinding.h"

#include "MainWindow.h"

namespace {
void Paint(QCheckBox* box, bool ticked)
{
    const WeekdayColour c = SchedulePageModel::weekdayColour(ticked);
    box->setStyleSheet(
        QStringLiteral("QCheckBox { background-color: rgb(%1, %2, %3); }").arg(c.red).arg(c.green).arg(c.blue));
}
}

SchedulePageBinding::SchedulePageBinding(MainWindow& window, SchedulePageModel& model, QObject* parent)
    : QObject(parent), window_(window), page_(*window.schedulePage()), model_(model)
{
    SchedulePage* p = &page_;
    connect(p->udnSchedFreq, &QSpinBox::valueChanged, this, [this](int v) { gesture([&] { model_.setFrequency(v); }); });
    connect(p->dtpSchedStart, &QTimeEdit::timeChanged, this,
        [this](const QTime& t) { gesture([&] { model_.setStart(t); }); });
    connect(p->dtpSchedLength, &QTimeEdit::timeChanged, this,
        [this](const QTime& t) { gesture([&] { model_.setLength(t); }); });
    for (int bit = 0; bit < WeekMasks::Days; ++bit)
        connect(p->chkSchedWeekdays[size_t(bit)], &QCheckBox::toggled, this,
            [this, bit](bool on) { gesture([&] { model_.setWeekday(bit, on); }); });
    const std::pair<QPushButton*, uint8_t> presets[] = {{p->btnSchedWeekday_All, WeekMasks::AllWeek},
        {p->btnSchedWeekday_MtoF, WeekMasks::WeekdaysOnly}, {p->btnSchedWeekday_SnS, WeekMasks::WeekendOnly}};
    for (const auto& [button, mask] : presets)
        connect(button, &QPushButton::clicked, this, [this, mask = mask] { gesture([&] { model_.applyPreset(mask); }); });
    const auto options = p->memoryFullOptions();
    for (size_t i = 0; i < options.size(); ++i)
        connect(options[i], &QRadioButton::clicked, this,
            [this, i] { gesture([&] { model_.chooseMemoryFull(MemoryFullOption(i)); }); });
    connect(p->chkSchedCounter, &QCheckBox::clicked, this, [this] { gesture([&] { model_.clickCounter(); }); });
    connect(p->udnSchedCounter, &QSpinBox::valueChanged, this, [this](int v) { gesture([&] { model_.setCounter(v); }); });
    connect(p->chkShortBetweenSamples, &QCheckBox::clicked, this,
        [this](bool on) { gesture([&] { model_.setParkSensor(on); }); });
    connect(p->btnSchedSimpleOrAdvnaced, &QPushButton::clicked, this, [this] { gesture([&] { model_.toggleView(); }); });
    connect(p->txtSchedComment, &QLineEdit::textEdited, this,
        [this](const QString& text) { gesture([&] { model_.setComment(text); }); });
    p->picSchedPreview->setSource([this](double left, double right) { return model_.preview(left, right); });
    refresh();
}

template <typename Handler>
void SchedulePageBinding::gesture(Handler handler)
{
    if (refreshing_)
        return;
    handler();
    refresh();
}

void SchedulePageBinding::refresh()
{
    refreshing_ = true;
    SchedulePage& p = page_;
    const SchedulePageModel& m = model_;
    p.btnSchedSimpleOrAdvnaced->setText(m.viewToggleText());
    p.btnSchedToggleEnable->setText(m.switchCaption());
    p.fraSchedAdvanced->setVisible(m.setupExpanded());
    p.udnSchedFreq->setValue(m.frequency());
    p.lblSchedFreq->setText(m.frequencyLabel());
    p.dtpSchedStart->setTime(m.start());
    p.dtpSchedLength->setTime(m.length());
    for (int bit = 0; bit < WeekMasks::Days; ++bit) {
        QCheckBox* box = p.chkSchedWeekdays[size_t(bit)];
        box->setChecked(m.weekday(bit));
        Paint(box, m.weekday(bit));
    }
    p.memoryFullOptions()[size_t(m.memoryFullOption())]->setChecked(true);
    p.chkSchedCounter->setChecked(m.counterChecked());
    p.udnSchedCounter->setValue(m.counterValue());
    p.udnSchedCounter->setEnabled(m.counterEnabled());
    p.lblSchedCounter->setEnabled(m.counterEnabled());
    p.lblSchedCounter->setText(m.counterLabel());
    p.chkShortBetweenSamples->setChecked(m.parkSensorChecked());
    p.chkShortBetweenSamples->setEnabled(m.parkSensorAvailable());
    if (p.txtSchedComment->text() != m.comment())
        p.txtSchedComment->setText(m.comment());
    p.picSchedPreview->update();
    p.lblSchedUnsent->setVisible(m.unsent());
    refreshing_ = false;
}

void SchedulePageBinding::showSchedulePanel()
{
    window_.statusPanels()->setPanelText(3, model_.schedulePanel());
}
