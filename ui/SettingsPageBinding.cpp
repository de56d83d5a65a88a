#include "SettingsPageBinding.h"

#include "config/SettingsRefresh.h"

#include <cmath>

namespace {
using Unit = SettingsPageModel::Unit;

// The options' order on the page: "Never", "Always", "Timed".
constexpr RunMode OptionModes[] = {RunMode::Never, RunMode::Always, RunMode::Timed};

int OptionOf(RunMode mode)
{
    for (int i = 0; i < 3; ++i)
        if (OptionModes[i] == mode)
            return i;
    return 0;
}
}

SettingsPageBinding::SettingsPageBinding(SettingsPage& page, SettingsPageModel& model, Prompts& prompts,
    QString title, QObject* parent)
    : QObject(parent), page_(page), model_(model), prompts_(prompts), title_(std::move(title))
{
    struct Row {
        Unit unit;
        QButtonGroup* options;
        UpDownControl* delta;
        UpDownControl* time;
    };
    for (const Row& row : {Row{Unit::Pump, page_.pumpRuns, page_.udnPumpDelta, page_.udnPumpTime},
             Row{Unit::Valve, page_.valveRuns, page_.udnValveDelta, page_.udnValveTime}}) {
        const Unit unit = row.unit;
        connect(row.options, &QButtonGroup::idClicked, this, [this, unit](int id) {
            model_.selectRunMode(unit, OptionModes[id]);
            refreshPumpValve();
        });
        connect(row.delta, &UpDownControl::valueChanged, this, [this, unit](int value) {
            model_.setDelta(unit, value);
            refreshPumpValve();
        });
        connect(row.time, &UpDownControl::valueChanged, this, [this, unit](int value) {
            model_.setRunTime(unit, value);
            refreshPumpValve();
        });
    }
    connect(page_.optPNV_atBP, &QRadioButton::clicked, this, [this] {
        model_.selectSampleAtButtonPress(prompts_, title_);
        refreshPumpValve();
    });
    connect(page_.optPNV_atTZ, &QRadioButton::clicked, this, [this] {
        model_.selectSampleAtTimeZero();
        refreshPumpValve();
    });

    connect(page_.chkAlarmIsEnabled, &QCheckBox::clicked, this, [this](bool on) { model_.setAlarmEnabled(on); });
    connect(page_.optAlarmIsLow, &QRadioButton::clicked, this, [this] { model_.setAlarmDriveHigh(false); });
    connect(page_.optAlarmIsHigh, &QRadioButton::clicked, this, [this] { model_.setAlarmDriveHigh(true); });
    connect(page_.spnAlarmDuration, &QSpinBox::valueChanged, this, [this](int value) {
        model_.setAlarmDuration(value);
        refreshAlarm();
    });
    connect(page_.spnAlarmLevel, &QDoubleSpinBox::valueChanged, this, [this](double ppm) {
        model_.setAlarmLevel(int(std::lround(ppm * SettingsRanges::LevelPerPpm)));
        refreshAlarm();
    });
    connect(page_.btnSettingsToggleAdvanced, &QPushButton::clicked, this, [this] {
        model_.toggleAdvanced();
        refresh();
    });
    refresh();
}

void SettingsPageBinding::apply(const SettingsReading& reading)
{
    model_.apply(reading, prompts_, title_);
    refresh();
}

void SettingsPageBinding::refreshPumpValve()
{
    struct Row {
        const RunControls& c;
        std::array<QRadioButton*, 3>& options;
        UpDownControl* delta;
        UpDownControl* time;
        QLabel* deltaLabel;
        QLabel* timeLabel;
    };
    for (const Row& r : {Row{model_.pump, page_.optPumpRuns, page_.udnPumpDelta, page_.udnPumpTime, page_.lblPumpDelta,
                              page_.lblPumpTime},
             Row{model_.valve, page_.optValveRuns, page_.udnValveDelta, page_.udnValveTime, page_.lblValveDelta,
                 page_.lblValveTime}}) {
        r.options[OptionOf(r.c.selected)]->setChecked(true);
        r.delta->setValue(r.c.delta);
        r.time->setValue(r.c.time);
        r.delta->setEnabled(r.c.controlsEnabled);
        r.time->setEnabled(r.c.controlsEnabled);
        r.deltaLabel->setText(r.c.deltaLabel);
        r.timeLabel->setText(r.c.timeLabel);
    }
    (model_.sampleAtButtonPress ? page_.optPNV_atBP : page_.optPNV_atTZ)->setChecked(true);
    page_.shpPumpAndValveSpace->setDiagram(model_.diagram());
}

void SettingsPageBinding::refreshAlarm()
{
    page_.chkAlarmIsEnabled->setChecked(model_.alarmEnabled);
    (model_.alarmDriveHigh ? page_.optAlarmIsHigh : page_.optAlarmIsLow)->setChecked(true);
    const QSignalBlocker quietDuration(page_.spnAlarmDuration);
    const QSignalBlocker quietLevel(page_.spnAlarmLevel);
    page_.spnAlarmDuration->setValue(model_.alarmDuration);
    page_.spnAlarmLevel->setValue(model_.alarmLevel / SettingsRanges::LevelPerPpm);
}

void SettingsPageBinding::refresh()
{
    refreshPumpValve();
    refreshAlarm();
    page_.chkAutoOnOff->setChecked(model_.autoOffBlocked);
    SettingsPage::paintFlagBox(page_.chkAutoOnOff, model_.autoOffColour());
    page_.chkRemoteFramSave->setChecked(model_.saveAll);
    SettingsPage::paintFlagBox(page_.chkRemoteFramSave, model_.saveAllColour());
    page_.lblCurrentMode->setText(model_.modeText);
    page_.lblCurrentLimit->setText(model_.limitText);
    page_.lblCurrentGate->setText(model_.gateText);
    page_.lblMGMFactor->setText(model_.mgmCaption);
    page_.lblMGMFactor->setToolTip(model_.mgmTooltip);
    page_.dtpSettingsMan->setDate(model_.manufactured);
    page_.dtpSettingsSer->setDate(model_.serviced);
    page_.dtpSettingsCal->setDate(model_.calibrated);
    page_.lblSettingsGain->setText(model_.calibrationSummary);
    page_.btnSettingsUseDumbSump->setText(model_.dataDumpCaption());
    page_.btnSettingsToggleAdvanced->setText(model_.advancedCaption());
    page_.fraPumpAndValve->setVisible(model_.advancedShown);
    page_.fraAdvancedDiagnostics->setVisible(model_.advancedShown);
}
