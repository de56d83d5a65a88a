#include "instrument/EepromImage.h"
#include "instrument/EepromMap.h"
#include "instrument/EepromAccess.h"

#include "instrument/InstrumentInfo.h"
#include "instrument/Procedure.h"
#include "instrument/Reply.h"
#include "instrument/RetriedRead.h"
#include "instrument/ScheduleControl.h"
#include "link/Frame.h"
#include "link/InstrumentLink.h"
#include "shell/Bits.h"
#include "shell/Picture.h"
#include "shell/TimeConv.h"

namespace tolviM {

namespace {

constexpr int EepromBlock = 16;
constexpr int PauseSeconds = 60;

// Pauses the schedule for the life of the object: the instrument must not
// sample while its EEPROM is read block by block.
class SchedulePause {
public:
    SchedulePause(InstrumentLink& link, Services& services) : link_(link), services_(services)
    {
        Progress(services_, QStringLiteral("Pausing schedule for FillEEPROM"));
        AskSchedulePause(link_);
        RetryBudget once{0};
        PauseSchedule(link_, once, PauseSeconds, link_.timing().replyTimeoutSeconds);
    }
    ~SchedulePause()
    {
        Progress(services_, QStringLiteral("Un-pausing schedule after FillEEPROM"));
        AskSchedulePause(link_);
        RetryBudget once{0};
        ResumeSchedule(link_, once, link_.timing().replyTimeoutSeconds);
    }
    SchedulePause(const SchedulePause&) = delete;
    SchedulePause& operator=(const SchedulePause&) = delete;

private:
    InstrumentLink& link_;
    Services& services_;
};

}

void FillEEPROM(InstrumentLink& link, Services& services, InstrumentInfo& info,
    const std::function<void(int done, int total)>& blockDone)
{
    Guarded(services, "FillEEPROM", [&] {
        info.EEPROMImage.fill(0xFF);
        const SchedulePause pause(link, services);
        const int total = int(info.EEPROMImage.size());
        for (int address = 0; address < total; address += EepromBlock) {
            if (blockDone)
                blockDone(address, total);
            // A block not read whole stays all 0xFF.
            const std::optional<QByteArray> block = ReadEepromBlock(link, address, EepromBlock, 0);
            if (!block)
                continue;
            for (int k = 0; k < EepromBlock; ++k)
                info.EEPROMImage[size_t(address + k)] = uint8_t(block->at(k));
        }
    });
}

EventLogProblem CheckEventLogReply(const QByteArray& reply, const QByteArray& request)
{
    if (ReplyText(reply, 2, 7) != request.left(7))
        return EventLogProblem::WrongEcho;
    const int declared = static_cast<unsigned char>(reply.at(0)) - Frame::RequestOffset;
    // The payload must also hold at least the time stamp, in whole bytes.
    const qsizetype dataChars = reply.size() - 8 - 2;
    if (declared != reply.size() - 3 || dataChars < 8 || dataChars % 2 != 0)
        return EventLogProblem::WrongLength;
    return EventLogProblem::None;
}

EventLogEntry DecodeEventLogReply(const QByteArray& reply)
{
    const QByteArray data = reply.mid(8, reply.size() - 8 - 2);
    EventLogEntry entry;
    entry.timeStamp = int32_t(HexUnsigned(data.left(8)));
    entry.bytes = QByteArray::fromHex(data.mid(8));
    return entry;
}

std::optional<EventLogEntry> GetFRAMEventLog(InstrumentLink& link, Services& services, int logNumber, int index)
{
    std::optional<EventLogEntry> result;
    Guarded(services, "GetFRAMEventLog", [&] {
        services.log.debugMessage(QStringLiteral("Read Event Log #%1, Index #%2").arg(logNumber).arg(index),
            SessionLog::Query);
        const QByteArray request = "G" + HexL(EepromMap::EventLogBase + logNumber, 4).toLatin1() + HexL(index, 2).toLatin1();
        RetryBudget budget{2};
        const ExchangeOutcome outcome = RetriedExchange(link, budget, request);
        const QByteArray& reply = outcome.received;
        const EventLogProblem problem =
            outcome.replyOk() ? CheckEventLogReply(reply, request) : EventLogProblem::WrongEcho;
        if (problem == EventLogProblem::WrongEcho) {
            services.log.debugMessage(QStringLiteral("Couldn't get requested log."), SessionLog::Problem);
            return;
        }
        if (problem == EventLogProblem::WrongLength) {
            services.log.debugMessage(QStringLiteral("Log received but length seems wrong..."), SessionLog::Problem);
            return;
        }
        EventLogEntry entry = DecodeEventLogReply(reply);
        services.log.debugMessage(FormatDate(UTC2VB(entry.timeStamp), QStringLiteral("dd-mmm-yyyy HH:NN:SS"))
                + QStringLiteral(", %1 byte(s).").arg(entry.bytes.size()),
            SessionLog::Info);
        result = std::move(entry);
    });
    return result;
}

}
