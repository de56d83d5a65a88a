#include "SlotStream.h"

#include "link/InstrumentLink.h"

#include <QDeadlineTimer>

bool SlotStream::next(int waitMs)
{
    const QDeadlineTimer deadline(waitMs);
    while (true) {
        if (takeBuffered())
            return true;
        if (readAvailable())
            continue;
        if (deadline.hasExpired() || !waitForInput(static_cast<int>(deadline.remainingTime())))
            return takeBuffered();
    }
}

// Frames the bytes at hand: the start character begins a message afresh,
// the end character completes it.
bool SlotStream::takeBuffered()
{
    qsizetype used = 0;
    bool complete = false;
    for (; used < pending_.size() && !complete; ++used) {
        const char byte = pending_.at(used);
        if (byte == InstrumentLink::MsgStartChar) {
            message_.clear();
        } else if (byte == InstrumentLink::MsgEndChar) {
            link_.setReceivedMessage(message_);
            link_.setMessageComplete(true);
            message_.clear();
            complete = true;
        } else {
            message_.append(byte);
        }
    }
    pending_.remove(0, used);
    return complete;
}

bool SlotStream::readAvailable()
{
    if (link_.useNetwork()) {
        NetworkTransport& network = link_.network();
        const qint64 waiting = network.bytesWaiting();
        char byte = 0;
        for (qint64 i = 0; i < waiting && network.readByte(byte); ++i)
            pending_.append(byte);
        return waiting > 0;
    }
    SerialPortTable& ports = link_.ports();
    QByteArray chunk;
    if (ports.CommRead(InstrumentLink::LinkPortId, chunk, 0) <= 0)
        return false;
    pending_.append(chunk);
    return true;
}

bool SlotStream::waitForInput(int remainingMs)
{
    if (remainingMs <= 0)
        return false;
    if (link_.useNetwork())
        return link_.network().waitForBytes(QDeadlineTimer(remainingMs));
    return link_.ports().CommWaitForInput(InstrumentLink::LinkPortId, QDeadlineTimer(remainingMs))
        == SerialDevice::WaitResult::Readable;
}
