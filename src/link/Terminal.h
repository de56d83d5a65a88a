#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <utility>

// One exchange of a framed request as the terminal needs it: the link's
// result code (ExchangeOutcome::Result: ReplyOk a good reply, NoReply no
// reply, others refused or bad) and the received message (length character,
// payload, checksum).
struct TerminalReply {
    int result = 0;
    QByteArray received;
};
// Sends a whole frame and waits up to timeoutSeconds for the reply. Bound by
// the caller to the instrument link; runs on the instrument thread.
using TerminalExchange = std::function<TerminalReply(const QByteArray& frame, int timeoutSeconds)>;

class InstrumentLink;
// The terminal's exchange over the instrument link: the frame sent, its reply awaited.
TerminalExchange LinkExchange(InstrumentLink& link);

// A line of the service terminal's transcript.
struct TranscriptLine {
    enum class Kind { Request, Reply, NoReply };
    double secondsSinceMidnight = 0;
    Kind kind = Kind::Request;
    QString text;

    // ">>>", "<<<" or "!!!".
    QString marker() const;
    // The time with the picture "####0.00" (locale decimal separator).
    QString timeText() const;
    // "time<TAB>marker<TAB>text", without the line end.
    QString plainText() const;
};

// The service terminal: the user types a request payload, it is framed and
// sent through the ordinary exchange, and the conversation is kept as a
// transcript. The window shows the lines; the command line prints them.
class TerminalSession {
public:
    static constexpr int ReplyTimeoutSeconds = 5;

    explicit TerminalSession(TerminalExchange exchange);

    // False when payload holds the frame's own start or end character, which
    // would cut it into frames the instrument reads differently.
    static bool FitsOneFrame(const QString& payload);

    // The payload as the input box then shows it (upper case); its frame
    // becomes the one waiting to be sent, replacing any earlier one.
    QString queue(const QString& payload);
    bool hasPending() const { return !pending_.isEmpty(); }
    QByteArray pending() const { return pending_; }
    // Hands the waiting frame over (to be sent elsewhere) and clears it.
    QByteArray takePending() { return std::exchange(pending_, {}); }

    // Sends the waiting frame, if any, and returns the transcript lines it
    // produced (request line, then the reply or "[No Reply]").
    QList<TranscriptLine> sendPending();

    // Sends one frame and returns its lines together with the reply.
    QList<TranscriptLine> exchange(const QByteArray& frame, TerminalReply* replyOut = nullptr);

    // Time source for the transcript, replaceable in tests.
    std::function<double()> clock;

private:
    TerminalExchange exchange_;
    QByteArray pending_;
};
