#include "SettingsPage.h"
#include "NamedWidget.h"
#include "PageFormats.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {
QPushButton* Button(const char* name, const char* caption)
{
    return Named<QPushButton>(name, QString::fromLatin1(caption));
}

// One row of the pump and valve frame: options, start delay and run time.
struct RunRow {
    std::array<QRadioButton*, 3>& options;
    QButtonGroup*& group;
    UpDownControl*& delta;
    QLabel*& deltaLabel;
    UpDownControl*& time;
    QLabel*& timeLabel;
};

void BuildRunRow(QGridLayout* grid, int row, const char* unit, const QString& caption, RunRow r, QObject* owner)
{
    const QString u = QString::fromLatin1(unit);
    r.group = new QButtonGroup(owner);
    const char* captions[] = {"Never", "Always", "Timed"};
    grid->addWidget(new QLabel(caption), row, 0);
    for (int i = 0; i < 3; ++i) {
        r.options[i] = new QRadioButton(QString::fromLatin1(captions[i]));
        r.options[i]->setObjectName(QStringLiteral("opt%1Runs_%2").arg(u).arg(i));
        r.group->addButton(r.options[i], i);
        grid->addWidget(r.options[i], row, 1 + i);
    }
    r.delta = new UpDownControl(QStringLiteral("udn%1Delta").arg(u), SettingsRanges::DeltaMin, SettingsRanges::DeltaMax);
    r.deltaLabel = new QLabel(SettingsTexts::NotShown);
    r.deltaLabel->setObjectName(QStringLiteral("lbl%1Delta").arg(u));
    r.time = new UpDownControl(QStringLiteral("udn%1Time").arg(u), SettingsRanges::RunTimeMin, SettingsRanges::RunTimeMax);
    r.timeLabel = new QLabel(SettingsTexts::NotShown);
    r.timeLabel->setObjectName(QStringLiteral("lbl%1Time").arg(u));
    for (QLabel* label : {r.deltaLabel, r.timeLabel}) {
        label->setMinimumWidth(32);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    grid->addWidget(new QLabel(QStringLiteral("Start at")), row, 4);
    grid->addWidget(r.deltaLabel, row, 5);
    grid->addWidget(r.delta, row, 6);
    grid->addWidget(new QLabel(QStringLiteral("and Run for")), row, 7);
    grid->addWidget(r.timeLabel, row, 8);
    grid->addWidget(r.time, row, 9);
}

QGroupBox* TextFrame(const char* name, const QString& caption, std::initializer_list<QLabel*> labels)
{
    auto* frame = Named<QGroupBox>(name, caption);
    auto* layout = new QVBoxLayout(frame);
    for (QLabel* label : labels)
        layout->addWidget(label);
    return frame;
}

QDateEdit* DatePicker(const char* name)
{
    auto* picker = Named<QDateEdit>(name);
    picker->setDisplayFormat(PageFormats::Date);
    picker->setDateRange(SettingsRanges::FirstDate, SettingsRanges::LastDate);
    picker->setDate(SettingsRanges::FirstDate);
    // The dates are the instrument's; nothing here writes them.
    picker->setReadOnly(true);
    picker->setButtonSymbols(QAbstractSpinBox::NoButtons);
    return picker;
}
}

