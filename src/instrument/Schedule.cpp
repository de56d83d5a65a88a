#include "instrument/Schedule.h"
#include "instrument/EepromMap.h"

#include "instrument/InstrumentInfo.h"
#include "instrument/NumberText.h"
#include "instrument/Procedure.h"
#include "instrument/Reply.h"
#include "instrument/EepromAccess.h"
#include "instrument/RetriedRead.h"
#include "instrument/ScheduleControl.h"
#include "link/Frame.h"
#include "link/InstrumentLink.h"
#include "instrument/AddHistory.h"
#include "shell/Bits.h"
#include "shell/Picture.h"
#include "shell/Prompts.h"
#include "shell/SystemInfo.h"
#include "shell/TimeConv.h"

#include <QTimeZone>

namespace tolviM {

namespace {

// The instrument keeps the loop counter in 16 bits; both readings of them are accepted.
constexpr int CounterMin = -32768;
constexpr int CounterMax = 65535;

QDateTime TimeOfDay(const QTime& time)
{
    return QDateTime(ZeroDate().date(), time);
}

void LogSchedule(Services& services, const InstrumentInfo& info)
{
    if (!info.ScheduleEnabled) {
        Progress(services, QStringLiteral("No schedule set."));
        return;
    }
    Progress(services, QStringLiteral("Schedule set for ") + FormatDate(info.StartTime) + QStringLiteral(" for ")
            + FormatDate(info.Duration) + QStringLiteral(" every ") + QString::number(info.Frequency));
    if (info.ScheduleRunning)
        Progress(services, QStringLiteral("Schedule is running now!"));
}

void RecordScheduleHistory(Services& services, const InstrumentInfo& info)
{
    QStringList lines;
    lines << QStringLiteral("::: New schedule uploaded by ") + GetUserName()
          << QStringLiteral(": Enabled  = ") + BooleanText(info.ScheduleEnabled)
          << QStringLiteral(": Config   = 0b") + Bin(info.Config)
          << QStringLiteral(": Weekmask = 0b") + Bin(info.WeekMask)
          << QStringLiteral(": Starts at ") + FormatDate(info.StartTime) + QStringLiteral(" GMT")
          << QStringLiteral(": Lasts for ") + FormatDate(info.Duration) + QStringLiteral(" GMT");
    if (info.CounterEnabled)
        lines << QStringLiteral(": Counter = ") + QString::number(info.Counter);
    lines << (info.ContinueOnFull ? QStringLiteral(": Continue on memory full.")
                                  : QStringLiteral(": Stop     on memory full."));
    if (info.ShortBetweenSamples)
        lines << QStringLiteral(": Short sensor between samples.");
    if (info.SingleShot)
        lines << QStringLiteral(": Single shot mode.");
    lines << QStringLiteral(":");
    for (const QString& line : lines)
        AddHistory(services, info.RecordFolder, line);
}

}

QTime UtcMinutesToLocalTimeOfDay(int minutes)
{
    const QDate today = QDate::currentDate();
    const qint64 midnight = VB2UTC(QDateTime(today, QTime(0, 0)), true);
    return UTC2VB(midnight + qint64(minutes) * 60).time();
}

QTime LocalToUtcTimeOfDay(const QTime& local)
{
    // On today's date, so the conversion uses the offset in force now rather
    // than that of the zero date the time of day is kept on.
    const qint64 seconds = VB2UTC(QDateTime(QDate::currentDate(), local), false);
    return QDateTime::fromSecsSinceEpoch(seconds, QTimeZone::utc()).time();
}

QByteArray ScheduleWritePayload(const ScheduleBlock& block)
{
    return "A01"
        + (HexL(block.config, 2) + HexL(block.weekMask, 2) + HexL(block.frequency, 2) + HexL(block.startMinutes, 4)
            + HexL(block.lengthField, 4) + QStringLiteral("FFFF") + HexL(block.counter & 0xFFFF, 4))
              .toLatin1();
}

bool GetScheduleDetails(InstrumentLink& link, Services& services, InstrumentInfo& info)
{
    bool result = false;
    Guarded(services, "GetScheduleDetails", [&] {
        Progress(services, QStringLiteral("Getting the HHU schedule settings"));
        RetryBudget budget;   // one budget for all four reads
        const auto block = RetriedRead(link, services.log, budget, ReadRequest{"A00", "9A01", 1, 28});
        if (!block)
            return;
        auto blockByte = [&](int k) { return int(HexUnsigned(ReplyText(*block, 5 + 2 * k, 2))); };
        auto blockWord = [&](int k) { return ReplyText(*block, 5 + 2 * k, 4); };
        info.Config = uint8_t(blockByte(0));
        info.WeekMask = uint8_t(blockByte(1));
        info.Frequency = uint8_t(blockByte(2));
        info.StartTime = TimeOfDay(UtcMinutesToLocalTimeOfDay(int(HexUnsigned(blockWord(3)))));
        info.Duration = ZeroDate().addSecs((qint64(HexUnsigned(blockWord(5))) - 1) * 60);
        info.Counter = HexSigned16(blockWord(9));

        const auto memoryFull = RetriedRead(link, services.log, budget, MemoryRead('G', EepromMap::MemoryFull, 1));
        if (!memoryFull)
            return;
        const bool zero = DataByte(*memoryFull, 0) == 0;
        info.ContinueOnFull = zero != link.firmwareFlags().FwMemoryFullInverted;
        info.StopOnFull = !info.ContinueOnFull;
        info.CounterEnabled = info.Config & 1;
        info.SingleShot = false;

        const auto shortSensor = RetriedRead(link, services.log, budget, MemoryRead('G', EepromMap::ShortSensorBetweenSamples, 1));
        if (!shortSensor)
            return;
        info.ShortBetweenSamples = DataByte(*shortSensor, 0) != 0;

        const std::optional<int> state = ReadScheduleState(link, services.log, budget);
        if (!state)
            return;
        const int bits = *state;
        info.ScheduleEnabled = bits & ScheduleState::Enabled;
        info.ScheduleRunning = bits & ScheduleState::Running;
        if (bits == ScheduleState::Running)
            services.log.debugMessage(QStringLiteral("Schedule is running but not enabled!"), SessionLog::Warning);
        LogSchedule(services, info);
        result = info.ScheduleEnabled;
    });
    return result;
}

bool SetScheduleDetails(InstrumentLink& link, Services& services, InstrumentInfo& info)
{
    bool result = false;
    Guarded(services, "SetScheduleDetails", [&] {
        if (info.Counter < CounterMin || info.Counter > CounterMax) {
            services.prompts.message(Prompts::Icon::Exclamation,
                QStringLiteral("The schedule counter %1 is too large for the instrument (at most %2). "
                               "The schedule was not sent.")
                    .arg(info.Counter)
                    .arg(CounterMax));
            return;
        }
        auto step = [&](const ReadRequest& request) {
            RetryBudget budget;   // every step has its own budget
            return RetriedRead(link, services.log, budget, request).has_value();
        };
        const bool stop = info.StopOnFull != link.firmwareFlags().FwMemoryFullInverted;
        if (!step(MemoryWrite(EepromMap::MemoryFull, FlagByte(stop))))
            return;

        info.Config = info.CounterEnabled ? 1 : 0;
        const QTime startUtc = LocalToUtcTimeOfDay(info.StartTime.time());
        info.StartTime = TimeOfDay(startUtc);
        ScheduleBlock block;
        block.config = info.Config;
        block.weekMask = info.WeekMask;
        block.frequency = info.Frequency;
        block.startMinutes = startUtc.hour() * 60 + startUtc.minute();
        block.lengthField = info.Duration.time().hour() * 60 + info.Duration.time().minute() + 1;
        block.counter = info.Counter;
        const QByteArray payload = ScheduleWritePayload(block);
        {
            RetryBudget budget;
            const auto reply = RetriedRead(link, services.log, budget, ReadRequest{payload, "9A01", 1, 0});
            // The instrument echoes the whole block it stored.
            if (!reply || Frame::Payload(*reply) != payload)
                return;
        }
        if (!step(MemoryWrite(EepromMap::ShortSensorBetweenSamples, FlagByte(info.ShortBetweenSamples))))
            return;
        if (!step(ReadRequest{info.ScheduleEnabled ? "A02" : "A03", "%A00", 1, 0}))
            return;
        result = true;
        RecordScheduleHistory(services, info);
    });
    return result;
}

bool GetRFSFlag(InstrumentLink& link, Services& services)
{
    bool result = false;
    Guarded(services, "GetRFSFlag", [&] {
        RetryBudget budget;
        const auto reply = RetriedRead(link, services.log, budget, EchoCheckedRead('G', EepromMap::RemoteFramSave, 1));
        if (reply)
            result = DataByte(*reply, 0) != 0;
    });
    return result;
}

bool SetRFSFlag(InstrumentLink& link, Services& services, bool on)
{
    Guarded(services, "SetRFSFlag", [&] {
        RetryBudget budget;
        RetriedSend(link, budget, MemoryWrite(EepromMap::RemoteFramSave, FlagByte(on)).payload);
    });
    return GetRFSFlag(link, services);
}

}

QString ScheduleStateText(bool enabled, bool running)
{
    if (enabled && running)
        return QStringLiteral("Schedule: Running");
    if (enabled)
        return QStringLiteral("Schedule: Enabled");
    return QStringLiteral("Schedule: Disabled");
}
