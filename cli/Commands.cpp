#include "Commands.h"

const QList<CliCommand>& AllCommands()
{
    static const QList<CliCommand> commands{
        PortsCommand(),
        InfoCommand(),
        SendCommand(),
        DownloadCommand(),
        EraseCommand(),
        TechFileCommand(),
    };
    return commands;
}
