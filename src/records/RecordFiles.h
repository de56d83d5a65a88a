#pragma once
#include <QDateTime>
#include <QString>
#include <QStringList>

struct InstrumentInfo;
struct LegacyValues;

// The texts of an instrument's record files, built from the instrument
// record as connection control left it. Pure functions: the record step
// (InstrumentRecords) writes them.

// "initial.txt": the 52-line snapshot of the instrument as first seen.
// nowGmt is the moment of the first connection, in UTC.
QStringList InitialFileLines(const InstrumentInfo& info, const LegacyValues& legacy, const QDateTime& nowGmt);

// "settings.txt": the 13 lines with the FRAM reset count and the clock-setting flag.
QStringList SettingsFileLines(const LegacyValues& legacy);

// The three history texts that open the history of a new instrument.
QStringList HistoryHeadTexts(const QString& serialNumber);

// The nine history texts of one connection ("Connected at ..." to the empty text).
QStringList ConnectionBlockTexts(const InstrumentInfo& info, const QString& softwareVersion, const QDateTime& nowGmt);
