#pragma once
#include <QtGlobal>

// The time units the statistics, the report and the chart count in.
namespace TimeUnits {
inline constexpr qint64 MsPerSecond = 1000;
inline constexpr qint64 SecondsPerMinute = 60;
inline constexpr qint64 SecondsPerHour = 3600;
}
