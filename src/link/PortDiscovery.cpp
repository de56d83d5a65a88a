#include "PortDiscovery.h"

#include "shell/Bits.h"
#include "shell/Prompts.h"
#include "shell/Services.h"
#include "shell/SessionLog.h"

namespace {

const QString SerialPrefix = QStringLiteral("COM Port ");

const QString NoPortsBalloon = QStringLiteral(
    "No COM ports have been found on your PC - if you are using USB adaptors"
    " then check that they are properly installed with port numbers less than 16"
    " before trying the 'Rescan PC for new ports' button");

// One "name=data" element of the device list, or nothing when it is not a
// well-formed pair: its first "=" must stand at position 6 or later.
std::optional<std::pair<QString, QString>> devicePair(const QString& element)
{
    const qsizetype eq = element.indexOf(QLatin1Char('='));
    if (element.isEmpty() || eq < 5)
        return std::nullopt;
    const QStringList parts = element.split(QLatin1Char('='));
    if (parts.size() != 2)
        return std::nullopt;
    return std::make_pair(parts[0], parts[1]);
}

// The driver name and index: the value name after the first "\" from its
// second character on ("\Device\VCP0" gives "VCP0").
QString driverName(const QString& valueName)
{
    const qsizetype slash = valueName.indexOf(QLatin1Char('\\'), 1);
    return slash < 0 ? valueName : valueName.mid(slash + 1);
}

bool listsPort(const QStringList& entries, int port)
{
    return PortEntry::indexOf(entries, port) >= 0;
}

bool onlySeparators(const QStringList& entries)
{
    return std::all_of(entries.begin(), entries.end(), PortEntry::isSeparator);
}

} // namespace

int LeadingNumber(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    qint64 value = 0;
    for (; i < text.size() && text[i].isDigit() && value < 1000000000; ++i)
        value = value * 10 + text[i].digitValue();
    return int(value);
}

namespace PortEntry {

QString serial(int port) { return SerialPrefix + QString::number(port); }

QString describedSerial(int port, const QString& description)
{
    return description.isEmpty() ? serial(port) : serial(port) + QStringLiteral(" - ") + description;
}

QString network(const QString& address, const QString& port)
{
    return NetworkPrefix + address + QLatin1Char(':') + port;
}

bool isSeparator(const QString& entry) { return entry.startsWith(QLatin1Char('-')); }

bool isNetwork(const QString& entry) { return entry.startsWith(NetworkPrefix); }

int portNumber(const QString& entry)
{
    // Only serial entries carry a port number; reading the network entry the
    // same way would turn a numeric host ("net://192.168...") into a port.
    if (!entry.startsWith(SerialPrefix))
        return 0;
    return LeadingNumber(QStringView(entry).mid(SerialPrefix.size()));
}

qsizetype indexOf(const QStringList& entries, int port)
{
    for (qsizetype i = 0; i < entries.size(); ++i)
        if (!isSeparator(entries[i]) && portNumber(entries[i]) == port)
            return i;
    return -1;
}

} // namespace PortEntry

std::optional<NetworkAddress> ParseNetworkEntry(const QString& entry)
{
    if (!PortEntry::isNetwork(entry))
        return std::nullopt;
    const QString rest = entry.mid(PortEntry::NetworkPrefix.size());
    const qsizetype colon = rest.indexOf(QLatin1Char(':'));
    NetworkAddress address;
    address.host = colon < 0 ? rest : rest.left(colon);
    address.port = colon < 0 ? 0 : LeadingNumber(QStringView(rest).mid(colon + 1));
    return address;
}

PortList ScanForPorts(int first, int last, const PortScanSources& sources, Services& services)
{
    SessionLog& log = services.log;
    log.debugMessage(QStringLiteral("Scanning free COMM ports between %1 and %2.").arg(first).arg(last),
        SessionLog::Detail);

    const auto entryFor = [&sources](int port) {
        return PortEntry::describedSerial(port, sources.describePort ? sources.describePort(port) : QString());
    };
    PortList list;
    QString pairs;
    const int status = sources.readDeviceMap(pairs);
    if (status != 0 && status != 2) {
        services.prompts.message(Prompts::Icon::Critical, QStringLiteral("Error searching the Registry!"),
            services.appCaption);
        log.debugMessage(QStringLiteral("Error searching the registry (0x") + HexL(status, 4) + QLatin1Char(')'),
            SessionLog::Error);
        return list;
    }

    QStringList& entries = list.entries;
    if (status == 0) {
        for (const QString& element : pairs.split(QChar(0))) {
            const auto pair = devicePair(element);
            if (!pair)
                continue;
            const QString device = driverName(pair->first);
            const int port = LeadingNumber(QStringView(pair->second).mid(3));
            if (!sources.portAvailable(port) || port < first || port > last)
                continue;
            if (device.contains(QStringLiteral("VCP")))
                entries.prepend(entryFor(port));
            else
                entries.append(entryFor(port));
            log.debugMessage(QStringLiteral("Found ") + device + QStringLiteral(" on \\\\.\\COM") + QString::number(port),
                SessionLog::Query);
        }
    }
    entries.append(PortEntry::Separator);

    for (int p = first; p <= last; ++p) {
        if (!sources.portAvailable(p) || listsPort(entries, p))
            continue;
        log.debugMessage(QStringLiteral("\\\\.\\COM%1 Also available.").arg(p), SessionLog::Note);
        entries.append(entryFor(p));
    }

    const QString address = sources.lastRemote(QStringLiteral("Address"));
    const QString port = sources.lastRemote(QStringLiteral("Port"));
    const QString unknown = QStringLiteral("Unknown");
    if (address != unknown || port != unknown) {
        entries.append(PortEntry::Separator);
        entries.append(PortEntry::network(address, port));
    }

    // A list holding nothing but the separator offers nothing to pick: show
    // it empty and say why.
    if (onlySeparators(entries)) {
        entries.clear();
        services.prompts.balloon(NoPortsBalloon, services.appCaption, Prompts::Icon::Exclamation, 10000);
    }
    list.editText = PortEntry::PleaseSelect;
    return list;
}

PortList WithNetworkEntry(const PortList& list, const QString& entry)
{
    PortList shown{list.entries, entry};
    if (!shown.entries.isEmpty() && PortEntry::isNetwork(shown.entries.last()))
        shown.entries.removeLast();
    else
        shown.entries.append(PortEntry::Separator);
    shown.entries.append(entry);
    return shown;
}
