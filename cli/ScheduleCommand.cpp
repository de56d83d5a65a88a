#include "CliSession.h"
#include "Commands.h"
#include "ExitCode.h"
#include "MemoryCommands.h"
#include "config/ScheduleActions.h"
#include "config/ScheduleFileActions.h"
#include "config/SchedulePageModel.h"
#include "link/InstrumentLink.h"
#include "shell/Services.h"
#include "CliOutput.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <cstdio>

namespace {

// Days as the command line names them, Monday first, with their mask bits.
struct DayName {
    const char* name;
    int bit;
};
constexpr DayName Days[] = {{"mon", 6}, {"tue", 5}, {"wed", 4}, {"thu", 3}, {"fri", 2}, {"sat", 1}, {"sun", 0}};
const QStringList OnFullNames{QStringLiteral("once"), QStringLiteral("overwrite"), QStringLiteral("until-full")};

QString timeText(const QTime& time)
{
    return time.toString(time.second() == 0 ? QStringLiteral("HH:mm") : QStringLiteral("HH:mm:ss"));
}

QStringList dayNames(int mask)
{
    QStringList names;
    for (const DayName& day : Days)
        if ((mask >> day.bit) & 1)
            names << ScheduleTexts::Weekdays[size_t(day.bit)];
    return names;
}

QString stateText(const ScheduleRecord& r)
{
    if (!r.ScheduleEnabled)
        return QStringLiteral("disabled");
    return r.ScheduleRunning ? QStringLiteral("enabled, running") : QStringLiteral("enabled");
}

// The page as the window shows it.
void printPage(const SchedulePageModel& page, bool json)
{
    const ScheduleRecord& r = page.record();
    const int mask = page.weekMaskOfBoxes();
    const QString onFull = OnFullNames[int(page.memoryFullOption())];
    if (json) {
        QJsonObject o{{"start", timeText(page.start())}, {"length", timeText(page.length())},
            {"every", page.frequency()}, {"days", QJsonArray::fromStringList(dayNames(mask))},
            {"onFull", onFull}, {"counter", page.counterValue()}, {"counterInUse", page.counterEnabled()},
            {"parkSensor", page.parkSensorChecked()}, {"parkSensorAvailable", page.parkSensorAvailable()},
            {"enabled", r.ScheduleEnabled}, {"running", r.ScheduleRunning}};
        std::fputs(QJsonDocument(o).toJson(QJsonDocument::Indented).constData(), stdout);
        return;
    }
    PrintLine(QStringLiteral("Start: ") + timeText(page.start()));
    PrintLine(QStringLiteral("Length: ") + timeText(page.length()));
    PrintLine(QStringLiteral("Every: ") + page.frequencyLabel());
    PrintLine(QStringLiteral("Days: ") + (mask ? dayNames(mask).join(QStringLiteral(", ")) : QStringLiteral("none")));
    PrintLine(QStringLiteral("On full: ") + onFull + QStringLiteral(" (") + ScheduleTexts::MemoryFull[size_t(page.memoryFullOption())]
        + QLatin1Char(')'));
    // The page turns the loop counter off; it shows the count when the instrument had it on.
    PrintLine(QStringLiteral("Counter: ")
        + (page.counterEnabled() ? QString::number(page.counterValue()) + QStringLiteral(" (in use on the instrument; a send turns it off)")
                                 : QStringLiteral("off")));
    PrintLine(QStringLiteral("Park sensor: ") + (page.parkSensorChecked() ? QStringLiteral("on") : QStringLiteral("off"))
        + (page.parkSensorAvailable() ? QString() : QStringLiteral(" (not available on this instrument)")));
    PrintLine(QStringLiteral("State: ") + stateText(r));
}

void printFile(const ScheduleFileContent& file)
{
    const QString absent = QStringLiteral("(not in the file)");
    PrintLine(QStringLiteral("Start: ") + (file.start ? timeText(*file.start) : absent));
    PrintLine(QStringLiteral("Length: ") + (file.length ? timeText(*file.length) : absent));
    PrintLine(QStringLiteral("Every: ")
        + (!file.frequency        ? absent
              : *file.frequency == 0 ? QStringLiteral("Continuous")
                                     : QString::number(*file.frequency) + QStringLiteral(" minutes")));
    PrintLine(QStringLiteral("Days: ") + (file.weekMask ? dayNames(*file.weekMask).join(QStringLiteral(", ")) : absent));
    PrintLine(QStringLiteral("Config: ") + (file.config ? QString::number(*file.config) : absent));
    PrintLine(QStringLiteral("Comment: ") + file.comment.value_or(absent));
}

// Connects and refreshes the page as the window does after connecting.
int connectAndRefresh(CliSession& session, SchedulePageModel& page)
{
    const int status = session.connect();
    if (status != ExitOk)
        return status;
    page = SchedulePageModel();
    page.toggleView();   // the fields are named one by one: no simple view's all-day rule
    UpdateSchedulePage(page, session.link(), session.services(), session.instrument());
    return ExitOk;
}

std::optional<QTime> parseTime(const QString& text)
{
    for (const QString& form : {QStringLiteral("H:mm"), QStringLiteral("H:mm:ss")}) {
        const QTime time = QTime::fromString(text.trimmed(), form);
        if (time.isValid())
            return time;
    }
    return std::nullopt;
}

std::optional<uint8_t> parseDays(const QString& text)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("all"))
        return WeekMasks::AllWeek;
    if (t == QLatin1String("weekdays"))
        return WeekMasks::WeekdaysOnly;
    if (t == QLatin1String("weekend"))
        return WeekMasks::WeekendOnly;
    uint8_t mask = 0;
    for (const QString& part : t.split(QLatin1Char(','))) {
        // A day by its name ("monday") or its first three letters ("mon").
        const QString word = part.trimmed();
        const auto day = std::find_if(std::begin(Days), std::end(Days), [&](const DayName& d) {
            return word == QLatin1String(d.name) || word == ScheduleTexts::Weekdays[size_t(d.bit)].toLower();
        });
        if (day == std::end(Days))
            return std::nullopt;
        mask |= uint8_t(1 << day->bit);
    }
    return mask;
}

