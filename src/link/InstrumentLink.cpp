#include "InstrumentLink.h"

#include "MessageCheck.h"
#include "PortMap.h"
#include "shell/ErrorReport.h"
#include "shell/Operation.h"
#include "shell/SessionLog.h"

#include <QScopeGuard>
#include <QTime>

#include <stdexcept>

namespace {
// The pause between sending a request and looking for its reply.
constexpr double PauseAfterSend = 0.1;
// How often a sleep looks at the cancel request.
constexpr int CancelCheckMs = 100;
// The fallback reopen of the previous port uses the lower-case parity letter.
const QString FallbackSettings = QStringLiteral("baud=9600 parity=n data=8 stop=1");

const QString RefusedText = QStringLiteral("Exchange refused: another exchange is in progress.");
}

InstrumentLink::InstrumentLink(SessionLog& log, PortMap& portMap)
    : log_(log), timers_(log), ports_(log, portMap), network_(log)
{
}

InstrumentLink::~InstrumentLink() = default;

void InstrumentLink::setPrompts(Prompts* prompts)
{
    prompts_ = prompts;
    timers_.setPrompts(prompts);
}

bool InstrumentLink::cancelled() const
{
    return cancel_ && cancel_->isRequested();
}

void InstrumentLink::reportFailure(const char* procedure, const QString& description)
{
    constexpr int UnexpectedFailure = 5;
    const ErrorSite site{procedure, "tolviM"};
    if (prompts_)
        ReportError(log_, *prompts_, site, UnexpectedFailure, description);
    else
        log_.debugMessage(ErrorText(UnexpectedFailure, description, 0, site), SessionLog::Error);
}

// ---- exchange ---------------------------------------------------------------

int InstrumentLink::SendMessage(const QByteArray& frame, bool wait, double timeoutSeconds)
{
    // One exchange at a time: a second one (from another thread) is refused
    // rather than queued, so it cannot take the first one's reply.
    if (!exchangeMutex_.tryLock()) {
        log_.debugMessage(RefusedText, SessionLog::Warning);
        return NotSent;
    }
    const auto unlock = qScopeGuard([this] { exchangeMutex_.unlock(); });
    if (!linkUsable(frame))
        return NotSent;
    const int result = exchange(frame, wait, timeoutSeconds);
    setLastCommsAt(QDateTime::currentDateTime());
    return result;
}

bool InstrumentLink::linkUsable(const QByteArray& frame)
{
    if (frame.isEmpty())
        return false;
    if (useNetwork()) {
        if (ports_.CommIsOpen(LinkPortId) || network_.state() != NetworkTransport::Connected)
            return false;
        if (!network_.usableHere()) {
            // The socket lives on the thread that connected it; from here a
            // request could not leave and its reply could not be read.
            log_.debugMessage(QStringLiteral("Network link is driven from another thread; request not sent."),
                SessionLog::Warning);
            return false;
        }
        return true;
    }
    return ports_.CommIsOpen(LinkPortId);
}

int InstrumentLink::exchange(const QByteArray& frame, bool wait, double timeoutSeconds)
{
    int result = NotSent;
    try {
        discardPendingInput();
        if (!writeFrame(frame))
            return result;
        WaitFor(PauseAfterSend);
        result = Sent;
        log_.debugMessage(QString::fromLatin1(frame.mid(1, frame.size() - 2)), SessionLog::Sent);
        if (wait)
            result = awaitReply(timeoutSeconds);
    } catch (const std::exception& e) {
        reportFailure("SendMessage", QString::fromLocal8Bit(e.what()));
    }
    return result;
}

void InstrumentLink::discardPendingInput()
{
    if (!useNetwork()) {
        ports_.CommFlush(LinkPortId);
        return;
    }
    char discarded = 0;
    while (network_.readByte(discarded)) {
    }
}

bool InstrumentLink::writeFrame(const QByteArray& frame)
{
    if (useNetwork()) {
        network_.send(frame);   // no short-write check on the bridge: a lost request shows as a missing reply
        return true;
    }
    qint32 size = 0;
    return ports_.CommWrite(LinkPortId, frame, size) == frame.size();
}

