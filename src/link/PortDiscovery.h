#pragma once
#include "link/SettingsStore.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

struct Services;

// What a port scan reads, supplied by whoever owns it: the main-window model
// wires the settings store and the serial port table, tests a fixed device
// list and real pseudo-terminals.
struct PortScanSources {
    // The platform's serial device list as the settings store reads it:
    // returns 0 (found), 2 (no such list) or another failure code, and fills
    // pairs with "internal name=COMn" elements, each ended by a NUL.
    std::function<int(QString& pairs)> readDeviceMap;
    // Whether port n can be opened at this moment (the serial table's probe).
    std::function<bool(int port)> portAvailable;
    // A value of section "LastRemote" of "user.txt" ("Address", "Port"),
    // "Unknown" when missing.
    std::function<QString(const QString& key)> lastRemote;
    // What port n is, shown after its "COM Port n" entry: its device path
    // and, for a USB adapter, the adapter's name ("/dev/ttyUSB0 FT232R USB
    // UART"). Unset or empty: the entry is the bare "COM Port n".
    std::function<QString(int port)> describePort;
    // The port table: the serial devices present at this moment, each with
    // its port number. Read without opening anything, so it may be read
    // from any thread and as often as the port watcher asks; an adapter
    // plugged in or out shows here first.
    std::function<QList<PresentSerialDevice>()> presentDevices;
};

// The port list after a scan, and the text its edit box shows.
struct PortList {
    QStringList entries;
    QString editText;
};

namespace PortEntry {
inline const QString Separator = QStringLiteral("----------------------------");   // 28 hyphens
inline const QString PleaseSelect = QStringLiteral("Please select...");
inline const QString NetworkPrefix = QStringLiteral("net://");

QString serial(int port);                       // "COM Port " + port
// The list's entry for a serial port: "COM Port n - " + description, or the
// bare "COM Port n" without one. The number stays right after "COM Port ",
// where the connection steps read it.
QString describedSerial(int port, const QString& description);
QString network(const QString& address, const QString& port);
bool isSeparator(const QString& entry);         // first character "-"
bool isNetwork(const QString& entry);           // begins "net://"
// The port number that follows the ninth character of a serial entry; 0 for
// any entry that is not a serial port (separators, the network entry).
int portNumber(const QString& entry);
// Where the serial port `port` stands in a port list, whatever description
// follows its number; -1 when it is not listed.
qsizetype indexOf(const QStringList& entries, int port);
}

// Host and port of a "net://" entry: the host is the text after "net://" up
// to the first ":", the port the number after that ":" (0 when none).
struct NetworkAddress {
    static constexpr int HighestPort = 65535;

    QString host;
    int port = 0;

    // Names a host and a TCP port a connection can be made to.
    bool usable() const { return !host.isEmpty() && port > 0 && port <= HighestPort; }
};
std::optional<NetworkAddress> ParseNetworkEntry(const QString& entry);

// The integer at the start of a text, after leading blanks ("12" -> 12,
// "7abc" -> 7, "" -> 0); the number rule of entries and device names.
int LeadingNumber(QStringView text);

// Rebuilds the port list: registered devices that can be opened (USB virtual
// ports first), a separator, further ports found by probing first..last, and
// the last network bridge used.
PortList ScanForPorts(int first, int last, const PortScanSources& sources, Services& services);

// The list after a new network connection: entry is its bridge (at the end,
// after a separator, in place of an earlier one) and the edit box's text.
PortList WithNetworkEntry(const PortList& list, const QString& entry);
