#include "CliSession.h"
#include "Commands.h"
#include "ExitCode.h"
#include "session/MainModel.h"

#include <cstdio>

// The port list as the main window shows it, one entry a line.
CliCommand PortsCommand()
{
    CliCommand command;
    command.name = QStringLiteral("ports");
    command.summary = QStringLiteral("List the ports an instrument can be connected on, as the port list shows them.");
    command.run = [](CliSession& session, const QStringList&, const QCommandLineParser&) {
        session.model().rescanPorts();
        for (const QString& entry : session.model().portEntries())
            std::fputs((entry + QLatin1Char('\n')).toLocal8Bit().constData(), stdout);
        return int(ExitOk);
    };
    return command;
}
