#pragma once
#include "data/MemoryDownload.h"
#include "instrument/DownloadTable.h"
#include "instrument/InstrumentInfo.h"
#include "link/PortDiscovery.h"
#include "session/ConnectionControl.h"
#include "session/KeepAlive.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <optional>

class CancelToken;
class InstrumentLink;
class OperationObserver;
struct Services;

// The connection to the instrument as both front ends hold it: the link
// opened on a port entry (a serial port or "net://host:port"), the
// instrument record and the downloaded slots, and the calls that connect,
// keep the connection alive and disconnect.
//
// The calls talk to the instrument and are synchronous: the window runs them
// on its instrument thread and MainModel turns their outcomes into the
// window's state; the command line calls them directly and prints what they
// read. Questions and notices go to the services' prompts.
class InstrumentSession {
public:
    InstrumentSession(Services& services, InstrumentLink& link, PortScanSources portSources);

    // The instrument record and downloaded slots; touch them only on the
    // thread that runs the calls, or between calls.
    InstrumentInfo& instrument() { return info_; }
    DownloadTable& downloads() { return downloads_; }
    Services& services() { return services_; }
    InstrumentLink& link() { return link_; }

    // Debug mode: the service terminal drives the link, and the connection
    // reads neither the clock nor the memory nor the schedule.
    void setTerminalDebug(bool on) { terminalDebug_ = on; }
    bool terminalDebug() const { return terminalDebug_; }

    // The ports an instrument may be connected on, as the port list shows them.
    PortList scanPorts();
    // The port table (PortScanSources::presentDevices): the serial devices
    // present now; opens nothing, so any thread may ask.
    QList<PresentSerialDevice> presentPorts() const;

    // Opens the link on entry and asks whether an instrument answers: the
    // port in use (0 for a network bridge), or nothing after saying why
    // (PortProblemText) with the link closed.
    std::optional<int> reach(const QString& entry);
    // Every entry in turn (trying hears of each) until an instrument answers
    // on one: that port, or nothing after saying that none answered, with
    // the link closed.
    std::optional<int> reachAny(const QStringList& entries, const std::function<void(const QString&)>& trying);
    // A network bridge confirmed in the remote-instrument dialog; nothing
    // after saying that no instrument answered there, with the link closed.
    std::optional<int> reachNetwork(const QString& host, int port);
    // Reads the instrument that answered (connection control).
    ConnectionReport readInstrument();
    // reach, then readInstrument: ConnectOutcome says how far it came.
    enum class ConnectOutcome { NoInstrument, Incomplete, Connected };
    ConnectOutcome connect(const QString& entry);
    ConnectOutcome connectAny();
    // Whether the last connection ran all of connection control's steps.
    bool connectionComplete() const { return complete_; }

    // A download's context on this connection: the record and the table it fills.
    DownloadContext downloadContext(OperationObserver& observer, CancelToken& cancel);
    // Reads the sample memory's details again; false (said) when no
    // instrument is connected.
    bool readMemoryDetails();

    // The keep-alive's tick (KeepAliveTick) on this connection.
    KeepAliveOutcome keepAlive(const QDateTime& now);
    // Closes the line, serial or network.
    void disconnect();

    // Opens the link on entry without sending anything; false after saying
    // why (PortProblemText).
    bool open(const QString& entry);

    // Why no instrument answered on entry, for the user: the program that
    // holds its device, the access this user lacks, or the cable and power.
    QString portProblemText(const QString& entry);

private:
    ConnectionContext context();
    void tellPortProblem(const QString& entry);

    Services& services_;
    InstrumentLink& link_;
    PortScanSources portSources_;
    InstrumentInfo info_;
    DownloadTable downloads_;
    std::atomic<bool> terminalDebug_{false};   // set from the GUI thread, read by the calls
    std::atomic<bool> complete_{false};
};