int InstrumentLink::awaitReply(double timeoutSeconds)
{
    timers_.BackgroundTimerSet(SoftTimers::ExchangeTimer, timeoutSeconds);
    // The soft timer follows the wall clock; the deadline keeps the wait bounded
    // even when the clock is set back.
    const QDeadlineTimer deadline(static_cast<qint64>(timeoutSeconds * 1000));
    setMessageComplete(false);
    QByteArray reply;
    int result = Sent;

    while (!messageComplete() && !deadline.hasExpired() && !cancelled()
        && timers_.BackgroundTimer(SoftTimers::ExchangeTimer)) {
        char byte = 0;
        if (!nextByte(byte, deadline))
            continue;
        if (byte == MsgEndChar) {
            log_.debugMessage(QString::fromLatin1(reply), SessionLog::Received);
            setReceivedMessage(reply);
            setMessageComplete(true);
            result = ErrorInMessage(reply) ? ReplyRejected : ReplyOk;
            setCheckedMessage(reply);
        } else if (byte == MsgStartChar) {
            reply.clear();
        } else {
            reply.append(byte);
        }
    }
    if (!messageComplete()) {
        result = NoReply;
        log_.debugMessage(QStringLiteral("Timeout after %1 seconds").arg(timeoutSeconds), SessionLog::Warning);
    }
    return result;
}

bool InstrumentLink::nextByte(char& byte, const QDeadlineTimer& deadline)
{
    if (useNetwork()) {
        if (network_.readByte(byte))
            return true;
        if (!network_.waitForBytes(deadline))
            sleepUntil(deadline);   // timed out, or the connection is gone: nothing can come
        return false;
    }
    QByteArray data;
    const int count = ports_.CommRead(LinkPortId, data, 1);
    if (count == 1) {
        byte = data.at(0);
        return true;
    }
    if (count < 0 || ports_.CommWaitForInput(LinkPortId, deadline) == SerialDevice::WaitResult::Failed)
        sleepUntil(deadline);   // hung up or failing device: nothing can come
    return false;
}

bool InstrumentLink::ErrorInMessage(QByteArray& message)
{
    return ::ErrorInMessage(log_, message);
}

// ---- streaming receive -----------------------------------------------------

void InstrumentLink::IncommingMessage(int waitMs)
{
    if (!exchangeMutex_.tryLock()) {
        log_.debugMessage(RefusedText, SessionLog::Warning);
        return;
    }
    const auto unlock = qScopeGuard([this] { exchangeMutex_.unlock(); });
    try {
        if (useNetwork())
            incomingNetwork(waitMs);
        else
            incomingSerial(waitMs);
    } catch (const std::exception& e) {
        reportFailure("IncommingMessage", QString::fromLocal8Bit(e.what()));
    }
}

void InstrumentLink::takeByte(char byte)
{
    if (byte == MsgStartChar) {
        rxBuffer_.clear();
    } else if (byte == MsgEndChar) {
        // A message completed while the last one is still unread is dropped.
        if (!messageComplete()) {
            setReceivedMessage(rxBuffer_);
            setMessageComplete(true);
        }
    } else {
        rxBuffer_.append(byte);
    }
}

void InstrumentLink::incomingSerial(int waitMs)
{
    const QDeadlineTimer waitDeadline(waitMs);
    if (waitMs > 0 && ports_.CommGetQueue(LinkPortId) < 1
        && ports_.CommWaitForInput(LinkPortId, waitDeadline) == SerialDevice::WaitResult::Failed)
        sleepUntil(waitDeadline);   // closed or hung up: still take the time a caller's loop relies on
    if (ports_.CommGetQueue(LinkPortId) < 1)
        return;
    QByteArray data;
    while (ports_.CommRead(LinkPortId, data, 1) == 1)
        takeByte(data.at(0));
}

