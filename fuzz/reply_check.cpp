// The reply check (length character, extended-length rule, checksum, the
// corrected "CJ03" reply) and the field readers every procedure applies to
// an accepted reply.
#include "FuzzCheck.h"

#include "instrument/Reply.h"
#include "link/MessageCheck.h"
#include "shell/SessionLog.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    SessionLog log;
    QByteArray message = Fuzz::Bytes(data, size);
    if (ErrorInMessage(log, message))
        return 0;
    Fuzz::Check(!message.isEmpty(), "an accepted reply is not empty");

    // As the procedures read an accepted reply: data bytes, BCD digits,
    // signed words and the dates built from them.
    const int dataBytes = int(qMin<qsizetype>(message.size(), 1024)) / 2;
    for (int k = 0; k < dataBytes; ++k) {
        const int byte = tolviM::DataByte(message, k);
        Fuzz::Check(byte >= 0 && byte <= 255, "a data byte is 0..255");
        const int bcd = tolviM::DataBcd(message, k);
        Fuzz::Check(bcd >= 0 && bcd <= 99, "a BCD byte is 0..99");
        tolviM::HexSigned16(tolviM::ReplyText(message, 7 + 2 * k, 4));
    }
    const int a = tolviM::DataBcd(message, 0), b = tolviM::DataBcd(message, 1), c = tolviM::DataBcd(message, 2);
    tolviM::NormalisedDate(2000 + c, b, a);
    tolviM::NormalisedDateTime(1899, 12, 30, a, b, c);
    tolviM::NormalisedDateTime(2000 + tolviM::DataBcd(message, 5), tolviM::DataBcd(message, 4),
        tolviM::DataBcd(message, 3), a, b, c);
    tolviM::HexUnsigned(tolviM::ReplyText(message, 2, 8));
    return 0;
}
