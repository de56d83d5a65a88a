#pragma once
// The commands of tolvi-cli, one file each, listed in one table.
//
// To add a command:
//   1. write cli/<Name>Command.cpp defining  CliCommand <Name>Command()  that
//      fills the CliCommand below (name, argument synopsis, one-line summary,
//      its own options if any, argument counts, and run);
//   2. declare it in the list below and add it to the table in Commands.cpp
//      (the table's order is the order --help lists them in).
// run() gets the session (already started: data folder, log, settings,
// prompts, link and main-window model) and returns an ExitCode. A command
// that needs the instrument calls session.connect() first and returns its
// status when that is not ExitOk. Normal output goes to stdout; an error is
// one line through session.error(). Confirmations and passwords go through
// session.services().prompts (answered by --yes / --password, the terminal,
// or refused: return session.failureStatus(ExitFailed) then).
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class CliSession;

struct CliCommand {
    QString name;                          // "send"
    QString arguments;                     // synopsis of its arguments: "PAYLOAD"
    QString summary;                       // one line for --help
    QList<QCommandLineOption> options;     // options only this command reads
    int minArguments = 0;
    int maxArguments = 0;
    std::function<int(CliSession& session, const QStringList& arguments, const QCommandLineParser& parser)> run;
};

CliCommand PortsCommand();
CliCommand InfoCommand();
CliCommand SendCommand();
CliCommand DownloadCommand();
CliCommand CollectCommand();
CliCommand EraseCommand();
CliCommand ScheduleCommand();
CliCommand UpdateCommand();
CliCommand SettingsCommand();
CliCommand ClockCommand();
CliCommand PumpValveCommand();
CliCommand AlarmCommand();
CliCommand SwitchesCommand();
CliCommand RefreshSensorCommand();
CliCommand ReportCommand();
CliCommand OffsetsCommand();
CliCommand TechFileCommand();
CliCommand ArchiveCommand();
CliCommand SummaryCommand();

// Every command, in the order --help lists them.
const QList<CliCommand>& AllCommands();
