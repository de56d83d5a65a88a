#include "CliSession.h"
#include "Commands.h"
#include "ExitCode.h"
#include "link/InstrumentLink.h"
#include "link/PortDiscovery.h"
#include "link/PortMap.h"
#include "link/SerialPermission.h"
#include "session/InstrumentSession.h"

#include <cstdio>

// The port list as the main window shows it, one entry a line, then the
// ports this user may not open, each marked "(DEVICE: no permission)".
CliCommand PortsCommand()
{
    CliCommand command;
    command.name = QStringLiteral("ports");
    command.summary = QStringLiteral("List the ports an instrument can be connected on, as the port list shows them.");
    command.run = [](CliSession& session, const QStringList&, const QCommandLineParser&) {
        for (const QString& entry : session.instrumentSession().scanPorts().entries)
            std::fputs((entry + QLatin1Char('\n')).toLocal8Bit().constData(), stdout);
        // Devices this user may not open are left out of the list above;
        // they are marked here, and stderr says how to get access to each.
        const QList<DeniedPort> denied = DeniedSerialPorts(session.link().ports().portMap());
        for (const DeniedPort& port : denied)
            std::fputs((PortEntry::serial(port.port) + QStringLiteral(" (") + port.device
                           + QStringLiteral(": no permission)\n")).toLocal8Bit().constData(),
                stdout);
        for (const DeniedPort& port : denied)
            session.error(port.text);
        return int(ExitOk);
    };
    return command;
}
