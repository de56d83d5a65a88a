#include "instrument/RetriedRead.h"

#include "instrument/Reply.h"
#include "link/Frame.h"
#include "link/InstrumentLink.h"
#include "shell/Bits.h"
#include "shell/SessionLog.h"

namespace tolviM {

ReadRequest MemoryRead(char letter, int address, int count)
{
    ReadRequest request;
    const QByteArray echo = QByteArray(1, letter) + HexL(address, 4).toLatin1();
    request.payload = echo + HexL(count, 2).toLatin1();
    const int replyPayloadLength = 5 + 2 * count;
    request.prefix = QByteArray(1, char(Frame::RequestOffset + replyPayloadLength)) + echo;
    request.minLength = 1 + replyPayloadLength + 2;
    return request;
}

ReadRequest EchoCheckedRead(char letter, int address, int count)
{
    ReadRequest request = MemoryRead(letter, address, count);
    request.prefix.remove(0, 1);
    request.prefixPosition = 2;
    return request;
}

ReadRequest MemoryWrite(int address, const QByteArray& hexBytes)
{
    ReadRequest request;
    request.payload = "B" + HexL(address, 4).toLatin1() + hexBytes;
    request.prefix = QByteArray(1, char(Frame::RequestOffset + request.payload.size())) + request.payload.left(5);
    return request;
}

ExchangeOutcome ExchangeOnce(InstrumentLink& link, const QByteArray& payload, double timeoutSeconds)
{
    return link.SendMessage(ComposeMessage(payload), true, timeoutSeconds);
}

ExchangeOutcome ExchangeOnce(InstrumentLink& link, const QByteArray& payload)
{
    return ExchangeOnce(link, payload, link.timing().replyTimeoutSeconds);
}

int SendOnce(InstrumentLink& link, const QByteArray& payload, double timeoutSeconds)
{
    return ExchangeOnce(link, payload, timeoutSeconds).result;
}

int SendOnce(InstrumentLink& link, const QByteArray& payload)
{
    return ExchangeOnce(link, payload).result;
}

ExchangeOutcome RetriedExchange(InstrumentLink& link, RetryBudget& budget, const QByteArray& payload,
    double timeoutSeconds)
{
    const QByteArray frame = ComposeMessage(payload);
    for (;;) {
        ExchangeOutcome outcome = link.SendMessage(frame, true, timeoutSeconds);
        if (outcome.replyOk() || budget.left <= 0)
            return outcome;
        --budget.left;
    }
}

ExchangeOutcome RetriedExchange(InstrumentLink& link, RetryBudget& budget, const QByteArray& payload)
{
    return RetriedExchange(link, budget, payload, link.timing().replyTimeoutSeconds);
}

std::optional<QByteArray> RetriedRead(InstrumentLink& link, SessionLog& log, RetryBudget& budget,
    const ReadRequest& request)
{
    const ExchangeOutcome outcome = RetriedExchange(link, budget, request.payload);
    if (!outcome.replyOk())
        return std::nullopt;
    const QByteArray& reply = outcome.checked;
    if (ReplyText(reply, request.prefixPosition, int(request.prefix.size())) != request.prefix)
        return std::nullopt;
    if (reply.size() < request.minLength) {
        log.debugMessage(QStringLiteral("Reply to %1 is too short: %2")
                             .arg(QString::fromLatin1(request.payload), QString::fromLatin1(reply)),
            SessionLog::Warning);
        return std::nullopt;
    }
    return reply;
}

bool RetriedSend(InstrumentLink& link, RetryBudget& budget, const QByteArray& payload)
{
    return RetriedExchange(link, budget, payload).replyOk();
}

}
