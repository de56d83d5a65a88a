#include "instrument/EepromAccess.h"

#include "instrument/Reply.h"
#include "instrument/RetriedRead.h"
#include "link/Frame.h"
#include "link/InstrumentLink.h"
#include "shell/Bits.h"

#include <algorithm>
#include <cctype>

namespace tolviM {

std::optional<QByteArray> ReadEeprom(InstrumentLink& link, SessionLog& log, int address, int count, int retries,
    ReadCheck check)
{
    ReadRequest request = MemoryRead('G', address, count);
    if (check == ReadCheck::LengthOnly)
        request.prefix.clear();
    RetryBudget budget{retries};
    const auto reply = RetriedRead(link, log, budget, request);
    if (!reply)
        return std::nullopt;
    QByteArray bytes;
    for (int k = 0; k < count; ++k)
        bytes.append(char(DataByte(*reply, k)));
    return bytes;
}

bool WriteEeprom(InstrumentLink& link, SessionLog& log, int address, const QByteArray& hexBytes, int retries)
{
    RetryBudget budget{retries};
    return RetriedRead(link, log, budget, MemoryWrite(address, hexBytes)).has_value();
}

QByteArray EepromWriteText(int address, const QByteArray& hexBytes)
{
    return MemoryWrite(address, hexBytes).payload;
}

QByteArray FlagByte(bool on)
{
    return on ? "FF" : "00";
}

std::optional<QByteArray> ReadEepromBlock(const PayloadExchange& exchange, int address, int count, int retries)
{
    const ReadRequest request = EchoCheckedRead('G', address, count);
    for (int attempt = 0; attempt <= retries; ++attempt) {
        const ExchangeOutcome outcome = exchange(request.payload);
        if (!outcome.replyOk())
            continue;
        const QByteArray& reply = outcome.received;
        if (ReplyText(reply, request.prefixPosition, int(request.prefix.size())) != request.prefix)
            continue;
        // Length character, echo of letter and address, data, checksum.
        const QByteArray hex = Frame::Payload(reply).mid(int(request.prefix.size()));
        if (hex.size() != 2 * count)
            continue;
        if (std::all_of(hex.begin(), hex.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); }))
            return QByteArray::fromHex(hex);
    }
    return std::nullopt;
}

std::optional<QByteArray> ReadEepromBlock(InstrumentLink& link, int address, int count, int retries)
{
    return ReadEepromBlock([&link](const QByteArray& payload) { return ExchangeOnce(link, payload); }, address, count,
        retries);
}

}
