#include "instrument/SampleMemory.h"
#include "instrument/EepromMap.h"

#include "instrument/InstrumentInfo.h"
#include "instrument/Procedure.h"
#include "instrument/Reply.h"
#include "instrument/RetriedRead.h"
#include "instrument/SlotDecoder.h"
#include "link/InstrumentLink.h"
#include "link/ProtocolTiming.h"
#include "shell/SessionLog.h"
#include "link/SettingsStore.h"
#include "shell/Bits.h"
#include "shell/Prompts.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <algorithm>

namespace tolviM {

namespace {

const QByteArray SlotReplyPrefix = "GJ03";
constexpr int SlotMessageLength = 40;   // "GJ03", slot number, 32 data digits

// The read of count slots from slot first.
QByteArray SlotsRequest(int first, int count)
{
    return "J01" + HexL(first, 4).toLatin1() + HexL(count, 4).toLatin1();
}

// Connections in a row that may find chip errors before the user is told to
// contact the agent instead of cycling the power.
constexpr int PowerCycleWarnings = 4;

// The record folder's settings file; without a folder no store at all, so a
// "settings.txt" in the working folder is never taken for it.
QString SettingsFile(const InstrumentInfo& info)
{
    if (info.RecordFolder.isEmpty())
        return {};
    return QDir(info.RecordFolder).filePath(QStringLiteral("settings.txt"));
}

uint32_t ReplyUnsigned16(const QByteArray& reply, int position)
{
    return HexUnsigned(ReplyText(reply, position, 4));
}

void EscalateChipErrors(InstrumentLink& link, Services& services, InstrumentInfo& info)
{
    services.log.debugMessage(QStringLiteral("FRAM count error = %1").arg(info.FRAMErrors), SessionLog::Warning);
    // Reset the instrument's chip block: original and fitted counts and map to FF, errors to 0.
    SendOnce(link, MemoryWrite(EepromMap::FramChipBlock, "FFFFFF00").payload);

    const QString store = SettingsFile(info);
    const int count = StoreReadText(store, QStringLiteral("FRAM"), QStringLiteral("x"), QStringLiteral("0")).toInt() + 1;
    StoreWrite(store, QStringLiteral("FRAM"), QStringLiteral("x"), QStringLiteral("S"), QString::number(count));

    if (count <= PowerCycleWarnings) {
        services.log.debugMessage(QStringLiteral("Need to cycle the power soon due to FRAM chip errors."),
            SessionLog::Warning);
        services.prompts.balloon(QStringLiteral("There is a problem with the memory on this instrument, ")
                + QStringLiteral("please download any data now and cycle the instrument power as soon as possible."),
            services.appCaption, Prompts::Icon::Critical, 1000);
    } else {
        services.log.debugMessage(QStringLiteral("There may be a problem with the FRAM chips, please contact your agent."),
            SessionLog::Problem);
        services.prompts.balloon(QStringLiteral("There may be a persistent problem with the memory on this instrument, ")
                + QStringLiteral("please contact your agent as soon as possible."),
            services.appCaption, Prompts::Icon::Critical, 1000);
    }
    info.FRAMChips = info.FRAMChipsOriginal;
}

}

uint8_t GetFRAMDetails(InstrumentLink& link, Services& services, InstrumentInfo& info)
{
    uint8_t result = 0;
    Guarded(services, "GetFRAMDetails", [&] {
        Progress(services, QStringLiteral("Getting the HHU FRAM settings"));
        RetryBudget budget;   // shared by the chip block and the fill query
        const auto chips = RetriedRead(link, services.log, budget, MemoryRead('G', EepromMap::FramChipBlock, 4));
        if (!chips)
            return;
        info.FRAMChipsOriginal = uint8_t(DataByte(*chips, 0));
        info.FRAMChips = uint8_t(DataByte(*chips, 1));
        info.FRAMMap = uint8_t(DataByte(*chips, 2));
        info.FRAMErrors = uint8_t(DataByte(*chips, 3));

        const auto fill = RetriedRead(link, services.log, budget, ReadRequest{"J00", "'J04", 1, 10});
        if (!fill)
            return;
        info.SlotsUsed = int32_t(ReplyUnsigned16(*fill, 5));

        const ExchangeOutcome slotStatus = ExchangeOnce(link, "S03", link.timing().shortReplyTimeoutSeconds);
        if (slotStatus.replyOk()) {
            const QByteArray& status = slotStatus.received;
            if (!status.startsWith("3S"))
                return;
            if (status.size() < 22) {
                services.log.debugMessage(QStringLiteral("Reply to S03 is too short: ") + QString::fromLatin1(status),
                    SessionLog::Warning);
                return;
            }
            info.SlotsTotal = int32_t(ReplyUnsigned16(status, 5));
            info.SlotsUsed = int32_t(ReplyUnsigned16(status, 17));
            Progress(services, QStringLiteral("Record Offset : %1").arg(ReplyUnsigned16(status, 13)));
        } else {
            info.SlotsTotal = info.FRAMChips * SlotsPerChip;
        }

        if (info.FRAMErrors > 0)
            EscalateChipErrors(link, services, info);
        else
            StoreWrite(SettingsFile(info), QStringLiteral("FRAM"), QStringLiteral("x"), QStringLiteral("S"),
                QStringLiteral("0"));

        Progress(services, QStringLiteral("%1 fitted (original count was %2) MAP:%3")
                               .arg(info.FRAMChips).arg(info.FRAMChipsOriginal).arg(Bin(info.FRAMMap)));
        Progress(services, QStringLiteral("%1 slots out of %2 hold data.").arg(info.SlotsUsed).arg(info.SlotsTotal));
        result = info.FRAMChips;
    });
    return result;
}

std::optional<SlotRecord> ReadFRAMSlot(InstrumentLink& link, Services& services, int32_t slot)
{
    std::optional<SlotRecord> result;
    Guarded(services, "GetFRAMSlot", [&] {
        RetryBudget budget;
        const QByteArray number = HexL(slot, 4).toLatin1();
        const ReadRequest request{SlotsRequest(slot, 1), SlotReplyPrefix, 1, 42};
        for (;;) {
            const auto reply = RetriedRead(link, services.log, budget, request);
            if (!reply) {
                services.log.debugMessage(QStringLiteral("Bad reply to FRAM Read - skipping!"), SessionLog::Problem);
                return;
            }
            // The reply names its slot; one for another slot is asked for again.
            const QByteArray replied = ReplyText(*reply, 5, 4);
            if (replied == number) {
                result = DecodeReceivedSlot(ReplyText(*reply, 9, 32), link.firmwareFlags(), services.log);
                return;
            }
            services.log.debugMessage(QStringLiteral("Slot #%1 asked for, slot #%2 came back.")
                                          .arg(QString::fromLatin1(number), QString::fromLatin1(replied)),
                SessionLog::Warning);
            if (budget.left <= 0)
                return;
            --budget.left;
        }
    });
    return result;
}

SlotRecord GetFRAMSlot(InstrumentLink& link, Services& services, int32_t slot)
{
    return ReadFRAMSlot(link, services, slot).value_or(SlotRecord{});
}

ExchangeOutcome RequestSlots(InstrumentLink& link, RetryBudget& budget, int first, int count)
{
    return RetriedExchange(link, budget, SlotsRequest(first, count));
}

std::optional<QByteArray> NextStreamedSlot(InstrumentLink& link, SessionLog& log, const QDeadlineTimer& bound)
{
    const QDeadlineTimer gap(link.timing().streamGapMs);
    while (true) {
        const qint64 waitMs = std::min(gap.remainingTime(), bound.remainingTime());
        if (waitMs <= 0)
            return std::nullopt;
        std::optional<QByteArray> received = link.IncommingMessage(static_cast<int>(waitMs));
        if (!received)
            return std::nullopt;
        QByteArray message = std::move(*received);
        log.debugMessage(QString::fromLatin1(message), SessionLog::Received);
        link.setLastCommsAt(QDateTime::currentDateTime());
        if (!link.ErrorInMessage(message))
            return message;
        log.debugMessage(QStringLiteral("Damaged slot message dropped."), SessionLog::Warning);
    }
}

void StopStream(InstrumentLink& link)
{
    SendOnce(link, "C");
}

ExchangeOutcome ReadSlot(InstrumentLink& link, int slot, double timeoutSeconds)
{
    return ExchangeOnce(link, SlotsRequest(slot, 1), timeoutSeconds);
}

bool IsSlotMessage(const QByteArray& message)
{
    return message.startsWith(SlotReplyPrefix);
}

SlotMessage ParseSlotMessage(const QByteArray& message)
{
    SlotMessage parsed;
    parsed.numberText = message.mid(4, 4);
    bool ok = false;
    const int slot = parsed.numberText.toInt(&ok, 16);
    if (ok)
        parsed.slot = slot;
    if (message.size() >= SlotMessageLength)
        parsed.data = message.mid(8, 32);
    return parsed;
}

EraseReply EraseSlots(InstrumentLink& link, RetryBudget& budget, int count)
{
    const ExchangeOutcome outcome = RetriedExchange(link, budget, "J02" + HexL(count, 4).toLatin1());
    EraseReply reply;
    reply.answered = outcome.replyOk();
    if (!reply.answered)
        return reply;
    bool ok = false;
    const int left = outcome.received.mid(4, 4).toInt(&ok, 16);
    if (outcome.received.startsWith("'J04") && ok)
        reply.slotsLeft = left;
    return reply;
}

}
