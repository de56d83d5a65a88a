#pragma once
#include "FirmwareFlags.h"
#include "NetworkTransport.h"
#include "SerialPortTable.h"
#include "SoftTimers.h"

#include <QByteArray>
#include <QDateTime>
#include <QMutex>
#include <QWaitCondition>
#include <atomic>

class SessionLog;
class PortMap;
class Prompts;
class CancelToken;

// The instrument link (tolviM): the link state and the request/reply
// exchange over the serial port (table entry 1) or the network socket.
//
// Threading: every exchange runs on the instrument thread with
// deadline-bounded blocking waits (poll on the serial device,
// waitForReadyRead on the socket); nothing spins. Only one exchange runs at
// a time: a SendMessage or IncommingMessage started while another is in
// progress (from another thread) is refused at once, SendMessage with result
// NotSent, and a level-253 line is logged. The accessors may be called from
// any thread.
class InstrumentLink {
public:
    // SendMessage results.
    enum SendResult : int {
        NotSent = 0,        // link not open, empty frame, short serial write, or refused
        Sent = 1,           // sent, no reply awaited
        ReplyOk = 2,        // a reply arrived and passed ErrorInMessage
        NoReply = 3,        // no complete reply within the timeout
        ReplyRejected = 4,  // a reply arrived and ErrorInMessage rejected it
    };

    static constexpr int LinkPortId = 1;
    static constexpr char MsgStartChar = 2;
    static constexpr char MsgEndChar = 13;
    // How long IncommingMessage on the network waits for the rest of a begun message.
    static constexpr int RestOfMessageMs = 2000;

    InstrumentLink(SessionLog& log, PortMap& portMap);
    ~InstrumentLink();
    InstrumentLink(const InstrumentLink&) = delete;
    InstrumentLink& operator=(const InstrumentLink&) = delete;

    // Sends a composed frame; with wait, waits up to timeoutSeconds for the
    // reply. The reply (without start and end characters) is in
    // receivedMessage() on ReplyOk and ReplyRejected. Never retries.
    int SendMessage(const QByteArray& frame, bool wait, double timeoutSeconds);
    // True when a reply (length character + payload + checksum) is rejected.
    // A "CJ03" reply is corrected in place.
    bool ErrorInMessage(QByteArray& message);
    // Takes in what has arrived and assembles messages; a completed one goes
    // to receivedMessage() with messageComplete() set (only when it was clear).
    // Waits up to waitMs for the first byte; with nothing to read (also on a
    // closed or broken link) it returns after waitMs, never sooner, so a
    // caller may loop on it until its own deadline without spinning.
    void IncommingMessage(int waitMs = 0);
    // Port 0 closes the link; another number opens that serial port as entry 1.
    // On return port holds the port open, or -1 when none could be opened.
    void PickComms(int& port);
    void StartComms();
    // Closes every serial port.
    void StopComms();
    // Sleeps for seconds; a cancel request cuts it short.
    void WaitFor(double seconds);

    QByteArray receivedMessage() const;
    // Sets both the received and the checked copy.
    void setReceivedMessage(const QByteArray& message);
    // The last reply as the check left it: the same as receivedMessage()
    // except for a repaired "CJ03" sample-memory reply, which is held here with
    // its length character and checksum corrected. Readers that test a reply's
    // prefix use this copy, so replies of the affected firmware are readable.
    QByteArray checkedMessage() const;
    bool messageComplete() const { return messageComplete_.load(); }
    void setMessageComplete(bool complete) { messageComplete_.store(complete); }
    bool useNetwork() const { return useNetwork_.load(); }
    void setUseNetwork(bool network) { useNetwork_.store(network); }

    // When the last exchange that found the link usable ended; invalid before the first.
    QDateTime lastCommsAt() const;
    void setLastCommsAt(const QDateTime& at);
    // The same as seconds since local midnight (0 before the first exchange).
    float lastCommsTime() const;

    FirmwareFlags& firmwareFlags() { return firmwareFlags_; }
    SerialPortTable& ports() { return ports_; }
    NetworkTransport& network() { return network_; }
    SoftTimers& timers() { return timers_; }
    SessionLog& log() { return log_; }

    // A cancel request ends WaitFor (it looks at the token at least every
    // 100 ms, at once after interruptWaits()) and ends a reply wait at its
    // next byte or at its deadline, with result NoReply.
    void setCancelToken(CancelToken* token) { cancel_ = token; }
    void interruptWaits() { sleepCondition_.wakeAll(); }
    // Where unexpected failures are shown; without prompts they are only logged.
    void setPrompts(Prompts* prompts);

private:
    void setCheckedMessage(const QByteArray& message);
    int exchange(const QByteArray& frame, bool wait, double timeoutSeconds);
    bool linkUsable(const QByteArray& frame);
    void discardPendingInput();
    bool writeFrame(const QByteArray& frame);
    int awaitReply(double timeoutSeconds);
    bool nextByte(char& byte, const QDeadlineTimer& deadline);
    void sleepUntil(const QDeadlineTimer& deadline);
    void takeByte(char byte);
    void incomingSerial(int waitMs);
    void incomingNetwork(int waitMs);
    void reportFailure(const char* procedure, const QString& description);
    bool cancelled() const;

    SessionLog& log_;
    Prompts* prompts_ = nullptr;
    CancelToken* cancel_ = nullptr;
    SoftTimers timers_;
    SerialPortTable ports_;
    NetworkTransport network_;
    FirmwareFlags firmwareFlags_;

    QMutex exchangeMutex_;               // held for the whole of one exchange
    mutable QMutex stateMutex_;          // receivedMessage_, lastCommsAt_
    QByteArray receivedMessage_;
    QByteArray checkedMessage_;
    QDateTime lastCommsAt_;
    std::atomic<bool> messageComplete_{false};
    std::atomic<bool> useNetwork_{false};
    QByteArray rxBuffer_;                // the message IncommingMessage is assembling

    QMutex sleepMutex_;
    QWaitCondition sleepCondition_;
};
