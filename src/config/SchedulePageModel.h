#pragma once
#include "config/ScheduleFile.h"
#include "config/ScheduleRecord.h"

#include <QString>
#include <QTime>
#include <array>
#include <optional>

struct InstrumentInfo;
class Prompts;

// The texts of the Schedule page's controls.
namespace ScheduleTexts {
inline const QString TabTip = QStringLiteral("Configure and Manage instrument schedules");
inline const QString FrequencyCaption = QStringLiteral("Sampling Frequency");
inline const QString FrequencyTip = QStringLiteral("Set sampling frequency to sample as often as possible.");
inline const QString StartCaption = QStringLiteral("Start at                            and continue for");
inline const QString StartTip = QStringLiteral("The schedule will start at this time on the selected days.");
inline const QString LengthTip = QStringLiteral("The schedule will run for this amount of time.");
// Index = bit of the week mask.
inline const std::array<QString, 7> Weekdays{QStringLiteral("Sunday"), QStringLiteral("Saturday"),
    QStringLiteral("Friday"), QStringLiteral("Thursday"), QStringLiteral("Wednesday"), QStringLiteral("Tuesday"),
    QStringLiteral("Monday")};
inline const QString AllWeek = QStringLiteral("All Week");
inline const QString WeekdaysOnly = QStringLiteral("Weekdays Only");
inline const QString WeekendOnly = QStringLiteral("Weekend Only");
// Index = MemoryFullOption.
inline const std::array<QString, 3> MemoryFull{QStringLiteral("Run only once"), QStringLiteral("Repeat (Overwrite)"),
    QStringLiteral("Repeat (Until Full)")};
inline const std::array<QString, 3> MemoryFullTips{
    QStringLiteral("Selecting this option will cause the schedule to be disabled once it has run once."),
    QStringLiteral("Selecting this option will cause the schedule to fill the memory and then overwrite the oldest "
                   "readings."),
    QStringLiteral("Selecting this option will cause the schedule to be disabled when there is no more space in "
                   "memory to save the readings.")};
inline const QString Counter = QStringLiteral("Use loop counter...");
inline const QString ParkSensor = QStringLiteral("Park sensor after sample");
inline const QString ParkSensorTip =
    QStringLiteral("If enabled the instrument sensor will be 'parked' after each sample in a schedule.");
inline const QString ToAdvanced = QStringLiteral("Advanced >");
inline const QString ToSimple = QStringLiteral("< Simple");
inline const QString Send = QStringLiteral("Use These Settings");
inline const QString Reload = QStringLiteral("Reload from Instrument");
// The switch button says what it will do.
inline const QString Start = QStringLiteral("Start Schedule");
inline const QString Stop = QStringLiteral("Stop Schedule");
inline const QString SaveFile = QStringLiteral("Save Set-up to a File...");
inline const QString LoadFile = QStringLiteral("Load Set-up from a File...");
inline const QString CommentTip =
    QStringLiteral("Any text you enter here will be added to the data file when you save a schedule setup.");
inline const QString InitialComment = QStringLiteral("Click here to add a comment to the saved schedule setup...");
inline const QString PreviewCaption = QStringLiteral("Preview");
inline const std::array<QString, 5> PreviewMarks{QStringLiteral("00:00"), QStringLiteral("06:00"),
    QStringLiteral("12:00"), QStringLiteral("18:00"), QStringLiteral("23:59")};
// Beside "Use These Settings" while the page holds values the instrument has not got.
inline const QString Unsent = QStringLiteral("Changes not sent yet");
inline const QString UnsentTip =
    QStringLiteral("The page's values differ from the instrument's schedule until 'Use These Settings' sends them.");
inline const QString Contradiction =
    QStringLiteral("Schedule options contradiction found - using 'Repeat (Until Full)'");
}

// Week masks of the preset buttons and the days' bits.
namespace WeekMasks {
constexpr uint8_t AllWeek = 127;
constexpr uint8_t WeekdaysOnly = 124;   // Monday to Friday
constexpr uint8_t WeekendOnly = 3;      // Saturday and Sunday
constexpr int Days = 7;
}

// A colour of a weekday box: ticked days green, clear days orange.
struct WeekdayColour {
    int red = 0, green = 0, blue = 0;
    bool operator==(const WeekdayColour&) const = default;
};

// The one-day preview: a line from the left marker (00:00) to the right
// marker (23:59) holding two bars, in the caller's drawing units. The second
// bar is the part of a window that runs past midnight, drawn from 00:00.
struct SchedulePreview {
    double firstLeft = 0, firstWidth = 0;
    double secondLeft = 0, secondWidth = 0;
};

