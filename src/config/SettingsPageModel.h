#pragma once
#include <QDate>
#include <QLocale>
#include <QString>
#include <cstdint>
#include <optional>

class Prompts;
struct SettingsReading;

// Texts, tooltips and ranges of the Settings page's controls.
namespace SettingsTexts {
inline const QString NotShown = QStringLiteral("-");
inline const QString ContinuousAlarm = QStringLiteral("Continuous");
inline const QString ButtonPressWarning =
    QStringLiteral("This is not the recommended 'Pump/Valve' setting and may lead to unexpected results.");
inline const QString ShowAdvanced = QStringLiteral("Show Advanced Settings");
inline const QString HideAdvanced = QStringLiteral("Hide Advanced Settings");
inline const QString EnableDataDump = QStringLiteral("Enable Data Dump");
inline const QString DisableDataDump = QStringLiteral("Disable Data Dump");
inline const QString AlarmDurationTip =
    QStringLiteral("Number of seconds the alarm will remain on for - set to zero for a constant alarm.");
inline const QString AlarmLevelTip = QStringLiteral("The concentration at which the alarm is triggered.");
inline const QString AlarmEnabledTip = QStringLiteral(
    "Enable or Disable the alarm function - the appropriate hardware must be installed on your instrument first.");
inline const QString AlarmDriveTip = QStringLiteral("Select what happens when the alarm is triggered.");
inline const QString AutoOffTip = QStringLiteral("Selecting this option will block the instrument's Auto Off feature.");
inline const QString SaveAllTip = QStringLiteral(
    "Selecting this option will save all samples to the instrument memory when connected to 3rd party devices.");
inline const QString PageTip = QStringLiteral("Instrument settings");
// The tooltip of the page's buttons that this version offers without a procedure behind them.
inline const QString NotAvailable = QStringLiteral("Not available in this version of the program.");
}

// Value ranges of the up-down controls (all step by 1).
namespace SettingsRanges {
constexpr int DeltaMin = -128, DeltaMax = 127;      // tenths of a second
constexpr int RunTimeMin = 0, RunTimeMax = 255;     // tenths of a second
constexpr int DurationMin = 0, DurationMax = 255;   // seconds
constexpr int LevelMin = 0, LevelMax = 255;         // hundredths of a ppm
constexpr double LevelPerPpm = 100.0;               // the level's steps in one ppm
constexpr int LevelDecimals = 2;
inline const QDate FirstDate{1900, 1, 1};
inline const QDate LastDate{3000, 1, 1};
}

// Colour of a check box that mirrors an instrument flag.
struct FlagColour {
    int red = 255, green = 128, blue = 0;
    bool operator==(const FlagColour&) const = default;
    static FlagColour of(bool ticked) { return ticked ? FlagColour{128, 255, 0} : FlagColour{255, 128, 0}; }
};

// The instrument's run modes of the pump and the valve, as its byte stores them.
enum class RunMode : uint8_t { Never = 0, Timed = 1, Always = 2 };

// The pump's or the valve's row of the "Pump & Valve Settings" frame.
struct RunControls {
    RunMode selected = RunMode::Never;   // the option shown
    uint8_t mode = 0;                    // the mode sent: the option clicked, or as read (may be unknown)
    int delta = 0;                       // start delay, tenths of a second
    int time = 0;                        // run time, tenths of a second
    bool controlsEnabled = false;
    QString deltaLabel = SettingsTexts::NotShown;
    QString timeLabel = SettingsTexts::NotShown;
    bool timedBarVisible = false;
    bool fillerVisible = false;
};

// The pump-and-valve diagram in tenths of a second: time zero lies at a
// quarter of the drawing's width, which spans 512 tenths.
struct PumpValveDiagram {
    static constexpr int TenthsAcross = 512;
    struct Bar {
        bool visible = false;
        int from = 0, to = 0;            // tenths from time zero
    };
    Bar pump, valve;
    bool pumpFiller = false, valveFiller = false;
    int buttonPress = 0;                 // the button-press marker, tenths from time zero (0 or before)

    // Where a time (tenths from time zero) lies across a drawing of this width.
    static double x(int tenths, double width) { return width / 4 + tenths * width / TenthsAcross; }
};

