#pragma once
#include <QByteArray>

class InstrumentLink;

// Receives the messages of the instrument's bulk slot stream. The stream
// arrives faster than one message per read, so every byte taken from the
// link is kept: the bytes after a completed message wait here for the next
// call instead of being dropped. A completed message goes to the link's
// received message with its complete flag set, as any received message does.
class SlotStream {
public:
    explicit SlotStream(InstrumentLink& link) : link_(link) {}

    // Waits up to waitMs for the next complete message. True when one
    // completed (it is then in link.receivedMessage()).
    bool next(int waitMs);

private:
    bool takeBuffered();
    bool readAvailable();
    bool waitForInput(int remainingMs);

    InstrumentLink& link_;
    QByteArray pending_;    // received, not yet framed
    QByteArray message_;    // the message being assembled
};
