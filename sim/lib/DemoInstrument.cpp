#include "DemoInstrument.h"

#include "link/PortMap.h"
#include "link/PortMapSettings.h"
#include "shell/SessionLog.h"

#include <stdexcept>

DemoInstrument StartDemoInstrument(PortMap& portMap, SessionLog& log)
{
    const int port = FreePortNumber(portMap);
    if (port < 0)
        throw std::runtime_error("no free port number for it");
    DemoInstrument demo{std::make_unique<SimHost>(DefaultSimScenario()), port};
    portMap.addOverride(port, demo.host->ptyPath());
    log.debugMessage(QStringLiteral("Simulated instrument on COM%1 (%2)").arg(port).arg(demo.host->ptyPath()),
        SessionLog::Detail);
    return demo;
}
