#pragma once
#include "shell/WakeUp.h"

#include <QByteArray>
#include <QDeadlineTimer>

// What the link's exchange needs of a connection to the instrument: the
// serial port (SerialTransport) or the socket to a network serial bridge
// (NetworkTransport). Used from the instrument thread; nothing here spins.
class LinkTransport {
public:
    virtual ~LinkTransport() = default;

    // True when an exchange can run over it from the calling thread.
    virtual bool isOpen() = 0;
    // Sends all of bytes; false when they could not all go.
    virtual bool write(const QByteArray& bytes) = 0;
    // Appends what has been received, at most maxBytes, without waiting;
    // false when the transport is closed or failing.
    virtual bool readAvailable(QByteArray& into, qsizetype maxBytes) = 0;
    // Blocks until input is waiting, the deadline passes or wake is signalled
    // (wake may be null); Failed when nothing can come (closed, hung up).
    virtual WaitResult waitReadable(const QDeadlineTimer& deadline, const WakeUp* wake) = 0;
    // Throws away what has been received and not read.
    virtual void discardInput() = 0;
    virtual void close() = 0;
};
