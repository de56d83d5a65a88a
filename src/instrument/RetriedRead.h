#pragma once
#include "instrument/RetryBudget.h"
#include "link/ExchangeOutcome.h"

#include <QByteArray>
#include <optional>

class InstrumentLink;
class SessionLog;

namespace tolviM {

// One request and what its reply must look like.
struct ReadRequest {
    QByteArray payload;         // e.g. "G010904"
    QByteArray prefix;          // expected reply characters, e.g. "-G0109"
    int prefixPosition = 1;     // reply position where prefix starts (2 to skip the length character)
    int minLength = 0;          // reply length (length character to checksum) the caller's fields need
};

// A read of count bytes at address of the EEPROM ("G") or flash ("E"): the
// reply echoes letter and address behind the length character of its
// payload and carries the bytes from position 7.
ReadRequest MemoryRead(char letter, int address, int count);
// The same read checked only by its echo of letter and address at
// positions 2-6 (the length character is not compared).
ReadRequest EchoCheckedRead(char letter, int address, int count);
// A write ("B") of the bytes given as hexadecimal text; the reply echoes the
// length, letter and address.
ReadRequest MemoryWrite(int address, const QByteArray& hexBytes);

// The retried read: sends the request (waiting for the reply as long as the
// link's timing says: 5 seconds) until a good
// reply arrives or the budget is used up, so a dead link costs budget+1
// requests. A good reply with the wrong prefix fails at once (a wrong
// instrument answer is not retried), as does one too short for the fields
// the caller reads (logged). Returns the reply (length character + payload +
// checksum) or nothing.
std::optional<QByteArray> RetriedRead(InstrumentLink& link, SessionLog& log, RetryBudget& budget,
    const ReadRequest& request);

// Sends the payload, repeating while the exchange fails and the budget lasts;
// the reply is not examined. True when a good reply arrived.
bool RetriedSend(InstrumentLink& link, RetryBudget& budget, const QByteArray& payload);

// Sends the payload once and waits for the reply (as long as timeoutSeconds,
// or the link's reply timeout); returns the exchange result
// (InstrumentLink::SendResult).
int SendOnce(InstrumentLink& link, const QByteArray& payload);
int SendOnce(InstrumentLink& link, const QByteArray& payload, double timeoutSeconds);

// The same with the reply: the exchange's whole outcome.
ExchangeOutcome ExchangeOnce(InstrumentLink& link, const QByteArray& payload);
ExchangeOutcome ExchangeOnce(InstrumentLink& link, const QByteArray& payload, double timeoutSeconds);

// The one retry loop: sends the payload, repeating while no good reply comes
// and the budget lasts (budget+1 requests at most); the last exchange's
// outcome. Each request waits as long as timeoutSeconds, or the link's reply timeout.
ExchangeOutcome RetriedExchange(InstrumentLink& link, RetryBudget& budget, const QByteArray& payload);
ExchangeOutcome RetriedExchange(InstrumentLink& link, RetryBudget& budget, const QByteArray& payload,
    double timeoutSeconds);

}
