#pragma once
#include "PumpValveDiagramView.h"
#include "UpDownControl.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QWidget>
#include <array>

// The "Settings" page: pump and valve timing with its diagram, the alarm,
// the sampling-mode switches, mode, limit, gate and mg/m^3 texts, the three
// dates with the calibration summary, the clock and maintenance buttons, and
// the "Advanced Diagnostics" frame. A view only: the application binds it
// to the Settings page model.
//
// The service functions are connected from outside through the public
// buttons: "Refresh Sensor" (btnDiagnoseProblem), "Show More Info"
// (btnSettingsReadInfo), "Show Offsets" (btnSettingsReadOffsets) and the
// calibration-check window's opener (btnSettingsCalibrationCheck).
class SettingsPage : public QWidget {
    Q_OBJECT
public:
    explicit SettingsPage(QWidget* parent = nullptr);

    // Pump & Valve Settings; options 0 "Never", 1 "Always", 2 "Timed".
    QGroupBox* fraPumpAndValve = nullptr;
    std::array<QRadioButton*, 3> optPumpRuns{};
    std::array<QRadioButton*, 3> optValveRuns{};
    QButtonGroup* pumpRuns = nullptr;
    QButtonGroup* valveRuns = nullptr;
    UpDownControl* udnPumpDelta = nullptr;
    UpDownControl* udnPumpTime = nullptr;
    UpDownControl* udnValveDelta = nullptr;
    UpDownControl* udnValveTime = nullptr;
    QLabel* lblPumpDelta = nullptr;
    QLabel* lblPumpTime = nullptr;
    QLabel* lblValveDelta = nullptr;
    QLabel* lblValveTime = nullptr;
    QRadioButton* optPNV_atBP = nullptr;
    QRadioButton* optPNV_atTZ = nullptr;
    PumpValveDiagramView* shpPumpAndValveSpace = nullptr;
    QPushButton* btnGetPumpAndValve = nullptr;
    QPushButton* btnSetPumpAndValve = nullptr;
    QPushButton* btnPNV_RestoreDefaults = nullptr;

    // Alarm
    QGroupBox* fraAlarm = nullptr;
    QCheckBox* chkAlarmIsEnabled = nullptr;
    QRadioButton* optAlarmIsLow = nullptr;
    QRadioButton* optAlarmIsHigh = nullptr;
    // Typed or stepped, each with its unit; a duration of 0 reads "Continuous".
    QSpinBox* spnAlarmDuration = nullptr;
    QDoubleSpinBox* spnAlarmLevel = nullptr;   // ppm
    QPushButton* btnSettingsAlarm = nullptr;

    // Sampling Mode
    QCheckBox* chkAutoOnOff = nullptr;
    QCheckBox* chkRemoteFramSave = nullptr;

    // Instrument Mode, Instrument setup, Extra Settings
    QLabel* lblCurrentMode = nullptr;
    QLabel* lblCurrentLimit = nullptr;
    QLabel* lblCurrentGate = nullptr;
    QLabel* lblMGMFactor = nullptr;

    // Dates and calibration
    QDateEdit* dtpSettingsMan = nullptr;
    QDateEdit* dtpSettingsSer = nullptr;
    QDateEdit* dtpSettingsCal = nullptr;
    QLabel* lblSettingsGain = nullptr;

    QPushButton* btnSetRTCToLocalTime = nullptr;
    QPushButton* btnCalibrateInstrument = nullptr;
    QPushButton* btnRestoreDefaultEE = nullptr;
    QPushButton* btnRestoreOriginalEE = nullptr;
    QPushButton* btnDiagnoseProblem = nullptr;
    QPushButton* btnSettingsToggleAdvanced = nullptr;

    // Advanced Diagnostics
    QGroupBox* fraAdvancedDiagnostics = nullptr;
    QPushButton* btnSettingsReadInfo = nullptr;
    QPushButton* btnSettingsLockKeys = nullptr;
    QPushButton* btnSettingsReadOffsets = nullptr;
    QPushButton* btnSettingsUseDumbSump = nullptr;
    QPushButton* btnSettingsCalibrationCheck = nullptr;

    // Paints a check box that mirrors an instrument flag.
    static void paintFlagBox(QCheckBox* box, const FlagColour& colour);
    // The controls that talk to the instrument (disabled while a procedure runs).
    QList<QWidget*> instrumentControls() const;

private:
    // Disabled for good, with a tooltip that says why.
    static void markNotAvailable(QPushButton* button);
};
