#include "session/InstrumentSession.h"

#include "instrument/LinkPresence.h"
#include "instrument/Ping.h"
#include "instrument/SampleMemory.h"
#include "link/InstrumentLink.h"
#include "link/PortMap.h"
#include "link/SerialPermission.h"
#include "shell/Prompts.h"
#include "shell/Services.h"
#include "shell/SessionLog.h"

namespace {
const QString CheckCableText = QStringLiteral("Please check the connection cable and that the ");
const QString TurnedOnText = QStringLiteral("instrument is turned on.");
}

InstrumentSession::InstrumentSession(Services& services, InstrumentLink& link, PortScanSources portSources)
    : services_(services), link_(link), portSources_(std::move(portSources))
{
}

ConnectionContext InstrumentSession::context()
{
    return ConnectionContext{services_, link_, info_, downloads_, terminalDebug_};
}

PortList InstrumentSession::scanPorts()
{
    return ScanForPorts(1, 256, portSources_, services_);
}

QList<PresentSerialDevice> InstrumentSession::presentPorts() const
{
    return portSources_.presentDevices ? portSources_.presentDevices() : QList<PresentSerialDevice>{};
}

QString InstrumentSession::portProblemText(const QString& entry)
{
    const QString device =
        PortEntry::isNetwork(entry) ? QString() : link_.ports().portMap().devicePath(PortEntry::portNumber(entry));
    // A device held by another program was never asked: say that, not that no instrument answered.
    if (const auto busy = link_.ports().busyText(device))
        return *busy + QStringLiteral("\r\nClose that program, or choose another port, and connect again.");
    // A device this user may not open needs the fix, not the cable hint.
    const auto denied = device.isEmpty() ? std::nullopt : SerialAccessProblem(device);
    return QStringLiteral("Sorry, failed to find any instruments on ") + entry + QStringLiteral(":\r\n")
        + denied.value_or(CheckCableText + TurnedOnText);
}

void InstrumentSession::tellPortProblem(const QString& entry)
{
    services_.prompts.message(Prompts::Icon::Exclamation, portProblemText(entry), services_.appCaption);
    link_.close();
    services_.log.debugMessage(QStringLiteral("Connection failed!"), SessionLog::Info);
}

std::optional<int> InstrumentSession::reach(const QString& entry)
{
    const bool network = PortEntry::isNetwork(entry);
    services_.log.debugMessage(network
            ? QStringLiteral("Attempting to connect to network instrument (manual port selection).")
            : QStringLiteral("Attempting to connect to instrument (manual port selection)."),
        SessionLog::Info);
    // A serial port is opened afresh.
    if (!network)
        link_.close();
    const std::optional<int> opened = link_.open(entry);
    // A serial entry is named as "COM Port n", without the description the list adds.
    const QString where = network ? entry : PortEntry::serial(PortEntry::portNumber(entry));
    if (!opened || !PingInstrument(link_)) {
        tellPortProblem(where);
        return std::nullopt;
    }
    services_.log.debugMessage(QStringLiteral("Instrument replied."), SessionLog::Info);
    return opened;
}

std::optional<int> InstrumentSession::reachAny(const QStringList& entries,
    const std::function<void(const QString&)>& trying)
{
    SessionLog& log = services_.log;
    link_.close();
    log.debugMessage(QStringLiteral("Auto-connection to instrument."), SessionLog::Info);
    QStringList busy;   // ports other programs hold: never asked
    for (int i = 0; i < entries.size(); ++i) {
        if (trying)
            trying(entries[i]);
        const int port = PortEntry::portNumber(entries[i]);
        const std::optional<int> opened = link_.open(PortEntry::serial(port));
        if (!opened && port > 0) {
            if (const auto text = link_.ports().busyText(link_.ports().portMap().devicePath(port)))
                busy << *text;
        }
        log.debugMessage(QStringLiteral("Trying on connection %1").arg(i), SessionLog::Spinner);
        if (opened && PingInstrument(link_)) {
            log.debugMessage(QStringLiteral("...Connection OK!"), SessionLog::Info);
            // The port actually opened: the link may have fallen back to another.
            return opened;
        }
        log.debugMessage(QStringLiteral("...Connection BAD"), SessionLog::Info);
        link_.close();
    }

    services_.prompts.balloon(QStringLiteral("Sorry, autoscan failed to find any instruments.") + QLatin1Char(' ')
            + CheckCableText.trimmed() + QLatin1Char(' ') + TurnedOnText,
        services_.appCaption, Prompts::Icon::Critical, 10000);
    // Ports this user may not open are not in the list at all: say why and how to fix it.
    if (const QList<DeniedPort> denied = DeniedSerialPorts(link_.ports().portMap()); !denied.isEmpty())
        services_.prompts.message(Prompts::Icon::Exclamation, denied.first().text, services_.appCaption);
    if (!busy.isEmpty())
        services_.prompts.message(Prompts::Icon::Exclamation, busy.join(QStringLiteral("\r\n")), services_.appCaption);
    link_.close();
    log.debugMessage(QStringLiteral("Connection failed on all ports!"), SessionLog::Info);
    return std::nullopt;
}

std::optional<int> InstrumentSession::reachNetwork(const QString& host, int port)
{
    services_.log.debugMessage(QStringLiteral("Attempting to connect to instrument (new network connection)."),
        SessionLog::Info);
    if (link_.open(PortEntry::network(host, QString::number(port))) && PingInstrument(link_)) {
        services_.log.debugMessage(QStringLiteral("Instrument replied."), SessionLog::Info);
        return 0;
    }
    services_.prompts.message(Prompts::Icon::Exclamation,
        QStringLiteral("Sorry, failed to find any instruments on ") + host + QLatin1Char(':') + QString::number(port)
            + QStringLiteral("\r\n") + CheckCableText + TurnedOnText,
        services_.appCaption);
    link_.close();
    services_.log.debugMessage(QStringLiteral("Connection failed!"), SessionLog::Info);
    return std::nullopt;
}

ConnectionReport InstrumentSession::readInstrument()
{
    ConnectionContext c = context();
    ConnectionReport report = ConnectionControl(c);
    complete_ = report.completed;
    return report;
}

InstrumentSession::ConnectOutcome InstrumentSession::connect(const QString& entry)
{
    if (!reach(entry))
        return ConnectOutcome::NoInstrument;
    return readInstrument().completed ? ConnectOutcome::Connected : ConnectOutcome::Incomplete;
}

InstrumentSession::ConnectOutcome InstrumentSession::connectAny()
{
    if (!reachAny(scanPorts().entries, {}))
        return ConnectOutcome::NoInstrument;
    return readInstrument().completed ? ConnectOutcome::Connected : ConnectOutcome::Incomplete;
}

DownloadContext InstrumentSession::downloadContext(OperationObserver& observer, CancelToken& cancel)
{
    return DownloadContext{services_, link_, info_, downloads_, observer, cancel};
}

bool InstrumentSession::readMemoryDetails()
{
    if (!InstrumentConnected(link_, services_))
        return false;
    tolviM::GetFRAMDetails(link_, services_, info_);
    return true;
}

KeepAliveOutcome InstrumentSession::keepAlive(const QDateTime& now)
{
    ConnectionContext c = context();
    return KeepAliveTick(c, now);
}

void InstrumentSession::disconnect()
{
    link_.close();
}

bool InstrumentSession::open(const QString& entry)
{
    if (link_.open(entry))
        return true;
    services_.prompts.message(Prompts::Icon::Exclamation, portProblemText(entry), services_.appCaption);
    return false;
}