// The UI-free Schedule page: the record it edits, every control's value,
// enable state, label and colour, and the handlers of the user's gestures.
// Setting a control runs that control's own handling, as a user change does.
class SchedulePageModel {
public:
    enum class View { Simple, Advanced };
    static constexpr int FrequencyMax = 60;
    static constexpr int CounterMax = 256;
    static constexpr int MinutesPerDay = 1440;

    // What a refresh learns from the instrument besides the record: the
    // park-sensor probe (nothing when it got no good reply) and the state.
    struct Reading {
        std::optional<bool> parkSensor;
        bool scheduleEnabled = false;
        bool scheduleRunning = false;
    };

    // The record as last taken from the instrument or a file and changed by the handlers.
    const ScheduleRecord& record() const { return record_; }
    // The page holds values the instrument has not got: edits of the
    // schedule's controls or a loaded file, until they are sent or the
    // instrument's schedule is taken again. (The comment goes to files only.)
    bool unsent() const { return unsent_; }

    // --- Refresh ---
    // Takes the instrument's schedule fields into the page's record: nothing is unsent then.
    void take(const InstrumentInfo& info);
    void take(const ScheduleRecord& record)
    {
        record_ = record;
        unsent_ = false;
    }
    // Every control from the record (the view kept, frequency cut to 60,
    // a negative counter shown as 0, a memory-full contradiction resolved
    // with a balloon), the park sensor and the status panel from the reading.
    // What is unsent stays so.
    void refresh(const Reading& reading, Prompts& prompts, const QString& appCaption);

    // --- Controls ---
    View view() const { return view_; }
    QString viewToggleText() const { return view_ == View::Simple ? ScheduleTexts::ToAdvanced : ScheduleTexts::ToSimple; }
    bool setupExpanded() const { return view_ == View::Advanced; }
    int frequency() const { return frequency_; }
    QString frequencyLabel() const;
    QTime start() const { return start_; }
    QTime length() const { return length_; }
    bool weekday(int bit) const { return weekdays_.at(size_t(bit)); }
    uint8_t weekMaskOfBoxes() const;
    static WeekdayColour weekdayColour(bool ticked);
    MemoryFullOption memoryFullOption() const { return option_; }
    bool counterChecked() const { return counterChecked_; }
    bool counterEnabled() const { return counterControlsEnabled_; }
    int counterValue() const { return counterValue_; }
    QString counterLabel() const { return counterLabel_; }
    bool parkSensorAvailable() const { return parkAvailable_; }
    bool parkSensorChecked() const { return record_.ShortBetweenSamples; }
    QString comment() const { return comment_; }
    // Status panel 3.
    QString schedulePanel() const { return schedulePanel_; }
    // The switch button's caption: "Stop Schedule" while the schedule is
    // enabled, "Start Schedule" otherwise.
    QString switchCaption() const { return record_.ScheduleEnabled ? ScheduleTexts::Stop : ScheduleTexts::Start; }
    SchedulePreview preview(double left, double right) const;

    // The schedule was started or stopped: the state read afterwards.
    void scheduleSwitched(bool enabled, bool running);

    // --- Gestures ---
    void toggleView();
    void setFrequency(int minutes);
    void setStart(const QTime& time);
    void setLength(const QTime& time);
    void applyPreset(uint8_t mask);
    void setWeekday(int bit, bool ticked);
    // A click on "Use loop counter...": the counter cannot be switched on here.
    void clickCounter();
    void setCounter(int value);
    void chooseMemoryFull(MemoryFullOption option);
    void setParkSensor(bool on);
    void setComment(const QString& text);

    // --- Send, file ---
    // The record "Use These Settings" sends: week mask from the boxes, start
    // and length from the pickers on today's date, frequency from its control.
    ScheduleRecord recordToSend(const QDate& today) const;
    // The schedule read back after a send; the controls stay as they are.
    void sent(const ScheduleRecord& readBack)
    {
        record_ = readBack;
        unsent_ = false;
    }
    // What "Save Set-up to a File..." writes: the pickers, the frequency
    // control, the week mask of the boxes, Config and the comment.
    ScheduleFileValues fileValues() const;
    // A schedule file read and checked as a whole: the fields it holds go
    // into the record and the comment box, unsent; the caller then refreshes.
    void applyFile(const ScheduleFileContent& file);

private:
    void edited() { unsent_ = true; }

    ScheduleRecord record_;
    View view_ = View::Simple;
    int frequency_ = 0;
    QTime start_{0, 0};
    QTime length_{0, 0};
    std::array<bool, 7> weekdays_{};
    MemoryFullOption option_ = MemoryFullOption::UntilFull;
    bool counterChecked_ = false;
    bool counterControlsEnabled_ = false;
    int counterValue_ = 0;
    QString counterLabel_ = QStringLiteral("-");
    bool parkAvailable_ = false;
    QString comment_ = ScheduleTexts::InitialComment;
    QString schedulePanel_ = QStringLiteral("Schedule: ???");
    bool unsent_ = false;
};
