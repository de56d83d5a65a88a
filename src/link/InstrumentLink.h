#pragma once
#include "ExchangeOutcome.h"
#include "FirmwareFlags.h"
#include "FrameAssembler.h"
#include "NetworkTransport.h"
#include "ProtocolTiming.h"
#include "SerialPortTable.h"
#include "SerialTransport.h"
#include "SoftTimers.h"

#include <QByteArray>
#include <QDateTime>
#include <QMutex>
#include <atomic>
#include <optional>

class SessionLog;
class PortMap;
class Prompts;
class CancelToken;

// The instrument link (tolviM): the link state and the request/reply
// exchange over the serial port (table entry 1) or the network socket, both
// behind LinkTransport; which one is used is decided in one place
// (transport()), by the serial or network choice.
//
// Threading: every exchange runs on the instrument thread with
// deadline-bounded blocking waits (poll on the serial device or the socket,
// together with the cancel token's wake-up); nothing spins. Only one exchange
// runs at a time: a SendMessage or IncommingMessage started while another is
// in progress (from another thread) is refused at once, SendMessage with
// result NotSent, and a level-253 line is logged. The accessors may be
// called from any thread.
class InstrumentLink {
public:
    using SendResult = ExchangeOutcome::Result;
    using enum ExchangeOutcome::Result;

    static constexpr int LinkPortId = 1;

    InstrumentLink(SessionLog& log, PortMap& portMap);
    ~InstrumentLink();
    InstrumentLink(const InstrumentLink&) = delete;
    InstrumentLink& operator=(const InstrumentLink&) = delete;

    // Sends a composed frame; with wait, waits up to timeoutSeconds for the
    // reply, which the outcome carries. Never retries.
    ExchangeOutcome SendMessage(const QByteArray& frame, bool wait, double timeoutSeconds);
    // True when a reply (length character + payload + checksum) is rejected.
    // A "CJ03" reply is corrected in place.
    bool ErrorInMessage(QByteArray& message);
    // The streaming receive (the bulk slot stream): waits up to waitMs for a
    // whole message and returns it as it arrived (length character, payload,
    // checksum; unchecked). Bytes after it, and a message begun, are kept
    // for the next call. Without a message it returns after waitMs, never
    // sooner (also on a closed or broken link) and never later (also while
    // bytes keep coming that complete no message), so a caller may loop on it
    // until its own deadline without spinning; a cancel request ends it at once.
    std::optional<QByteArray> IncommingMessage(int waitMs = 0);
    // Throws away what has arrived and not been taken (the rest of a stream).
    void DiscardInput();
    // Opens the link on a port-list entry without sending anything, and uses
    // that transport from then on: a "net://host:port" entry connects to
    // that bridge, a serial entry ("COM Port 7") opens that port as entry 1.
    // The port open: the serial port (the one open before, when the entry's
    // could not be opened), 0 for a bridge; nothing when none is open.
    std::optional<int> open(const QString& entry);
    // Closes the line, serial or network, and goes back to serial.
    void close();
    // Port 0 closes the link; another number opens that serial port as entry 1.
    // On return port holds the port open, or -1 when none could be opened.
    void PickComms(int& port);
    void StartComms();
    // Closes every serial port.
    void StopComms();
    // Sleeps for seconds; a cancel request cuts it short.
    void WaitFor(double seconds);

    // Whether a line to an instrument is open (serial or network) and an
    // exchange could be sent; false after a disconnect.
    bool isOpen() { return transportReady(); }

    bool useNetwork() const { return useNetwork_.load(); }
    // The transport choice alone (open() makes it from the entry); the link's
    // own tests drive a transport directly.
    void setUseNetwork(bool network) { useNetwork_.store(network); }

    // When the last exchange that found the link usable ended; invalid before the first.
    QDateTime lastCommsAt() const;
    void setLastCommsAt(const QDateTime& at);

    FirmwareFlags& firmwareFlags() { return firmwareFlags_; }
    SerialPortTable& ports() { return ports_; }
    NetworkTransport& network() { return network_; }
    SoftTimers& timers() { return timers_; }
    SessionLog& log() { return log_; }

    // The fixed waits of every exchange and procedure on this link; the real
    // ones unless the session (or a test) gives others before the first exchange.
    const ProtocolTiming& timing() const { return timing_; }
    void setTiming(const ProtocolTiming& timing) { timing_ = timing; }

    // A cancel request on the token ends WaitFor and a reply wait at once,
    // the latter with result NoReply.
    void setCancelToken(CancelToken* token) { cancel_ = token; }
    // Where unexpected failures are shown; without prompts they are only logged.
    void setPrompts(Prompts* prompts);

private:
    LinkTransport& transport();
    bool transportReady();
    ExchangeOutcome exchange(const QByteArray& frame, bool wait, double timeoutSeconds);
    void awaitReply(LinkTransport& transport, double timeoutSeconds, ExchangeOutcome& outcome);
    qsizetype readInto(LinkTransport& transport);
    std::optional<QByteArray> nextMessage();
    WaitResult waitReadable(LinkTransport& transport, const QDeadlineTimer& deadline);
    void sleepUntil(const QDeadlineTimer& deadline);
    template <typename Wait>
    WaitResult cancellableWait(Wait wait);
    void reportFailure(const char* procedure, const QString& description);
    bool cancelled() const;

    SessionLog& log_;
    Prompts* prompts_ = nullptr;
    CancelToken* cancel_ = nullptr;
    SoftTimers timers_;
    SerialPortTable ports_;
    SerialTransport serial_{ports_, LinkPortId};
    NetworkTransport network_;
    FirmwareFlags firmwareFlags_;
    ProtocolTiming timing_;

    QMutex exchangeMutex_;               // held for the whole of one exchange or receive
    FrameAssembler incoming_;            // what has arrived and is not yet taken; under exchangeMutex_
    int droppedSeen_ = 0;                // over-long messages already logged
    mutable QMutex stateMutex_;          // lastCommsAt_
    QDateTime lastCommsAt_;
    std::atomic<bool> useNetwork_{false};
};
