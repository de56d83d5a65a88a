#include "MessageCheck.h"

#include "Frame.h"
#include "shell/SessionLog.h"

#include <cmath>

namespace {
// The two characters at index, read as a hexadecimal number; false when they are not hex digits.
bool hexPair(const QByteArray& text, qsizetype index, int& value)
{
    if (index < 0 || index + 2 > text.size())
        return false;
    const auto digit = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    const int high = digit(text[index]);
    const int low = digit(text[index + 1]);
    if (high < 0 || low < 0)
        return false;
    value = high * 16 + low;
    return true;
}

bool extendedMessageRejected(SessionLog& log, const QByteArray& message)
{
    log.debugMessage(QStringLiteral("Possible extended length message found."), SessionLog::Detail);
    if (message.at(0) == '2') {
        log.debugMessage(QStringLiteral("Skipped check -- Settle Info?"), SessionLog::Info);
        return false;
    }
    // The length field counts blocks of 128 four-character groups; the
    // division rounds half to even.
    const double blocks = std::nearbyint((message.size() - 10) / 4.0);
    int lengthField = 0;
    if (!hexPair(message, 4, lengthField) || lengthField != blocks / 128.0) {
        log.debugMessage(QStringLiteral("Extended message length is not correct."), SessionLog::Problem);
        return true;
    }
    int checksum = 0;
    if (!hexPair(message, message.size() - 2, checksum)
        || checksum != Frame::Checksum(message.left(message.size() - 2))) {
        log.debugMessage(QStringLiteral("Extended message checksum is not correct."), SessionLog::Problem);
        return true;
    }
    return false;
}

void logLengthWrong(SessionLog& log)
{
    log.debugMessage(
        QStringLiteral("Message length was not correct - maybe the programmatic offset is wrong for this device?"),
        SessionLog::Info);
}
}

FrameFault CheckFrame(const QByteArray& message)
{
    if (message.size() < 3)
        return FrameFault::Length;
    const qsizetype payloadSize = Frame::Payload(message).size();
    if (payloadSize + Frame::RequestOffset > 255
        || static_cast<unsigned char>(message.at(0)) != payloadSize + Frame::RequestOffset)
        return FrameFault::Length;
    int checksum = 0;
    if (!hexPair(message, message.size() - 2, checksum) || checksum != Frame::Checksum(message.left(message.size() - 2)))
        return FrameFault::Checksum;
    return FrameFault::None;
}

bool ErrorInMessage(SessionLog& log, QByteArray& message)
{
    // Too short to hold a length character and a checksum: nothing to check against.
    if (message.size() < 3) {
        logLengthWrong(log);
        return true;
    }
    if ((static_cast<unsigned char>(message.at(0)) & 1) == 0)
        return extendedMessageRejected(log, message);

    if (message.startsWith("CJ03")) {
        const QByteArray payload = Frame::Payload(message);
        if (payload.size() + Frame::RequestOffset > 255) {
            logLengthWrong(log);
            return true;
        }
        log.debugMessage(QStringLiteral("Buggy FRAM message V108/V109 found."), SessionLog::Warning);
        message = Frame::Body(ComposeMessage(payload, Frame::RequestOffset));
        return false;
    }
    switch (CheckFrame(message)) {
    case FrameFault::Length:
        logLengthWrong(log);
        return true;
    case FrameFault::Checksum:
        log.debugMessage(QStringLiteral("Message checksum did not match calculated value. Message ignored."),
            SessionLog::Info);
        return true;
    case FrameFault::None:
        break;
    }
    return false;
}
