#include "CliSession.h"
#include "Commands.h"
#include "ExitCode.h"
#include "SettingsCli.h"
#include "shell/Password.h"
#include "shell/Services.h"

#include <functional>
#include <memory>

namespace {

using Unit = SettingsPageModel::Unit;
const QStringList RunWords{QStringLiteral("never"), QStringLiteral("timed"), QStringLiteral("always")};
const QStringList SampleWords{QStringLiteral("button"), QStringLiteral("time-zero")};
const QStringList OnOffWords{QStringLiteral("off"), QStringLiteral("on")};
const QStringList DriveWords{QStringLiteral("low"), QStringLiteral("high")};
const QString Seconds = QStringLiteral(" s");

// The option values of one unit of the pump-and-valve frame.
struct RunEdit {
    std::optional<int> mode, start, run;
    bool any() const { return mode || start || run; }
};

RunEdit ParseRun(const QCommandLineParser& parser, const QString& unit, QString& error)
{
    RunEdit e;
    // The words are in the instrument's mode order: never 0, timed 1, always 2.
    e.mode = WordOption(parser, unit, RunWords, error);
    e.start = ScaledOption(parser, unit + QStringLiteral("-start"), 10, SettingsRanges::DeltaMin,
        SettingsRanges::DeltaMax, Seconds, error);
    e.run = ScaledOption(parser, unit + QStringLiteral("-run"), 10, SettingsRanges::RunTimeMin,
        SettingsRanges::RunTimeMax, Seconds, error);
    return e;
}

void ApplyRun(SettingsPageModel& page, Unit unit, const RunEdit& e)
{
    if (e.start)
        page.setDelta(unit, *e.start);
    if (e.run)
        page.setRunTime(unit, *e.run);
    if (e.mode)
        page.selectRunMode(unit, RunMode(*e.mode));
}

bool UsageError(CliSession& session, const QString& error, const QString& usage)
{
    if (error.isEmpty())
        return false;
    session.error(error + QStringLiteral(" (usage: tolvi-cli ") + usage + QLatin1Char(')'));
    return true;
}

int SetPumpValve(CliSession& session, const QStringList& arguments, const QCommandLineParser& parser)
{
    const QString usage = QStringLiteral("pump-valve set [--pump never|timed|always] [--pump-start S] [--pump-run S] "
                                         "[--valve ...] [--valve-start S] [--valve-run S] [--sample-at button|time-zero]");
    QString error;
    const RunEdit pump = ParseRun(parser, QStringLiteral("pump"), error);
    const RunEdit valve = ParseRun(parser, QStringLiteral("valve"), error);
    const auto sampleAt = WordOption(parser, QStringLiteral("sample-at"), SampleWords, error);
    if (error.isEmpty() && (arguments.value(0) != QLatin1String("set") || !(pump.any() || valve.any() || sampleAt)))
        error = QStringLiteral("pump-valve set needs at least one setting");
    if (UsageError(session, error, usage))
        return ExitUsage;

    const int status = session.connect();
    if (status != ExitOk)
        return status;
    SettingsSession s(session);
    s.refresh();
    ApplyRun(s.page, Unit::Pump, pump);
    ApplyRun(s.page, Unit::Valve, valve);
    if (sampleAt == 0) {
        NoticePrompts notices(session.prompts());
        s.page.selectSampleAtButtonPress(notices, session.services().appCaption);
    }
    else if (sampleAt == 1)
        s.page.selectSampleAtTimeZero();
    return OutcomeStatus(session, UsePumpValveSettings(s.context, s.page.pumpValveSettings()).outcome);
}

int SetAlarmCommand(CliSession& session, const QStringList& arguments, const QCommandLineParser& parser)
{
    const QString usage =
        QStringLiteral("alarm set [--enabled on|off] [--drive high|low] [--duration S] [--level PPM]");
    QString error;
    const auto enabled = WordOption(parser, QStringLiteral("enabled"), OnOffWords, error);
    const auto drive = WordOption(parser, QStringLiteral("drive"), DriveWords, error);
    const auto duration = ScaledOption(parser, QStringLiteral("duration"), 1, SettingsRanges::DurationMin,
        SettingsRanges::DurationMax, Seconds, error);
    const auto level =
        ScaledOption(parser, QStringLiteral("level"), 100, SettingsRanges::LevelMin, SettingsRanges::LevelMax,
            QStringLiteral(" ppm"), error);
    if (error.isEmpty() && (arguments.value(0) != QLatin1String("set") || !(enabled || drive || duration || level)))
        error = QStringLiteral("alarm set needs at least one setting");
    if (UsageError(session, error, usage))
        return ExitUsage;

    const int status = session.connect();
    if (status != ExitOk)
        return status;
    SettingsSession s(session);
    s.refresh();
    if (enabled)
        s.page.setAlarmEnabled(*enabled == 1);
    if (drive)
        s.page.setAlarmDriveHigh(*drive == 1);
    if (duration)
        s.page.setAlarmDuration(*duration);
    if (level)
        s.page.setAlarmLevel(*level);
    return OutcomeStatus(session, UseAlarmSettings(s.context, s.page.alarmSettings()));
}

int SetSwitches(CliSession& session, const QStringList&, const QCommandLineParser& parser)
{
    QString error;
    const auto keyLock = WordOption(parser, QStringLiteral("key-lock"), OnOffWords, error);
    const auto autoOff = WordOption(parser, QStringLiteral("auto-off-blocked"), OnOffWords, error);
    const auto saveAll = WordOption(parser, QStringLiteral("save-all"), OnOffWords, error);
    const auto dataDump = WordOption(parser, QStringLiteral("data-dump"), OnOffWords, error);
    if (error.isEmpty() && !(keyLock || autoOff || saveAll || dataDump))
        error = QStringLiteral("switches needs at least one switch");
    if (UsageError(session, error,
            QStringLiteral("switches [--key-lock on|off] [--auto-off-blocked on|off] [--save-all on|off] "
                           "[--data-dump on|off]")))
        return ExitUsage;

    const int status = session.connect();
    if (status != ExitOk)
        return status;
    SettingsSession s(session);
    // One password for the whole command: the first accepted entry stands for
    // the switches after it (a refused one ends the command).
    auto accepted = std::make_shared<bool>(false);
    s.context.passwordDialog = [&session, accepted](PasswordDialogModel& dialog) {
        if (!*accepted)
            *accepted = RunPasswordDialogWithPrompts(dialog, session.services().prompts, session.services().appCaption);
        return *accepted;
    };
    // Each switch as its page control changes it, in the page's order. The
    // key lock and the data dump tell of a change themselves.
    struct Switch {
        std::optional<int> wanted;
        const char* name;
        bool sayWhenDone;
        std::function<SettingsOutcome(bool)> set;
    };
    const Switch switches[] = {
        {keyLock, "Key lock", false, [&](bool on) { return SetKeyLock(s.context, on); }},
        {autoOff, "Disable Auto-off", true, [&](bool on) { return SetAutoOffBlocked(s.context, on).outcome; }},
        {saveAll, "Save All", true, [&](bool on) { return SetSaveAll(s.context, on).outcome; }},
        {dataDump, "Data dump", false, [&](bool on) { return SetDataDump(s.context, on); }},
    };
    for (const Switch& sw : switches) {
        if (!sw.wanted)
            continue;
        const bool on = *sw.wanted == 1;
        const SettingsOutcome outcome = sw.set(on);
        const QString state = OnOffWords.at(on ? 1 : 0);
        if (outcome == SettingsOutcome::Unchanged)
            PrintLine(QStringLiteral("%1 is already %2.").arg(QString::fromLatin1(sw.name), state));
        else if (outcome != SettingsOutcome::Done)
            return OutcomeStatus(session, outcome);
        else if (sw.sayWhenDone)
            PrintLine(QStringLiteral("%1 is now %2.").arg(QString::fromLatin1(sw.name), state));
    }
    return int(ExitOk);
}

}

