#pragma once
#include "SimEngine.h"

#include <QString>
#include <atomic>
#include <memory>
#include <thread>

struct SimHostOptions {
    bool pty = true;            // serve a pseudo-terminal (its slave is the instrument's serial port)
    bool tcp = false;           // serve a TCP port (the network serial bridge)
    quint16 tcpPort = 0;        // 0: any free port
    bool tcpAnyAddress = false; // listen on every interface, not only the loopback
};

// Runs a simulated instrument on its own thread: the engine behind a
// pseudo-terminal and/or a TCP server. The thread waits in poll() on the
// line, the listener and a wake-up pipe, with a timeout up to the next
// reply that falls due; it stops and everything is closed on destruction.
// The most recent line that sent something receives the replies.
//
// Over the pseudo-terminal, pace streamed slots (timing.baud or
// timing.slotDelayMs, as DefaultSimScenario does): the program's stream reader
// keeps one message at a time and drops a second one that arrived with it,
// as it would from an instrument sending faster than it reads.
//
//     SimHost sim(DefaultSimScenario());              // pseudo-terminal
//     portMap.addOverride(99, sim.ptyPath());         // then PickComms(99)
//     SimHost bridge(DefaultSimScenario(), {.pty = false, .tcp = true});
//     bridge.networkAddress();                        // "net://127.0.0.1:<port>"
class SimHost {
public:
    // Throws std::runtime_error when a transport cannot be opened.
    explicit SimHost(SimScenario scenario, SimHostOptions options = {}, SimInstrument::UtcClock utcNow = {});
    ~SimHost();
    SimHost(const SimHost&) = delete;
    SimHost& operator=(const SimHost&) = delete;

    // The pseudo-terminal's slave path (empty without one).
    QString ptyPath() const;
    // The TCP port listened on (0 without TCP).
    quint16 tcpPort() const;
    // "net://127.0.0.1:" + port, the port-list entry for the TCP server.
    QString networkAddress() const;

    SimEngine& engine() { return *engine_; }
    const SimEngine& engine() const { return *engine_; }

private:
    struct Lines;
    void run();

    std::unique_ptr<SimEngine> engine_;
    std::unique_ptr<Lines> lines_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};
