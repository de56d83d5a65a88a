#include "Terminal.h"

#include "ExchangeOutcome.h"
#include "Frame.h"
#include "InstrumentLink.h"

#include <QLocale>
#include <QTime>
#include <stdexcept>

QString TranscriptLine::marker() const
{
    switch (kind) {
    case Kind::Request: return QStringLiteral(">>>");
    case Kind::Reply: return QStringLiteral("<<<");
    case Kind::NoReply: return QStringLiteral("!!!");
    }
    return {};
}

QString TranscriptLine::timeText() const
{
    QLocale locale = QLocale::system();
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(secondsSinceMidnight, 'f', 2);
}

QString TranscriptLine::plainText() const
{
    return timeText() + QLatin1Char('\t') + marker() + QLatin1Char('\t') + text;
}

TerminalSession::TerminalSession(TerminalExchange exchange)
    : clock([] { return QTime::currentTime().msecsSinceStartOfDay() / 1000.0; })
    , exchange_(std::move(exchange))
{
}

bool TerminalSession::FitsOneFrame(const QString& payload)
{
    return !payload.contains(QChar(Frame::StartChar)) && !payload.contains(QChar(Frame::EndChar));
}

QString TerminalSession::queue(const QString& payload)
{
    const QString upper = payload.toUpper();
    try {
        pending_ = ComposeMessage(upper.toLatin1(), Frame::RequestOffset);
    } catch (const std::overflow_error&) {
        pending_.clear(); // too long for one frame: nothing is sent
    }
    return upper;
}

QList<TranscriptLine> TerminalSession::sendPending()
{
    if (pending_.isEmpty())
        return {};
    return exchange(takePending());
}

QList<TranscriptLine> TerminalSession::exchange(const QByteArray& frame, TerminalReply* replyOut)
{
    QList<TranscriptLine> lines;
    // The request as typed: the frame without its start and end characters.
    lines.append({clock(), TranscriptLine::Kind::Request, QString::fromLatin1(Frame::Body(frame))});
    const TerminalReply reply = exchange_ ? exchange_(frame, ReplyTimeoutSeconds) : TerminalReply{};
    if (reply.result == ExchangeOutcome::ReplyOk)
        lines.append({clock(), TranscriptLine::Kind::Reply, QString::fromLatin1(reply.received)});
    else if (reply.result == ExchangeOutcome::NoReply)
        lines.append({clock(), TranscriptLine::Kind::NoReply, QStringLiteral("[No Reply]")});
    if (replyOut)
        *replyOut = reply;
    return lines;
}

TerminalExchange LinkExchange(InstrumentLink& link)
{
    return [&link](const QByteArray& frame, int timeoutSeconds) {
        const ExchangeOutcome outcome = link.SendMessage(frame, true, timeoutSeconds);
        return TerminalReply{outcome.result, outcome.received};
    };
}