CliCommand PumpValveCommand()
{
    CliCommand command;
    command.name = QStringLiteral("pump-valve");
    command.arguments = QStringLiteral("set");
    command.summary = QStringLiteral("Change the pump and valve timing; unnamed values are kept (resets the "
                                     "calibration, asks first).");
    for (const char* unit : {"pump", "valve"}) {
        const QString u = QString::fromLatin1(unit);
        command.options << QCommandLineOption(u, u + QStringLiteral(": never, timed or always."), QStringLiteral("MODE"))
                        << QCommandLineOption(u + QStringLiteral("-start"),
                               u + QStringLiteral(": start delay, -12.8 to 12.7 s."), QStringLiteral("S"))
                        << QCommandLineOption(u + QStringLiteral("-run"), u + QStringLiteral(": run time, 0 to 25.5 s."),
                               QStringLiteral("S"));
    }
    command.options << ValueOption("sample-at", "pump-valve: sample at the button press or at time zero.", "WHEN");
    command.minArguments = command.maxArguments = 1;
    command.run = SetPumpValve;
    return command;
}

CliCommand AlarmCommand()
{
    CliCommand command;
    command.name = QStringLiteral("alarm");
    command.arguments = QStringLiteral("set");
    command.summary = QStringLiteral("Change the concentration alarm; unnamed values are kept.");
    command.options = {ValueOption("enabled", "alarm: on or off.", "on|off"),
        ValueOption("drive", "alarm: drive high or low when triggered.", "high|low"),
        ValueOption("duration", "alarm: seconds on, 0 to 255 (0: constant).", "S"),
        ValueOption("level", "alarm: trigger level, 0 to 2.55 ppm.", "PPM")};
    command.minArguments = command.maxArguments = 1;
    command.run = SetAlarmCommand;
    return command;
}

CliCommand SwitchesCommand()
{
    CliCommand command;
    command.name = QStringLiteral("switches");
    command.summary = QStringLiteral("Set the key lock, the auto-off block, \"Save All\" and the data-dump mode.");
    command.options = {ValueOption("key-lock", "switches: the instrument's key lock.", "on|off"),
        ValueOption("auto-off-blocked", "switches: block the automatic switch-off.", "on|off"),
        ValueOption("save-all", "switches: save all samples when connected to other devices.", "on|off"),
        ValueOption("data-dump", "switches: the data-dump mode (the PC link goes at the next power cycle).", "on|off")};
    command.run = SetSwitches;
    return command;
}
