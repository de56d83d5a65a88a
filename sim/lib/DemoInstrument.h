#pragma once
#include "SimHost.h"

#include <memory>

class PortMap;
class SessionLog;

// The built-in simulated instrument of the demo modes, on a pseudo-terminal
// entered in the port map under a free port number.
struct DemoInstrument {
    std::unique_ptr<SimHost> host;
    int port = 0;   // its port number ("COM Port <port>" in the port list)

    explicit operator bool() const { return host != nullptr; }
};

// Starts the default scenario and enters it in portMap; throws
// std::runtime_error when its line cannot be opened or no port number is free.
DemoInstrument StartDemoInstrument(PortMap& portMap, SessionLog& log);