SettingsPage::SettingsPage(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("fraSettings"));

    // Pump & Valve Settings
    fraPumpAndValve = Named<QGroupBox>("fraPumpAndValve", QStringLiteral("Pump && Valve Settings"));
    auto* runs = new QGridLayout;
    BuildRunRow(runs, 0, "Pump", QStringLiteral("Pump :"),
        {optPumpRuns, pumpRuns, udnPumpDelta, lblPumpDelta, udnPumpTime, lblPumpTime}, this);
    BuildRunRow(runs, 1, "Valve", QStringLiteral("Valve :"),
        {optValveRuns, valveRuns, udnValveDelta, lblValveDelta, udnValveTime, lblValveTime}, this);
    optPNV_atBP = Named<QRadioButton>("optPNV_atBP", QStringLiteral("Sample on Button Press"));
    optPNV_atTZ = Named<QRadioButton>("optPNV_atTZ", QStringLiteral("Sample on 'Time Zero'"));
    auto* sampling = new QButtonGroup(this);
    sampling->addButton(optPNV_atBP);
    sampling->addButton(optPNV_atTZ);
    optPNV_atTZ->setChecked(true);
    shpPumpAndValveSpace = new PumpValveDiagramView;
    btnGetPumpAndValve = Button("btnGetPumpAndValve", "Re-Load Settings");
    btnSetPumpAndValve = Button("btnSetPumpAndValve", "Use these Settings");
    btnPNV_RestoreDefaults = Button("btnPNV_RestoreDefaults", "Restore Default Settings");
    auto* samplingRow = new QHBoxLayout;
    samplingRow->addWidget(optPNV_atBP);
    samplingRow->addWidget(optPNV_atTZ);
    samplingRow->addStretch();
    auto* pnvButtons = new QHBoxLayout;
    for (QPushButton* b : {btnGetPumpAndValve, btnSetPumpAndValve, btnPNV_RestoreDefaults})
        pnvButtons->addWidget(b);
    auto* pnv = new QVBoxLayout(fraPumpAndValve);
    pnv->addLayout(runs);
    pnv->addLayout(samplingRow);
    pnv->addWidget(shpPumpAndValveSpace);
    pnv->addLayout(pnvButtons);

    // Alarm
    fraAlarm = Named<QGroupBox>("fraAlarm", QStringLiteral("Alarm"));
    chkAlarmIsEnabled = Named<QCheckBox>("chkAlarmIsEnabled", QStringLiteral("Enabled"));
    chkAlarmIsEnabled->setToolTip(SettingsTexts::AlarmEnabledTip);
    optAlarmIsLow = Named<QRadioButton>("optAlarmIsLow", QStringLiteral("Drive Low"));
    optAlarmIsHigh = Named<QRadioButton>("optAlarmIsHigh", QStringLiteral("Drive High"));
    for (QRadioButton* o : {optAlarmIsLow, optAlarmIsHigh})
        o->setToolTip(SettingsTexts::AlarmDriveTip);
    optAlarmIsLow->setChecked(true);
    spnAlarmDuration = Named<QSpinBox>("spnAlarmDuration");
    spnAlarmDuration->setRange(SettingsRanges::DurationMin, SettingsRanges::DurationMax);
    spnAlarmDuration->setSuffix(QStringLiteral(" s"));
    spnAlarmDuration->setSpecialValueText(SettingsTexts::ContinuousAlarm);
    spnAlarmDuration->setToolTip(SettingsTexts::AlarmDurationTip);
    spnAlarmLevel = Named<QDoubleSpinBox>("spnAlarmLevel");
    spnAlarmLevel->setDecimals(SettingsRanges::LevelDecimals);
    spnAlarmLevel->setRange(SettingsRanges::LevelMin / SettingsRanges::LevelPerPpm,
        SettingsRanges::LevelMax / SettingsRanges::LevelPerPpm);
    spnAlarmLevel->setSingleStep(1.0 / SettingsRanges::LevelPerPpm);
    spnAlarmLevel->setSuffix(QStringLiteral(" ppm"));
    spnAlarmLevel->setToolTip(SettingsTexts::AlarmLevelTip);
    // A typed value counts when the box is left or Enter is pressed, not at each key.
    spnAlarmDuration->setKeyboardTracking(false);
    spnAlarmLevel->setKeyboardTracking(false);
    btnSettingsAlarm = Button("btnSettingsAlarm", "Use these Settings");
    auto* alarm = new QGridLayout(fraAlarm);
    alarm->addWidget(chkAlarmIsEnabled, 0, 0, 1, 3);
    alarm->addWidget(optAlarmIsLow, 1, 0, 1, 2);
    alarm->addWidget(optAlarmIsHigh, 1, 2);
    auto* durationLabel = new QLabel(QStringLiteral("Duration"));
    durationLabel->setBuddy(spnAlarmDuration);
    alarm->addWidget(durationLabel, 2, 0);
    alarm->addWidget(spnAlarmDuration, 2, 1, 1, 2);
    auto* levelLabel = new QLabel(QStringLiteral("Level"));
    levelLabel->setBuddy(spnAlarmLevel);
    alarm->addWidget(levelLabel, 3, 0);
    alarm->addWidget(spnAlarmLevel, 3, 1, 1, 2);
    alarm->addWidget(btnSettingsAlarm, 4, 0, 1, 3);

    // Sampling Mode
    auto* samplingMode = Named<QGroupBox>("fraSamplingMode", QStringLiteral("Sampling Mode"));
    chkAutoOnOff = Named<QCheckBox>("chkAutoOnOff", QStringLiteral("Disable Auto-off"));
    chkAutoOnOff->setToolTip(SettingsTexts::AutoOffTip);
    chkRemoteFramSave = Named<QCheckBox>("chkRemoteFramSave", QStringLiteral("Save All"));
    chkRemoteFramSave->setToolTip(SettingsTexts::SaveAllTip);
    auto* samplingModeLayout = new QVBoxLayout(samplingMode);
    samplingModeLayout->addWidget(chkAutoOnOff);
    samplingModeLayout->addWidget(chkRemoteFramSave);

    // Texts
    lblCurrentMode = Named<QLabel>("lblCurrentMode");
    lblCurrentLimit = Named<QLabel>("lblCurrentLimit");
    lblCurrentGate = Named<QLabel>("lblCurrentGate");
    lblMGMFactor = Named<QLabel>("lblMGMFactor");
    auto* texts = new QVBoxLayout;
    texts->addWidget(TextFrame("fraInstrumentMode", QStringLiteral("Instrument Mode"), {lblCurrentMode}));
    // The instrument's own short codes, each with a word on what it is.
    auto* setup = Named<QGroupBox>("fraInstrumentSetup", QStringLiteral("Instrument Setup"));
    auto* setupForm = new QFormLayout(setup);
    setupForm->addRow(QStringLiteral("Limits:"), lblCurrentLimit);
    setupForm->addRow(QStringLiteral("Triggers:"), lblCurrentGate);
    texts->addWidget(setup);
    texts->addWidget(TextFrame("fraExtraSettings", QStringLiteral("Extra Settings"), {lblMGMFactor}));

    // Dates and calibration
    auto* dates = Named<QGroupBox>("fraDates", QStringLiteral("Instrument Dates"));
    dtpSettingsMan = DatePicker("dtpSettingsMan");
    dtpSettingsSer = DatePicker("dtpSettingsSer");
    dtpSettingsCal = DatePicker("dtpSettingsCal");
    lblSettingsGain = Named<QLabel>("lblSettingsGain");
    lblSettingsGain->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblSettingsGain->setWordWrap(true);
    auto* datesGrid = new QGridLayout(dates);
    datesGrid->addWidget(new QLabel(QStringLiteral("Manufacture Date")), 0, 0);
    datesGrid->addWidget(dtpSettingsMan, 0, 1);
    datesGrid->addWidget(new QLabel(QStringLiteral("Service Date")), 1, 0);
    datesGrid->addWidget(dtpSettingsSer, 1, 1);
    datesGrid->addWidget(new QLabel(QStringLiteral("Calibration Date")), 2, 0);
    datesGrid->addWidget(dtpSettingsCal, 2, 1);
    // The calibration line is long: it has the frame's whole width, under its caption.
    datesGrid->addWidget(new QLabel(QStringLiteral("Calibration:")), 3, 0, 1, 2);
    datesGrid->addWidget(lblSettingsGain, 4, 0, 1, 2);

    // Buttons
    btnSetRTCToLocalTime = Button("btnSetRTCToLocalTime", "Set Clock to PC Time");
    btnCalibrateInstrument = Button("btnCalibrateInstrument", "Calibrate Instrument");
    btnRestoreDefaultEE = Button("btnRestoreDefaultEE", "Restore Default Settings");
    btnRestoreOriginalEE = Button("btnRestoreOriginalEE", "Restore Original Settings");
    btnDiagnoseProblem = Button("btnDiagnoseProblem", "Refresh Sensor");
    btnSettingsToggleAdvanced = Named<QPushButton>("btnSettingsToggleAdvanced", SettingsTexts::ShowAdvanced);
    btnDiagnoseProblem->setEnabled(false);   // until an instrument is connected
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(samplingMode);
    for (QPushButton* b : {btnSetRTCToLocalTime, btnCalibrateInstrument, btnRestoreDefaultEE, btnRestoreOriginalEE,
             btnDiagnoseProblem, btnSettingsToggleAdvanced})
        buttons->addWidget(b);
    buttons->addStretch();

    // Advanced Diagnostics
    fraAdvancedDiagnostics = Named<QGroupBox>("fraAdvancedDiagnostics", QStringLiteral("Advanced Diagnostics"));
    btnSettingsReadInfo = Button("btnSettingsReadInfo", "Show More Info");
    btnSettingsLockKeys = Button("btnSettingsLockKeys", "Toggle Key Lock");
    btnSettingsReadOffsets = Button("btnSettingsReadOffsets", "Show Offsets");
    btnSettingsUseDumbSump = Named<QPushButton>("btnSettingsUseDumbSump", SettingsTexts::EnableDataDump);
    btnSettingsCalibrationCheck = Button("btnSettingsCalibrationCheck", "Calibration Check");
    auto* advanced = new QHBoxLayout(fraAdvancedDiagnostics);
    for (QPushButton* b : {btnSettingsReadInfo, btnSettingsLockKeys, btnSettingsReadOffsets, btnSettingsUseDumbSump,
             btnSettingsCalibrationCheck})
        advanced->addWidget(b);
    // Offered on the page, but this version has no procedure behind them.
    for (QPushButton* b : {btnCalibrateInstrument, btnRestoreDefaultEE, btnRestoreOriginalEE, btnPNV_RestoreDefaults})
        markNotAvailable(b);
    fraPumpAndValve->setVisible(false);
    fraAdvancedDiagnostics->setVisible(false);

    // The frames stand side by side and the advanced frames below them, so
    // the whole page, advanced part included, fits the window's first size.
    auto* layout = new QGridLayout(this);
    layout->addLayout(texts, 0, 0);
    layout->addWidget(fraAlarm, 0, 1);
    layout->addWidget(dates, 0, 2);
    layout->addLayout(buttons, 0, 3, 4, 1);
    layout->addWidget(fraPumpAndValve, 1, 0, 1, 3);
    layout->addWidget(fraAdvancedDiagnostics, 2, 0, 1, 3);
    layout->setRowStretch(3, 1);
}

void SettingsPage::markNotAvailable(QPushButton* button)
{
    button->setEnabled(false);
    button->setToolTip(SettingsTexts::NotAvailable);
}

void SettingsPage::paintFlagBox(QCheckBox* box, const FlagColour& colour)
{
    box->setStyleSheet(
        QStringLiteral("QCheckBox { background-color: rgb(%1, %2, %3); }").arg(colour.red).arg(colour.green).arg(colour.blue));
}

QList<QWidget*> SettingsPage::instrumentControls() const
{
    return {btnGetPumpAndValve, btnSetPumpAndValve, btnSettingsAlarm, chkAutoOnOff, chkRemoteFramSave,
        btnSetRTCToLocalTime, btnDiagnoseProblem, btnSettingsReadInfo,
        btnSettingsLockKeys, btnSettingsReadOffsets, btnSettingsUseDumbSump, btnSettingsCalibrationCheck};
}