void InstrumentLink::incomingNetwork(int waitMs)
{
    const QDeadlineTimer waitDeadline(waitMs);
    if (waitMs > 0 && network_.bytesWaiting() == 0 && !network_.waitForBytes(waitDeadline))
        sleepUntil(waitDeadline);   // no connection: still take the time a caller's loop relies on
    if (network_.bytesWaiting() == 0)
        return;
    // Once bytes have come, wait for the rest of the message, but not for ever.
    QDeadlineTimer restDeadline;
    bool ranDry = false;
    while (!messageComplete()) {
        char byte = 0;
        if (network_.readByte(byte)) {
            takeByte(byte);
            continue;
        }
        if (!ranDry) {
            restDeadline.setRemainingTime(RestOfMessageMs);
            ranDry = true;
        }
        if (!network_.waitForBytes(restDeadline))
            return;
    }
}

// ---- port choice -----------------------------------------------------------

void InstrumentLink::PickComms(int& port)
{
    QMutexLocker exchangeDone(&exchangeMutex_);
    const QString previousName = ports_.CommPortName(LinkPortId);
    if (port == 0) {
        if (useNetwork())
            network_.close();
        ports_.CommCloseAll();
        return;
    }
    if (!ports_.COMAvailable(port)) {
        port = -1;
        return;
    }
    if (ports_.CommIsOpen(LinkPortId))
        ports_.CommClose(LinkPortId);
    QString name = QString::number(port);
    if (ports_.CommOpen(LinkPortId, name, SerialPortTable::InstrumentSettings) == SerialPortTable::CommSuccess)
        return;
    QString fallback = previousName;
    if (!fallback.isEmpty()
        && ports_.CommOpen(LinkPortId, fallback, FallbackSettings) == SerialPortTable::CommSuccess)
        port = ports_.portMap().portNumber(fallback);
    else
        port = -1;
}

void InstrumentLink::StartComms()
{
    setMessageComplete(false);
    setReceivedMessage({});
    setUseNetwork(false);
}

void InstrumentLink::StopComms()
{
    QMutexLocker exchangeDone(&exchangeMutex_);
    ports_.CommCloseAll();
}

// ---- waiting ---------------------------------------------------------------

void InstrumentLink::WaitFor(double seconds)
{
    if (!timers_.BackgroundTimerSet(SoftTimers::WaitTimer, seconds)) {
        log_.debugMessage(QStringLiteral("Module:MyLibraryModule.WaitFor Error setting timer"), SessionLog::Warning);
        return;
    }
    sleepUntil(QDeadlineTimer(static_cast<qint64>(std::abs(seconds) * 1000)));
    timers_.BackgroundTimer(SoftTimers::WaitTimer);   // reports the expiry and frees the timer
}

void InstrumentLink::sleepUntil(const QDeadlineTimer& deadline)
{
    QMutexLocker lock(&sleepMutex_);
    while (!deadline.hasExpired() && !cancelled()) {
        const qint64 left = deadline.remainingTime();
        sleepCondition_.wait(&sleepMutex_, QDeadlineTimer(std::min<qint64>(left, CancelCheckMs)));
    }
}

// ---- state -----------------------------------------------------------------

QByteArray InstrumentLink::receivedMessage() const
{
    QMutexLocker lock(&stateMutex_);
    return receivedMessage_;
}

void InstrumentLink::setReceivedMessage(const QByteArray& message)
{
    QMutexLocker lock(&stateMutex_);
    receivedMessage_ = message;
    checkedMessage_ = message;
}

QByteArray InstrumentLink::checkedMessage() const
{
    QMutexLocker lock(&stateMutex_);
    return checkedMessage_;
}

void InstrumentLink::setCheckedMessage(const QByteArray& message)
{
    QMutexLocker lock(&stateMutex_);
    checkedMessage_ = message;
}

QDateTime InstrumentLink::lastCommsAt() const
{
    QMutexLocker lock(&stateMutex_);
    return lastCommsAt_;
}

void InstrumentLink::setLastCommsAt(const QDateTime& at)
{
    QMutexLocker lock(&stateMutex_);
    lastCommsAt_ = at;
}

float InstrumentLink::lastCommsTime() const
{
    const QDateTime at = lastCommsAt();
    return at.isValid() ? at.time().msecsSinceStartOfDay() / 1000.0f : 0.0f;
}
