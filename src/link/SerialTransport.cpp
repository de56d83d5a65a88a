#include "SerialTransport.h"

#include "SerialPortTable.h"

bool SerialTransport::isOpen()
{
    return ports_.CommIsOpen(id_);
}

bool SerialTransport::write(const QByteArray& bytes)
{
    qint32 size = 0;
    return ports_.CommWrite(id_, bytes, size) == bytes.size();
}

bool SerialTransport::readAvailable(QByteArray& into, qsizetype maxBytes)
{
    QByteArray chunk;
    if (ports_.CommRead(id_, chunk, static_cast<qint32>(maxBytes)) < 0)
        return false;
    into.append(chunk);
    return true;
}

WaitResult SerialTransport::waitReadable(const QDeadlineTimer& deadline, const WakeUp* wake)
{
    return ports_.CommWaitForInput(id_, deadline, wake);
}

void SerialTransport::discardInput()
{
    ports_.CommFlush(id_);
}

void SerialTransport::close()
{
    ports_.CommClose(id_);
}
