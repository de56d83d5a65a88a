#pragma once
#include <QString>

struct InstrumentInfo;
struct Services;

// How far the instrument's clock is from the PC's, and the notice about it.

// A clock error of this many days (about two minutes) or more is announced.
constexpr double ClockErrorBalloonDays = 0.00138;

// PC time minus instrument time in days, from the last clock read.
double ClockErrorDays(const InstrumentInfo& info);
// "Clock Error: None", "Clock Error: +hh:mm:ss" or "Clock Error: -hh:mm:ss".
QString ClockErrorText(double days);
// The same without its "Clock Error: " head: "None", "+hh:mm:ss" or "-hh:mm:ss".
QString ClockErrorValueText(double days);
// Status panel 2 while the clock error is not known.
inline const QString ClockErrorUnknownText = QStringLiteral("Clock Error: ???");
// Shows the tray balloon about a clock error of two minutes or more; true when it did.
bool WarnOfClockError(Services& services, const InstrumentInfo& info, double days);