// The fields schedule set names; the others keep the instrument's values.
struct SetRequest {
    std::optional<QTime> start, length;
    std::optional<int> every;
    std::optional<uint8_t> days;
    std::optional<MemoryFullOption> onFull;
    std::optional<bool> park;
};

// The request from the options; a message naming the bad option otherwise.
std::optional<SetRequest> readSetRequest(const QCommandLineParser& parser, QString& problem)
{
    auto value = [&](const char* name) { return parser.value(QString::fromLatin1(name)).trimmed().toLower(); };
    auto isSet = [&](const char* name) { return parser.isSet(QString::fromLatin1(name)); };
    auto fail = [&](const char* text) {
        problem = QString::fromLatin1(text);
        return std::nullopt;
    };
    SetRequest r;
    if (!isSet("start") && !isSet("length") && !isSet("every") && !isSet("days") && !isSet("on-full") && !isSet("park"))
        return fail("schedule set needs at least one of --start, --length, --every, --days, --on-full, --park");
    if (isSet("start") && !(r.start = parseTime(value("start"))))
        return fail("--start takes a time of day HH:MM");
    if (isSet("length") && !(r.length = parseTime(value("length"))))
        return fail("--length takes HH:MM, 00:00 to 23:59");
    if (isSet("every")) {
        bool ok = false;
        r.every = value("every").toInt(&ok);
        if (!ok || *r.every < 0 || *r.every > SchedulePageModel::FrequencyMax)
            return fail("--every takes minutes from 0 (continuous) to 60");
    }
    if (isSet("days") && !(r.days = parseDays(value("days"))))
        return fail("--days takes all, weekdays, weekend or days such as mon,wed,fri");
    if (isSet("on-full")) {
        if (value("on-full") == QLatin1String("overwrite"))
            r.onFull = MemoryFullOption::Overwrite;
        else if (value("on-full") == QLatin1String("until-full"))
            r.onFull = MemoryFullOption::UntilFull;
        else
            return fail("--on-full takes overwrite or until-full");
    }
    if (isSet("park")) {
        if (value("park") != QLatin1String("on") && value("park") != QLatin1String("off"))
            return fail("--park takes on or off");
        r.park = value("park") == QLatin1String("on");
    }
    return r;
}

