#pragma once
#include "instrument/ClockError.h"

#include <QDateTime>
#include <QString>

struct ConnectionContext;
struct InstrumentInfo;

// The keep-alive: an idle instrument is pinged after a minute without an
// exchange, and a ping refreshes the memory, schedule and clock state shown
// in the status bar.

inline const QString LinkLostText = QStringLiteral("Communication with instrument has been lost!");
inline const QString FoundAgainText = QStringLiteral("Found instrument again.");

// Seconds from the end of the last exchange to now, as a real interval:
// correct across midnight and date changes. A link that never exchanged
// anything counts as idle for ever.
double IdleSeconds(const QDateTime& lastCommsAt, const QDateTime& now);

// "Schedule: Running", "Schedule: Enabled" or "Schedule: Disabled".
QString ScheduleStateText(const InstrumentInfo& info);
// "Memory Used:" + slots used of the total as a percentage; empty when the
// capacity is unknown.
QString MemoryUsedText(const InstrumentInfo& info);

struct KeepAliveOutcome {
    enum class Kind { Idle, Answered, Lost };
    Kind kind = Kind::Idle;
    double idleSeconds = 0;
    QString clockText;       // status panel 2 after an answered ping
    QString scheduleText;    // status panel 3 after an answered ping
    QString memoryText;      // status panel 4 after an answered ping
};

// One tick: below a minute of idle time nothing is sent (idle periods over
// 5 seconds are logged; both times are the link's timing); after it the instrument is pinged and, when it
// answers, its sample memory, schedule and clock are read again. A clock
// error of two minutes or more is announced by a balloon.
KeepAliveOutcome KeepAliveTick(ConnectionContext& context, const QDateTime& now);
