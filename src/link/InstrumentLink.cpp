#include "InstrumentLink.h"

#include "Frame.h"
#include "MessageCheck.h"
#include "PortDiscovery.h"
#include "PortMap.h"
#include "shell/ErrorReport.h"
#include "shell/Operation.h"
#include "shell/SessionLog.h"

#include <QScopeGuard>
#include <QTime>

#include <stdexcept>

namespace {
// The most one read takes from the transport (bounds what waits in the assembler).
constexpr qsizetype ReadChunk = 4096;
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

// ---- transport choice ------------------------------------------------------

// The one place that picks: the network bridge when chosen, else serial entry 1.
LinkTransport& InstrumentLink::transport()
{
    return useNetwork() ? static_cast<LinkTransport&>(network_) : serial_;
}

bool InstrumentLink::transportReady()
{
    // The network link is not used while the serial port is open as well.
    if (useNetwork() && ports_.CommIsOpen(LinkPortId))
        return false;
    return transport().isOpen();
}

// ---- exchange ---------------------------------------------------------------

ExchangeOutcome InstrumentLink::SendMessage(const QByteArray& frame, bool wait, double timeoutSeconds)
{
    // One exchange at a time: a second one (from another thread) is refused
    // rather than queued, so it cannot take the first one's reply.
    if (!exchangeMutex_.tryLock()) {
        log_.debugMessage(RefusedText, SessionLog::Warning);
        return {};
    }
    const auto unlock = qScopeGuard([this] { exchangeMutex_.unlock(); });
    if (frame.isEmpty() || !transportReady())
        return {};
    const ExchangeOutcome outcome = exchange(frame, wait, timeoutSeconds);
    setLastCommsAt(QDateTime::currentDateTime());
    return outcome;
}

ExchangeOutcome InstrumentLink::exchange(const QByteArray& frame, bool wait, double timeoutSeconds)
{
    ExchangeOutcome outcome;
    try {
        LinkTransport& link = transport();
        link.discardInput();
        incoming_.clear();
        if (!link.write(frame))
            return outcome;
        WaitFor(timing_.pauseAfterSendSeconds);
        outcome.result = Sent;
        log_.debugMessage(QString::fromLatin1(Frame::Body(frame)), SessionLog::Sent);
        if (wait)
            awaitReply(link, timeoutSeconds, outcome);
    } catch (const std::exception& e) {
        reportFailure("SendMessage", QString::fromLocal8Bit(e.what()));
    }
    return outcome;
}

void InstrumentLink::awaitReply(LinkTransport& link, double timeoutSeconds, ExchangeOutcome& outcome)
{
    timers_.BackgroundTimerSet(SoftTimers::ExchangeTimer, timeoutSeconds);
    // The soft timer follows the wall clock; the deadline keeps the wait bounded
    // even when the clock is set back.
    const QDeadlineTimer deadline(static_cast<qint64>(timeoutSeconds * 1000));
    while (!deadline.hasExpired() && !cancelled() && timers_.BackgroundTimer(SoftTimers::ExchangeTimer)) {
        if (std::optional<QByteArray> reply = nextMessage()) {
            log_.debugMessage(QString::fromLatin1(*reply), SessionLog::Received);
            outcome.received = *reply;
            outcome.checked = std::move(*reply);
            outcome.result = ErrorInMessage(outcome.checked) ? ReplyRejected : ReplyOk;
            return;
        }
        const qsizetype taken = readInto(link);
        if (taken < 0 || (taken == 0 && waitReadable(link, deadline) == WaitResult::Failed))
            sleepUntil(deadline);   // hung up or failing: nothing can come
    }
    outcome.result = NoReply;
    log_.debugMessage(QStringLiteral("Timeout after %1 seconds").arg(timeoutSeconds), SessionLog::Warning);
}

// Takes what the transport holds into the assembler: the count of bytes, or
// -1 when the transport failed.
qsizetype InstrumentLink::readInto(LinkTransport& link)
{
    QByteArray chunk;
    if (!link.readAvailable(chunk, ReadChunk))
        return -1;
    incoming_.feed(chunk);
    return chunk.size();
}

// The next whole message taken in, if any.
std::optional<QByteArray> InstrumentLink::nextMessage()
{
    std::optional<QByteArray> message = incoming_.next();
    if (incoming_.droppedMessages() != droppedSeen_) {
        droppedSeen_ = incoming_.droppedMessages();
        log_.debugMessage(QStringLiteral("Over-long message dropped."), SessionLog::Warning);
    }
    return message;
}

bool InstrumentLink::ErrorInMessage(QByteArray& message)
{
    return ::ErrorInMessage(log_, message);
}

// ---- streaming receive -----------------------------------------------------

std::optional<QByteArray> InstrumentLink::IncommingMessage(int waitMs)
{
    if (!exchangeMutex_.tryLock()) {
        log_.debugMessage(RefusedText, SessionLog::Warning);
        return std::nullopt;
    }
    const auto unlock = qScopeGuard([this] { exchangeMutex_.unlock(); });
    const QDeadlineTimer deadline(waitMs);
    try {
        LinkTransport& link = transport();
        for (;;) {
            if (std::optional<QByteArray> message = nextMessage())
                return message;
            const qsizetype taken = readInto(link);
            if (taken < 0)
                break;
            // Bytes that keep coming without completing a message (noise, a
            // line flooded without its end character) do not stretch the wait.
            const bool over = deadline.hasExpired() || cancelled();
            if (taken > 0 && !over)
                continue;
            if (over)
                return nextMessage();
            if (waitReadable(link, deadline) == WaitResult::Failed)
                break;
        }
    } catch (const std::exception& e) {
        reportFailure("IncommingMessage", QString::fromLocal8Bit(e.what()));
        return std::nullopt;
    }
    sleepUntil(deadline);   // closed or hung up: still take the time a caller's loop relies on
    return std::nullopt;
}

void InstrumentLink::DiscardInput()
{
    QMutexLocker exchangeDone(&exchangeMutex_);
    transport().discardInput();
    incoming_.clear();
}

// ---- port choice -----------------------------------------------------------

void InstrumentLink::PickComms(int& port)
{
    QMutexLocker exchangeDone(&exchangeMutex_);
    const QString previousName = ports_.CommPortName(LinkPortId);
    incoming_.clear();   // bytes of the connection being left
    if (port == 0) {
        transport().close();
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

std::optional<int> InstrumentLink::open(const QString& entry)
{
    if (const auto address = ParseNetworkEntry(entry)) {
        if (!network_.connectToBridge(address->host, address->port))
            return std::nullopt;
        setUseNetwork(true);
        return 0;
    }
    setUseNetwork(false);
    int port = PortEntry::portNumber(entry);
    PickComms(port);
    if (port <= 0)
        return std::nullopt;
    return port;
}

void InstrumentLink::close()
{
    int none = 0;
    PickComms(none);
    network_.close();
    setUseNetwork(false);
}

void InstrumentLink::StartComms()
{
    QMutexLocker exchangeDone(&exchangeMutex_);
    incoming_.clear();
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

// Runs one blocking wait with the cancel token's wake-up. A wake-up left by a
// request that was withdrawn again is cleared and the wait resumed.
template <typename Wait>
WaitResult InstrumentLink::cancellableWait(Wait wait)
{
    for (;;) {
        if (cancelled())
            return WaitResult::Woken;
        const WaitResult result = wait(cancel_ ? &cancel_->wakeUp() : nullptr);
        if (result != WaitResult::Woken || cancelled())
            return result;
        cancel_->clearStaleWakeUp();
    }
}

WaitResult InstrumentLink::waitReadable(LinkTransport& link, const QDeadlineTimer& deadline)
{
    return cancellableWait([&](const WakeUp* wake) { return link.waitReadable(deadline, wake); });
}

void InstrumentLink::sleepUntil(const QDeadlineTimer& deadline)
{
    cancellableWait([&](const WakeUp* wake) { return WaitReadable(-1, deadline, wake); });
}

// ---- state -----------------------------------------------------------------

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

