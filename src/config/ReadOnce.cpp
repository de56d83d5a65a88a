#include "config/ReadOnce.h"

#include "instrument/Reply.h"
#include "instrument/RetriedRead.h"

std::optional<QByteArray> ReadEepromOnce(InstrumentLink& link, SessionLog& log, int address, int count)
{
    tolviM::ReadRequest request = tolviM::MemoryRead('G', address, count);
    request.prefix.clear();
    tolviM::RetryBudget once{0};
    const auto reply = tolviM::RetriedRead(link, log, once, request);
    if (!reply)
        return std::nullopt;
    QByteArray bytes;
    for (int k = 0; k < count; ++k)
        bytes.append(char(tolviM::DataByte(*reply, k)));
    return bytes;
}