// The named fields through the page's handlers, as the window's controls would set them.
void apply(const SetRequest& r, SchedulePageModel& page)
{
    if (r.start)
        page.setStart(*r.start);
    if (r.length)
        page.setLength(*r.length);
    if (r.every)
        page.setFrequency(*r.every);
    if (r.days)
        page.applyPreset(*r.days);
    if (r.onFull)
        page.chooseMemoryFull(*r.onFull);
    if (r.park)
        page.setParkSensor(*r.park);
}

// "Use These Settings" with the page as it stands; prints the schedule read back.
int send(CliSession& session, SchedulePageModel& page)
{
    InstrumentInfo& info = session.instrument();
    TerminalProgress progress;
    ScheduleContext context{session.services(), session.link(), info, progress, {}};
    const ScheduleSendOutcome outcome = SendSchedule(context, page.recordToSend(QDate::currentDate()));
    progress.finish();
    switch (outcome) {
    case ScheduleSendOutcome::Sent: {
        // What the window would show after "Reload from Instrument".
        SchedulePageModel readBack;
        readBack.toggleView();
        readBack.take(info);
        readBack.refresh({page.parkSensorAvailable(), info.ScheduleEnabled, info.ScheduleRunning},
            session.services().prompts, session.services().appCaption);
        PrintLine(ScheduleMessages::Sent);
        printPage(readBack, false);
        return ExitOk;
    }
    case ScheduleSendOutcome::NotAllowed:
        return session.failureStatus(ExitRefused);
    case ScheduleSendOutcome::Failed:
        break;
    }
    session.error(ScheduleMessages::NotSent);
    return ExitFailed;
}

int switchSchedule(CliSession& session, ScheduleSwitch want)
{
    const int status = session.connect();
    if (status != ExitOk)
        return status;
    TerminalProgress progress;
    ScheduleContext context{session.services(), session.link(), session.instrument(), progress, {}};
    const ScheduleSwitchResult result = SwitchSchedule(context, want, false);
    progress.finish();
    const bool start = want == ScheduleSwitch::Start;
    switch (result.outcome) {
    case ScheduleSwitchOutcome::Switched:
        PrintLine(start ? QStringLiteral("Schedule started.") : QStringLiteral("Schedule stopped."));
        return ExitOk;
    case ScheduleSwitchOutcome::Unchanged:
        PrintLine(start ? QStringLiteral("The schedule is already enabled; nothing was sent.")
                    : QStringLiteral("The schedule is not enabled; nothing was sent."));
        return ExitOk;
    case ScheduleSwitchOutcome::RunningNotEnabled:
        session.error(ScheduleMessages::RunningNotEnabled + QStringLiteral(" Nothing was sent."));
        return ExitFailed;
    case ScheduleSwitchOutcome::Declined:
        return session.failureStatus(ExitRefused);
    case ScheduleSwitchOutcome::Failed:
        break;
    }
    session.error(QStringLiteral("the instrument did not answer the schedule command"));
    return ExitFailed;
}

