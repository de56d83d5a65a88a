#include "CliSession.h"
#include "Commands.h"
#include "ExitCode.h"
#include "SettingsCli.h"
#include "shell/Picture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QString OnOff(bool on) { return on ? QStringLiteral("on") : QStringLiteral("off"); }

QString RunText(const RunControls& c)
{
    switch (c.mode) {
    case 0: return QStringLiteral("never");
    case 1:
        return QStringLiteral("timed, start %1 s, run %2 s")
            .arg(FormatNumber(c.delta / 10.0, QStringLiteral("0.0"), QLocale::c()),
                FormatNumber(c.time / 10.0, QStringLiteral("0.0"), QLocale::c()));
    case 2: return QStringLiteral("always");
    }
    return QStringLiteral("unknown mode %1").arg(c.mode);
}

QJsonObject RunJson(const RunControls& c)
{
    return QJsonObject{{QStringLiteral("mode"), c.mode}, {QStringLiteral("startSeconds"), c.delta / 10.0},
        {QStringLiteral("runSeconds"), c.time / 10.0}};
}

QString DateText(const QDate& date) { return date.toString(Qt::ISODate); }

// The summary's lines, without the empty line an uncalibrated instrument's text starts with.
QStringList SummaryLines(const QString& summary)
{
    return summary.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

int ShowSettings(CliSession& session, const QStringList& arguments, const QCommandLineParser& parser)
{
    if (arguments.value(0) != QLatin1String("show")) {
        session.error(QStringLiteral("usage: tolvi-cli settings show [--json]"));
        return ExitUsage;
    }
    const int status = session.connect();
    if (status != ExitOk)
        return status;
    SettingsSession s(session);
    s.refresh();
    const SettingsPageModel& p = s.page;
    const std::optional<bool> keyLock = p.keyLocked();
    const QString clock = p.clockPanel.section(QStringLiteral(": "), 1);

    if (parser.isSet(QStringLiteral("json"))) {
        QJsonObject alarm{{QStringLiteral("enabled"), p.alarmEnabled},
            {QStringLiteral("drive"), p.alarmDriveHigh ? QStringLiteral("high") : QStringLiteral("low")},
            {QStringLiteral("durationSeconds"), p.alarmDuration}, {QStringLiteral("levelPpm"), p.alarmLevel / 100.0}};
        QJsonObject json{{QStringLiteral("clockError"), clock}, {QStringLiteral("clockErrorSeconds"),
                                                                   qRound64(s.reading.clockErrorDays * 86400)},
            {QStringLiteral("pump"), RunJson(p.pump)}, {QStringLiteral("valve"), RunJson(p.valve)},
            {QStringLiteral("sampleAt"), p.sampleAtButtonPress ? QStringLiteral("button") : QStringLiteral("time-zero")},
            {QStringLiteral("alarm"), alarm},
            {QStringLiteral("keyLock"), keyLock ? QJsonValue(*keyLock) : QJsonValue()},
            {QStringLiteral("autoOffBlocked"), p.autoOffBlocked}, {QStringLiteral("saveAll"), p.saveAll},
            {QStringLiteral("dataDump"), s.reading.dataDump ? QJsonValue(*s.reading.dataDump) : QJsonValue()},
            {QStringLiteral("mode"), p.modeText}, {QStringLiteral("limit"), p.limitText},
            {QStringLiteral("gate"), p.gateText},
            {QStringLiteral("mgmFactor"), s.reading.mgmFactor == 0 ? QJsonValue() : QJsonValue(s.reading.mgmFactor)},
            {QStringLiteral("mgmCaption"), p.mgmCaption},
            {QStringLiteral("manufactured"), DateText(p.manufactured)}, {QStringLiteral("serviced"), DateText(p.serviced)},
            {QStringLiteral("calibrated"), DateText(p.calibrated)},
            {QStringLiteral("calibrationValid"), s.reading.info.CalibrationValid},
            {QStringLiteral("calibrationSummary"), QJsonArray::fromStringList(SummaryLines(p.calibrationSummary))},
            {QStringLiteral("cycles"), s.reading.cycles ? QJsonValue(*s.reading.cycles) : QJsonValue()},
            {QStringLiteral("cyclePointer"), s.reading.cyclePointer ? QJsonValue(*s.reading.cyclePointer) : QJsonValue()},
            {QStringLiteral("fakeMode"), s.reading.fakeMode}};
        std::fputs(QJsonDocument(json).toJson(QJsonDocument::Indented).constData(), stdout);
        return int(ExitOk);
    }

    const QString alarm = p.alarmEnabled
        ? QStringLiteral("enabled, drive %1, level %2, duration %3")
              .arg(p.alarmDriveHigh ? QStringLiteral("high") : QStringLiteral("low"), p.alarmLevelLabel,
                  p.alarmDurationLabel)
        : QStringLiteral("disabled");
    const QList<std::pair<const char*, QString>> rows{
        {"Clock error", clock},
        {"Pump", RunText(p.pump)},
        {"Valve", RunText(p.valve)},
        {"Sample at", p.sampleAtButtonPress ? QStringLiteral("button press") : QStringLiteral("time zero")},
        {"Alarm", alarm},
        {"Key lock", keyLock ? OnOff(*keyLock) : QStringLiteral("unknown")},
        {"Auto-off blocked", OnOff(p.autoOffBlocked)},
        {"Save All", OnOff(p.saveAll)},
        {"Data dump", s.reading.dataDump ? OnOff(*s.reading.dataDump) : QStringLiteral("unknown")},
        {"Mode", p.modeText},
        {"Limit", p.limitText},
        {"Gate", p.gateText},
        {"mg/m^3 factor", p.mgmCaption + QStringLiteral(" (") + p.mgmTooltip + QLatin1Char(')')},
        {"Manufactured", DateText(p.manufactured)},
        {"Serviced", DateText(p.serviced)},
        {"Calibrated", DateText(p.calibrated)},
        {"Calibration", SummaryLines(p.calibrationSummary).join(QStringLiteral("\n  "))},
    };
    for (const auto& [name, value] : rows)
        PrintLine(QString::fromLatin1(name) + QStringLiteral(": ") + value);
    return int(ExitOk);
}

int SetClock(CliSession& session, const QStringList& arguments, const QCommandLineParser&)
{
    if (arguments.value(0) != QLatin1String("set")) {
        session.error(QStringLiteral("usage: tolvi-cli clock set"));
        return ExitUsage;
    }
    const int status = session.connect();
    if (status != ExitOk)
        return status;
    SettingsSession s(session);
    return OutcomeStatus(session, SetClockToPcTime(s.context));
}

}

// Connects and shows what the Settings page shows.
CliCommand SettingsCommand()
{
    CliCommand command;
    command.name = QStringLiteral("settings");
    command.arguments = QStringLiteral("show");
    command.summary = QStringLiteral("Show the Settings page: clock error, pump and valve, alarm, switches, "
                                     "mode, limit, gate, mg/m^3 factor, dates and calibration (--json).");
    command.options = {QCommandLineOption(QStringLiteral("json"), QStringLiteral("schedule show, settings show, summary: as JSON."))};
    command.minArguments = command.maxArguments = 1;
    command.run = ShowSettings;
    return command;
}

// Sets the instrument clock to the PC's time.
CliCommand ClockCommand()
{
    CliCommand command;
    command.name = QStringLiteral("clock");
    command.arguments = QStringLiteral("set");
    command.summary = QStringLiteral("Set the instrument clock to the PC's time (asks while a schedule runs).");
    command.minArguments = command.maxArguments = 1;
    command.run = SetClock;
    return command;
}
