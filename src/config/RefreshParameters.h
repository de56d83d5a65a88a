#pragma once
#include <QString>
#include <QStringView>

// The sensor refresh's parameters, kept as text in section "Refresh" of the
// application settings file ("app.txt") so that a service engineer can
// change them there.
struct RefreshParameters {
    int cycles = 10;            // "Cycles": sampling cycles, 0 to 255
    int pumpRunTenths = 10;     // "PRT": pump and valve run time for the refresh, tenths of a second, 0 to 255
    double cycleSeconds = 20;   // "Length": length of one cycle in seconds
};

inline const QString RefreshSection = QStringLiteral("Refresh");

// The longest cycle accepted: one day.
constexpr double MaxCycleSeconds = 86400;

// Reads the three keys of the settings file; a key that is missing is
// written with its default first, so the file always shows the values used.
// Text that is not a number counts as 0. Throws std::overflow_error, naming
// the key and its value, when "Cycles" or "PRT" lies outside 0 to 255 or
// "Length" outside 0 to one day.
RefreshParameters ReadRefreshParameters(const QString& settingsFile);

// The number at the start of a text as the settings are read: leading blanks,
// an optional sign, digits with an optional decimal point ("12.5x" is 12.5,
// "abc" is 0).
double LeadingDecimal(QStringView text);

// "Are you sure, the procedure will take about 3 minutes and 20 seconds to
// complete..." for the whole run (cycles x length, to the second).
QString RefreshQuestion(const RefreshParameters& parameters);
