#pragma once
#include "SerialDevice.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>
#include <array>
#include <optional>

class SessionLog;
class PortMap;

// The serial port table (modCOMM): 256 numbered entries, each a serial
// device opened, set up, flushed, read, written and closed through plain
// integer status codes; nothing raises. Reads never block: a read takes
// only what the device has already queued. Waiting for input is a separate,
// deadline-bounded call (CommWaitForInput).
//
// The platform work sits behind SerialDevice (POSIX termios in
// SerialDevicePosix.cpp); this class keeps the table and its rules.
// Used from one thread at a time (the instrument thread).
class SerialPortTable {
public:
    static constexpr int FirstId = 1;
    static constexpr int LastId = 256;

    // Status codes. Platform error codes (errno values here) are positive.
    enum Status : int {
        CommSuccess = 0,
        CommInUse = -1,     // CommOpen: the entry is already open
        CommFailure = -1,   // read, write, queue count, bad port ID
    };

    // Either way the instrument expects its line: 9600 baud, 8 data bits, no parity, 1 stop bit.
    static inline const QString InstrumentSettings = QStringLiteral("baud=9600 parity=N data=8 stop=1");

    SerialPortTable(SessionLog& log, PortMap& portMap);
    ~SerialPortTable();   // closes every open entry
    SerialPortTable(const SerialPortTable&) = delete;
    SerialPortTable& operator=(const SerialPortTable&) = delete;

    // Opens entry id on a device. A name that is a bare port number n is
    // rewritten to n's device path (the caller's variable receives it).
    // A device that exists but cannot be opened is logged as COMAvailable does.
    // 0 on success, CommInUse when the entry is open, else the platform error code.
    int CommOpen(int id, QString& name, const QString& settings);
    // 0 (also when the entry was not open), or the platform error code.
    int CommClose(int id);
    // Closes every open entry from 1 to 256 in order.
    void CommCloseAll();
    // Discards both queues. 0 or the platform error code.
    int CommFlush(int id);
    // Reads what is queued: all of it (size 0) or at most size bytes.
    // The count read (0 when nothing is queued, at once), CommFailure on failure.
    int CommRead(int id, QByteArray& data, qint32 size);
    // Writes size bytes of data; size 0 means all of data and is set to its length.
    // The count written, CommFailure on failure.
    int CommWrite(int id, const QByteArray& data, qint32& size);
    bool CommIsOpen(int id) const;
    // Bytes waiting in the input queue, CommFailure on failure.
    int CommGetQueue(int id);
    // The name the entry was last opened under (kept after a close; empty before the first open).
    QString CommPortName(int id) const;
    // True when port number's device can be opened at this moment; a probe
    // that does not use the table. A failure other than "no such device"
    // logs two level-254 lines with the system's error text.
    bool COMAvailable(int port);

    // Blocks until input is queued on entry id, the deadline passes, or wake
    // (may be null) is signalled. Returns Readable, TimedOut, Woken, or
    // Failed (entry closed, device gone or hung up).
    SerialDevice::WaitResult CommWaitForInput(int id, QDeadlineTimer deadline, const WakeUp* wake = nullptr);

    PortMap& portMap() { return portMap_; }

    // "<device> is in use by another program." when the last try to open or
    // probe that device failed because another program holds it; nothing
    // otherwise (also once the device opened since).
    std::optional<QString> busyText(const QString& devicePath) const;

private:
    struct Entry {
        SerialDevice::Handle handle = SerialDevice::InvalidHandle;
        QString name;
        bool open = false;
    };
    Entry* entry(int id);
    const Entry* entry(int id) const;
    void logOpenError(const QString& path, int error);

    SessionLog& log_;
    PortMap& portMap_;
    std::array<Entry, LastId + 1> entries_{};   // index 0 unused
    QString lastFailedPath_;                     // the device of the last failed open or probe
    int lastFailure_ = 0;                        // its error code
};
