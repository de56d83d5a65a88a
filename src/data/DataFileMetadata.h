#pragma once
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>

struct InstrumentInfo;

// What the metadata block at the end of a Comprehensive file records: when,
// where and by whom the file was written, the program, the instrument and its
// conversion constants, calibration and clock.
struct DataFileMetadata {
    QDateTime retrieved;            // local time of the save
    int utcOffsetSeconds = 0;       // local time minus UTC at the save
    QString filePath;
    QString userName;
    QString launch;                 // program folder, separator, program name, " ", command line
    int versionMajor = 0, versionMinor = 0, versionRevision = 0;
    // Entries "P", "M", "R", "K" of section "MGM" of the instrument's settings.txt.
    QString pressure = QStringLiteral("101.325");
    QString molarMass = QStringLiteral("30.01");
    QString gasConstant = QStringLiteral("8.314472");
    QString kelvinOffset = QStringLiteral("273.15");
    QString firstSeen = QStringLiteral("Never");      // initial.txt [Default] FirstSeen
    QString firstCount = QStringLiteral("Unknown");   // settings.txt [Defualt] Counter
};

// Reads the instrument's record files (settings.txt, initial.txt in its record
// folder) into the metadata; entries that are missing keep their defaults.
void ReadInstrumentRecordEntries(const QString& recordFolder, DataFileMetadata& metadata);

// The block's lines, from the empty line before "#%$Meta%" to "#FISRTCOUNT=".
// Each value line is tag, sep, value in double quotes.
QStringList MetadataLines(const DataFileMetadata& metadata, const InstrumentInfo& info, const QString& sep,
    const QLocale& locale);
