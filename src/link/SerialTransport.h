#pragma once
#include "LinkTransport.h"

class SerialPortTable;

// The link's transport over one entry of the serial port table.
class SerialTransport : public LinkTransport {
public:
    SerialTransport(SerialPortTable& ports, int id) : ports_(ports), id_(id) {}

    bool isOpen() override;
    bool write(const QByteArray& bytes) override;
    bool readAvailable(QByteArray& into, qsizetype maxBytes) override;
    WaitResult waitReadable(const QDeadlineTimer& deadline, const WakeUp* wake) override;
    void discardInput() override;
    void close() override;

private:
    SerialPortTable& ports_;
    int id_;
};
