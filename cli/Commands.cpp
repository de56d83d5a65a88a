#include "Commands.h"

const QList<CliCommand>& AllCommands()
{
    static const QList<CliCommand> commands{
        PortsCommand(),
        InfoCommand(),
        SendCommand(),
        DownloadCommand(),
        CollectCommand(),
        EraseCommand(),
        ScheduleCommand(),
        UpdateCommand(),
        SettingsCommand(),
        ClockCommand(),
        PumpValveCommand(),
        AlarmCommand(),
        SwitchesCommand(),
        RefreshSensorCommand(),
        ReportCommand(),
        OffsetsCommand(),
        TechFileCommand(),
        ArchiveCommand(),
        SummaryCommand(),
    };
    return commands;
}
