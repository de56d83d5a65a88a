#pragma once
#include <QByteArray>

class InstrumentLink;

namespace tolviM {

// Sends one request for which the instrument gives no reply (or whose reply
// nobody waits for): composed, written, not awaited. Returns the exchange
// result (InstrumentLink::Sent when it left, NotSent otherwise).
int SendUnanswered(InstrumentLink& link, const QByteArray& payload);

}
