#include "instrument/Clock.h"

#include "instrument/InstrumentInfo.h"
#include "instrument/Procedure.h"
#include "instrument/Reply.h"
#include "instrument/RetriedRead.h"
#include "link/InstrumentLink.h"
#include "shell/PerUserSettings.h"
#include "shell/Picture.h"
#include "shell/Prompts.h"
#include "shell/TimeConv.h"

#include <QElapsedTimer>

namespace tolviM {

namespace {

// A clock that reads all zeros, checksum included: what the instrument says
// after it lost its time while being set.
const QByteArray ZeroClockReply = "/K0000000000000066";
const QString SettingRtcKey = QStringLiteral("SettingRTC");

void CheckClockBeingSet(Services& services, const InstrumentInfo& info, const QByteArray& reply)
{
    const QString section = InstrumentSection(info.SerialNumber);
    const QString mark = services.perUser.value(section, SettingRtcKey, QStringLiteral("Missing")).toString();
    if (reply == ZeroClockReply && mark == QLatin1String("True")) {
        services.log.debugMessage(
            QStringLiteral("There may be a serious problem with the clock on this instruemnt, please contact your agent"),
            SessionLog::Warning);
        services.prompts.balloon(QStringLiteral("There may be a persistent problem with the clock on this instrument, ")
                + QStringLiteral("please contact your agent as soon as possible."),
            services.appCaption, Prompts::Icon::Critical, 1000);
    }
    if (mark != QLatin1String("Missing"))
        services.perUser.remove(section, SettingRtcKey);
}

}

QString InstrumentSection(const QString& serialNumber)
{
    return QStringLiteral("Instrument\\") + serialNumber;
}

float GetRTCDetails(InstrumentLink& link, Services& services, InstrumentInfo& info)
{
    float result = 0;
    Guarded(services, "GetRTCDetails", [&] {
        Progress(services, QStringLiteral("Getting the HHU RTC settings"));
        QElapsedTimer exchangeTime;
        exchangeTime.start();
        RetryBudget budget;
        const auto reply = RetriedRead(link, services.log, budget, ReadRequest{"K", "/K", 1, 18});
        if (!reply)
            return;
        info.RTCDelay = float(exchangeTime.elapsed() / 1000.0);
        info.PCTime = QDateTime::currentDateTime();

        auto clockByte = [&](int k) { return BcdValue(ReplyText(*reply, 3 + 2 * k, 2)); };
        info.RTCYear = int16_t(2000 + clockByte(0));
        info.RTCMonth = uint8_t(clockByte(1));
        info.RTCDay = uint8_t(clockByte(2));
        info.RTCWeekday = uint8_t(clockByte(3));
        info.RTCHour = uint8_t(clockByte(4));
        info.RTCMinute = uint8_t(clockByte(5));
        info.RTCSecond = uint8_t(clockByte(6));

        const QDateTime clock = NormalisedDateTime(info.RTCYear, info.RTCMonth, info.RTCDay, info.RTCHour,
            info.RTCMinute, info.RTCSecond);
        info.RTCSeconds = int32_t(VB2UTC(clock, true));
        info.RTCLocal = UTC2VB(info.RTCSeconds);

        const QDateTime gmt = GMTNow();
        Progress(services, QStringLiteral("Local time is now ") + FormatDate(info.PCTime) + QStringLiteral(" (UTC:")
                + QString::number(VB2UTC(gmt, true)) + QStringLiteral(" GMT:") + FormatDate(gmt) + QLatin1Char(')'));
        Progress(services, QStringLiteral("Instrument set to ") + FormatDate(info.RTCLocal) + QStringLiteral(" (UTC:")
                + QString::number(info.RTCSeconds) + QStringLiteral(" GMT:") + FormatDate(clock) + QLatin1Char(')'));

        CheckClockBeingSet(services, info, *reply);
        result = info.RTCDelay;
    });
    return result;
}

QByteArray ClockSetPayload(const QDateTime& utc)
{
    const QDate date = utc.date();
    const QTime time = utc.time();
    auto two = [](int value) { return QByteArray::number(value % 100).rightJustified(2, '0'); };
    return "K" + two(date.year()) + two(date.month()) + two(date.day()) + two(date.dayOfWeek()) + two(time.hour())
        + two(time.minute()) + two(time.second());
}

void SetRTCDetails(InstrumentLink& link, Services& services)
{
    Guarded(services, "SetRTCDetails", [&] {
        const QDateTime gmt = GMTNow();
        Progress(services, QStringLiteral("Setting RTC to ") + FormatDate(gmt) + QStringLiteral(" which is ")
                + FormatDate(gmt.toLocalTime()) + QStringLiteral(" in LocalTime"));
        SendOnce(link, ClockSetPayload(gmt));
    });
}

}
