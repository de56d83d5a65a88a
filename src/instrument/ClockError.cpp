#include "instrument/ClockError.h"

#include "instrument/InstrumentInfo.h"
#include "shell/Picture.h"
#include "shell/Prompts.h"
#include "shell/Services.h"

#include <cmath>

double ClockErrorDays(const InstrumentInfo& info)
{
    // Both readings are whole seconds of wall-clock time; the PC's reading
    // carries milliseconds that would turn an exact match into a tiny error.
    return std::round(info.RTCLocal.msecsTo(info.PCTime) / 1000.0) / 86400.0;
}

QString ClockErrorText(double days)
{
    return QStringLiteral("Clock Error: ") + ClockErrorValueText(days);
}

QString ClockErrorValueText(double days)
{
    if (days == 0)
        return QStringLiteral("None");
    const QString sign = days < 0 ? QStringLiteral("-") : QStringLiteral("+");
    return sign + FormatDays(std::fabs(days), QStringLiteral("hh:mm:ss"));
}

bool WarnOfClockError(Services& services, const InstrumentInfo& info, double days)
{
    if (std::fabs(days) < ClockErrorBalloonDays)
        return false;
    services.prompts.balloon(QStringLiteral("Instrument clock has an error of more than 2 minutes (")
            + FormatDate(info.RTCLocal, QStringLiteral("dd-MMM-YYYY HH:NN:SS"))
            + QStringLiteral("). It's recommended that you check you PC clock and adjust the instrument "
                             "clock to match."),
        services.appCaption, Prompts::Icon::Information, 20000);
    return true;
}