int runSchedule(CliSession& session, const QStringList& arguments, const QCommandLineParser& parser)
{
    const QString action = arguments.value(0);
    const bool takesFile = action == QLatin1String("save") || action == QLatin1String("load");
    const QStringList known{QStringLiteral("show"), QStringLiteral("set"), QStringLiteral("start"),
        QStringLiteral("stop"), QStringLiteral("save"), QStringLiteral("load")};
    if (!known.contains(action) || takesFile != (arguments.size() == 2)) {
        session.error(QStringLiteral("usage: tolvi-cli [options] schedule show|set|start|stop|save FILE|load FILE"));
        return ExitUsage;
    }
    const QString file = takesFile ? QDir::current().absoluteFilePath(arguments[1]) : QString();
    Services& services = session.services();
    SchedulePageModel page;

    if (action == QLatin1String("start") || action == QLatin1String("stop"))
        return switchSchedule(session, action == QLatin1String("start") ? ScheduleSwitch::Start : ScheduleSwitch::Stop);

    // The file is read and checked before connecting: a bad file costs no
    // instrument time and changes nothing.
    std::optional<ScheduleFileContent> loaded;
    if (action == QLatin1String("load")) {
        loaded = ReadScheduleFile(services, file);
        if (!loaded)
            return ExitFailed;
        if (!parser.isSet(QStringLiteral("send"))) {
            printFile(*loaded);
            return ExitOk;
        }
    }
    const QString comment = parser.value(QStringLiteral("comment"));
    if (parser.isSet(QStringLiteral("comment")) && comment.contains(QRegularExpression(QStringLiteral("[\\r\\n]")))) {
        session.error(QStringLiteral("--comment takes one line of text"));
        return ExitUsage;
    }

    if (action == QLatin1String("set")) {
        // Checked before connecting: a wrong option costs no instrument time.
        QString problem;
        const auto request = readSetRequest(parser, problem);
        if (!request) {
            session.error(problem);
            return ExitUsage;
        }
        const int status = connectAndRefresh(session, page);
        if (status != ExitOk)
            return status;
        if (request->park && !page.parkSensorAvailable()) {
            session.error(QStringLiteral("this instrument cannot park its sensor; nothing was sent"));
            return ExitFailed;
        }
        apply(*request, page);
        return send(session, page);
    }

    const int status = connectAndRefresh(session, page);
    if (status != ExitOk)
        return status;
    if (action == QLatin1String("show")) {
        printPage(page, parser.isSet(QStringLiteral("json")));
        return ExitOk;
    }
    if (action == QLatin1String("save")) {
        if (parser.isSet(QStringLiteral("comment")))
            page.setComment(comment);
        if (!SaveScheduleFile(page, services, file))
            return ExitFailed;
        PrintLine(QStringLiteral("Schedule set-up saved to '%1'.").arg(file));
        return ExitOk;
    }
    // load --send: the file over the instrument's schedule, refreshed, then sent.
    page.applyFile(*loaded);
    RefreshSchedulePage(page, session.link(), services, session.instrument());
    return send(session, page);
}

} // namespace

// The Schedule page on the command line: show, set and send, start and stop,
// save and load set-up files.
CliCommand ScheduleCommand()
{
    CliCommand command;
    command.name = QStringLiteral("schedule");
    command.arguments = QStringLiteral("show|set|start|stop|save FILE|load FILE");
    command.summary = QStringLiteral("Show, change (set), start or stop the instrument's schedule; save it to or load "
                                     "it from a .sch file (load --send sends it).");
    command.options = {
        QCommandLineOption(QStringLiteral("json"), QStringLiteral("schedule show, settings show, summary: as JSON.")),
        ValueOption("start", "schedule set: start time HH:MM (local).", "HH:MM"),
        ValueOption("length", "schedule set: window length HH:MM.", "HH:MM"),
        ValueOption("every", "schedule set: minutes between samples, 0 (continuous) to 60.", "MIN"),
        ValueOption("days", "schedule set: all, weekdays, weekend, or mon,tue,...", "DAYS"),
        ValueOption("on-full", "schedule set: overwrite or until-full.", "OPTION"),
        ValueOption("park", "schedule set: park the sensor after each sample, on or off.", "on|off"),
        QCommandLineOption(QStringLiteral("send"), QStringLiteral("schedule load: send the file's set-up.")),
        ValueOption("comment", "schedule save: the file's comment line instead of the page's placeholder.", "TEXT"),
    };
    command.minArguments = 1;
    command.maxArguments = 2;
    command.run = runSchedule;
    return command;
}
