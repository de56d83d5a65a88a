#include "SchedulePage.h"

#include "config/SchedulePageModel.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QTimer>
#include <QVBoxLayout>

namespace {
template <typename W, typename... Args>
W* Named(const QString& name, Args&&... args)
{
    auto* widget = new W(std::forward<Args>(args)...);
    widget->setObjectName(name);
    return widget;
}

QTimeEdit* TimePicker(const QString& name, const QString& tip)
{
    auto* picker = Named<QTimeEdit>(name);
    picker->setDisplayFormat(QStringLiteral("HH:mm"));
    picker->setToolTip(tip);
    return picker;
}
}

SchedulePage::SchedulePage(QWidget* parent) : QWidget(parent)
{
    namespace T = ScheduleTexts;
    setObjectName(QStringLiteral("fraSchedule"));

    // Sampling frequency: all the simple view shows.
    udnSchedFreq = Named<QSpinBox>(QStringLiteral("udnSchedFreq"));
    udnSchedFreq->setRange(0, SchedulePageModel::FrequencyMax);
    udnSchedFreq->setToolTip(T::FrequencyTip);
    lblSchedFreq = Named<QLabel>(QStringLiteral("lblSchedFreq"), QStringLiteral("Continuous"));
    lblSchedFreq->setMinimumWidth(90);
    btnSchedSimpleOrAdvnaced = Named<QPushButton>(QStringLiteral("btnSchedSimpleOrAdvnaced"), T::ToAdvanced);
    auto* frequencyRow = new QHBoxLayout;
    frequencyRow->addWidget(new QLabel(T::FrequencyCaption));
    frequencyRow->addWidget(udnSchedFreq);
    frequencyRow->addWidget(lblSchedFreq);
    frequencyRow->addStretch(1);
    frequencyRow->addWidget(btnSchedSimpleOrAdvnaced);

    // The advanced part.
    dtpSchedStart = TimePicker(QStringLiteral("dtpSchedStart"), T::StartTip);
    dtpSchedLength = TimePicker(QStringLiteral("dtpSchedLength"), T::LengthTip);
    const QStringList startWords = T::StartCaption.split(QStringLiteral("  "), Qt::SkipEmptyParts);
    auto* timeRow = new QHBoxLayout;
    timeRow->addWidget(new QLabel(startWords.value(0).trimmed()));
    timeRow->addWidget(dtpSchedStart);
    timeRow->addWidget(new QLabel(startWords.value(1).trimmed()));
    timeRow->addWidget(dtpSchedLength);
    timeRow->addStretch(1);

    auto* days = new QGridLayout;
    for (int bit = 0; bit < WeekMasks::Days; ++bit) {
        chkSchedWeekdays[size_t(bit)] = Named<QCheckBox>(QStringLiteral("chkSchedWeekdays_%1").arg(bit),
            T::Weekdays[size_t(bit)]);
        chkSchedWeekdays[size_t(bit)]->setAutoFillBackground(true);
        // Monday first on the page.
        days->addWidget(chkSchedWeekdays[size_t(bit)], 0, WeekMasks::Days - 1 - bit);
    }
    btnSchedWeekday_All = Named<QPushButton>(QStringLiteral("btnSchedWeekday_All"), T::AllWeek);
    btnSchedWeekday_MtoF = Named<QPushButton>(QStringLiteral("btnSchedWeekday_MtoF"), T::WeekdaysOnly);
    btnSchedWeekday_SnS = Named<QPushButton>(QStringLiteral("btnSchedWeekday_SnS"), T::WeekendOnly);
    auto* presets = new QHBoxLayout;
    for (QPushButton* b : {btnSchedWeekday_All, btnSchedWeekday_MtoF, btnSchedWeekday_SnS})
        presets->addWidget(b);
    presets->addStretch(1);
    days->addLayout(presets, 1, 0, 1, WeekMasks::Days);

    // The three options share this frame's parent, which makes them exclusive.
    auto* onFull = new QHBoxLayout;
    onFull->addWidget(new QLabel(QStringLiteral("When the memory is full:")));
    const char* optionNames[] = {"optSchedOnce", "optSchedOverwrite", "optSchedStop"};
    QRadioButton** options[] = {&optSchedOnce, &optSchedOverwrite, &optSchedStop};
    for (size_t i = 0; i < 3; ++i) {
        *options[i] = Named<QRadioButton>(QString::fromLatin1(optionNames[i]), T::MemoryFull[i]);
        (*options[i])->setToolTip(T::MemoryFullTips[i]);
        onFull->addWidget(*options[i]);
    }
    onFull->addStretch(1);

    chkSchedCounter = Named<QCheckBox>(QStringLiteral("chkSchedCounter"), T::Counter);
    udnSchedCounter = Named<QSpinBox>(QStringLiteral("udnSchedCounter"));
    udnSchedCounter->setRange(0, SchedulePageModel::CounterMax);
    lblSchedCounter = Named<QLabel>(QStringLiteral("lblSchedCounter"), QStringLiteral("-"));
    chkShortBetweenSamples = Named<QCheckBox>(QStringLiteral("chkShortBetweenSamples"), T::ParkSensor);
    chkShortBetweenSamples->setToolTip(T::ParkSensorTip);
    auto* counterRow = new QHBoxLayout;
    counterRow->addWidget(chkSchedCounter);
    counterRow->addWidget(udnSchedCounter);
    counterRow->addWidget(lblSchedCounter);
    counterRow->addSpacing(24);
    counterRow->addWidget(chkShortBetweenSamples);
    counterRow->addStretch(1);

    fraSchedAdvanced = Named<QWidget>(QStringLiteral("fraSchedAdvanced"));
    auto* advanced = new QVBoxLayout(fraSchedAdvanced);
    advanced->setContentsMargins(0, 0, 0, 0);
    advanced->addLayout(timeRow);
    advanced->addLayout(days);
    advanced->addLayout(onFull);
    advanced->addLayout(counterRow);
    fraSchedAdvanced->setVisible(false);

    fraSchedSetup = Named<QGroupBox>(QStringLiteral("fraSchedSetup"), QStringLiteral("Schedule Set-up"));
    auto* setup = new QVBoxLayout(fraSchedSetup);
    setup->addLayout(frequencyRow);
    setup->addWidget(fraSchedAdvanced);

    // Preview.
    fraSchedPreview = Named<QGroupBox>(QStringLiteral("fraSchedPreview"), T::PreviewCaption);
    picSchedPreview = new SchedulePreviewBar;
    (new QVBoxLayout(fraSchedPreview))->addWidget(picSchedPreview);

    // Instrument and file.
    btnSchedSendNewSettings = Named<QPushButton>(QStringLiteral("btnSchedSendNewSettings"), T::Send);
    btnSchedReloadFromInst = Named<QPushButton>(QStringLiteral("btnSchedReloadFromInst"), T::Reload);
    btnSchedToggleEnable = Named<QPushButton>(QStringLiteral("btnSchedToggleEnable"), T::Start);
    btnSchedSaveToFile = Named<QPushButton>(QStringLiteral("btnSchedSaveToFile"), T::SaveFile);
    btnSchedLoadFromFile = Named<QPushButton>(QStringLiteral("btnSchedLoadFromFile"), T::LoadFile);
    txtSchedComment = Named<QLineEdit>(QStringLiteral("txtSchedComment"), T::InitialComment);
    txtSchedComment->setToolTip(T::CommentTip);
    txtSchedComment->installEventFilter(this);
    lblSchedUnsent = Named<QLabel>(QStringLiteral("lblSchedUnsent"), T::Unsent);
    lblSchedUnsent->setToolTip(T::UnsentTip);
    lblSchedUnsent->setStyleSheet(QStringLiteral("QLabel { color: rgb(200, 90, 0); font-weight: bold; }"));
    // Its place stays when hidden, so the buttons do not move as it comes and goes.
    QSizePolicy keepPlace = lblSchedUnsent->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    lblSchedUnsent->setSizePolicy(keepPlace);
    lblSchedUnsent->hide();
    auto* instrument = new QHBoxLayout;
    instrument->addWidget(lblSchedUnsent);
    for (QPushButton* b : {btnSchedSendNewSettings, btnSchedReloadFromInst, btnSchedToggleEnable})
        instrument->addWidget(b);
    auto* files = Named<QGroupBox>(QStringLiteral("fraSchedFile"), QStringLiteral("Set-up File"));
    auto* filesGrid = new QGridLayout(files);
    filesGrid->addWidget(txtSchedComment, 0, 0, 1, 2);
    filesGrid->addWidget(btnSchedSaveToFile, 1, 0);
    filesGrid->addWidget(btnSchedLoadFromFile, 1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fraSchedSetup);
    layout->addWidget(fraSchedPreview);
    layout->addLayout(instrument);
    layout->addWidget(files);
    layout->addStretch(1);
}

QList<QWidget*> SchedulePage::instrumentControls() const
{
    return {btnSchedSendNewSettings, btnSchedReloadFromInst, btnSchedToggleEnable, btnSchedLoadFromFile};
}

bool SchedulePage::eventFilter(QObject* watched, QEvent* event)
{
    // The comment's whole text is selected when the box gets the focus.
    if (watched == txtSchedComment && event->type() == QEvent::FocusIn)
        QTimer::singleShot(0, txtSchedComment, [box = txtSchedComment] { box->selectAll(); });
    return QWidget::eventFilter(watched, event);
}
