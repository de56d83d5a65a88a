#include "Frame.h"

#include "shell/Bits.h"

#include <stdexcept>

int Frame::Checksum(const QByteArray& lengthAndPayload)
{
    int sum = 0;
    for (char c : lengthAndPayload)
        sum += static_cast<unsigned char>(c);
    return (128 - (sum % 128)) % 128;
}

QByteArray Frame::Body(const QByteArray& frame)
{
    return frame.mid(1, frame.size() - 2);
}

QByteArray Frame::Payload(const QByteArray& message)
{
    return message.mid(1, message.size() - 3);
}

QByteArray ComposeMessage(const QByteArray& payload, int offset)
{
    const int length = payload.size() + offset;
    if (length > 255)
        throw std::overflow_error("Overflow");
    QByteArray body;
    body.reserve(payload.size() + 1);
    body.append(static_cast<char>(length));
    body.append(payload);
    QByteArray frame;
    frame.reserve(body.size() + 4);
    frame.append(Frame::StartChar);
    frame.append(body);
    frame.append(HexL(Frame::Checksum(body), 2).toLatin1());
    frame.append(Frame::EndChar);
    return frame;
}