// What "Use these Settings" of the pump and valve frame sends.
struct PumpValveSettings {
    uint8_t pumpMode = 0, valveMode = 0;
    float pumpDelta = 0, pumpTime = 0, valveDelta = 0, valveTime = 0;   // seconds
    bool sampleAtButtonPress = false;
};

// What "Use these Settings" of the alarm frame sends.
struct AlarmSettings {
    bool enabled = false;
    bool over = false;                   // "Drive High"
    uint8_t duration = 0;                // seconds, 0 = constant
    float level = 0;                     // ppm
};

// The Settings page without widgets: every control's value, label, enable
// state and colour, the handlers of the controls that work on the page alone,
// and the refresh from what the instrument said. The window and the command
// line show it; the instrument procedures are in SettingsActions.
class SettingsPageModel {
public:
    enum class Unit { Pump, Valve };

    explicit SettingsPageModel(QLocale locale = QLocale::system()) : locale_(std::move(locale)) {}

    RunControls pump, valve;
    bool sampleAtButtonPress = false;    // else at "time zero"

    bool alarmEnabled = false;
    bool alarmDriveHigh = false;
    int alarmDuration = 0;               // seconds
    int alarmLevel = 0;                  // hundredths of a ppm
    QString alarmDurationLabel = SettingsTexts::ContinuousAlarm;
    QString alarmLevelLabel;

    bool autoOffBlocked = false;         // "Disable Auto-off"
    bool saveAll = false;                // "Save All"
    std::optional<uint16_t> switches;    // the word last read
    bool dataDumpEnabled = false;        // caption "Disable Data Dump" when set
    bool advancedShown = false;

    QString clockPanel;                  // status panel 2 after the last refresh
    QString modeText, limitText, gateText;
    QString mgmCaption, mgmTooltip;
    QDate manufactured = SettingsRanges::FirstDate;
    QDate serviced = SettingsRanges::FirstDate;
    QDate calibrated = SettingsRanges::FirstDate;
    QString calibrationSummary;

    // --- Handlers of the controls ---
    void selectRunMode(Unit unit, RunMode mode);
    void setDelta(Unit unit, int tenths);
    void setRunTime(Unit unit, int tenths);
    // "Sample on Button Press" warns that it is not the recommended setting.
    void selectSampleAtButtonPress(Prompts& prompts, const QString& title = {});
    void selectSampleAtTimeZero() { sampleAtButtonPress = false; }
    void setAlarmEnabled(bool on) { alarmEnabled = on; }
    void setAlarmDriveHigh(bool high) { alarmDriveHigh = high; }
    void setAlarmDuration(int seconds);
    void setAlarmLevel(int hundredths);
    void toggleAdvanced() { advancedShown = !advancedShown; }

    // --- Derived state ---
    FlagColour autoOffColour() const { return FlagColour::of(autoOffBlocked); }
    FlagColour saveAllColour() const { return FlagColour::of(saveAll); }
    QString advancedCaption() const { return advancedShown ? SettingsTexts::HideAdvanced : SettingsTexts::ShowAdvanced; }
    QString dataDumpCaption() const
    {
        return dataDumpEnabled ? SettingsTexts::DisableDataDump : SettingsTexts::EnableDataDump;
    }
    std::optional<bool> keyLocked() const;
    PumpValveDiagram diagram() const;
    PumpValveSettings pumpValveSettings() const;
    AlarmSettings alarmSettings() const;

    // The refresh from a reading: every control set as the user would set
    // it, its own handling run (the "Sample on Button Press" warning too).
    void apply(const SettingsReading& reading, Prompts& prompts, const QString& title = {});

    // The calibration summary of a record (without the cycles and fake-mode parts).
    QString calibrationText(const struct InstrumentInfo& info) const;
    // "Fixed (c=640)" / "Dynamic" and the tooltip that goes with it.
    static std::pair<QString, QString> mgmTexts(int32_t factor, const QLocale& locale);

private:
    RunControls& unit(Unit u) { return u == Unit::Pump ? pump : valve; }
    QString tenthsText(int tenths) const;
    void applyMode(Unit u, int mode);

    QLocale locale_;
};
