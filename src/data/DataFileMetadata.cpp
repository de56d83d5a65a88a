#include "DataFileMetadata.h"

#include "data/DataFileLayout.h"
#include "instrument/InstrumentInfo.h"
#include "link/SettingsStore.h"
#include "shell/Picture.h"

#include <QDir>
#include <cmath>

namespace {
// A constant as the single-precision value it stands for; a damaged entry
// falls back to the default rather than stopping the save.
QString singleText(const QString& entry, const QString& fallback, const QLocale& locale)
{
    bool ok = false;
    float value = QLocale::c().toFloat(entry.trimmed(), &ok);
    if (!ok)
        value = locale.toFloat(entry.trimmed(), &ok);
    if (!ok)
        value = QLocale::c().toFloat(fallback);
    return ShortestSingleText(value, locale);
}

QString quoted(const QString& tag, const QString& sep, const QString& value)
{
    return tag + sep + QLatin1Char('"') + value + QLatin1Char('"');
}
}

void ReadInstrumentRecordEntries(const QString& recordFolder, DataFileMetadata& metadata)
{
    if (recordFolder.isEmpty())
        return;
    const QString settings = QDir(recordFolder).filePath(QStringLiteral("settings.txt"));
    const QString initial = QDir(recordFolder).filePath(QStringLiteral("initial.txt"));
    const QString mgm = QStringLiteral("MGM");
    metadata.pressure = StoreReadText(settings, mgm, QStringLiteral("P"), metadata.pressure);
    metadata.molarMass = StoreReadText(settings, mgm, QStringLiteral("M"), metadata.molarMass);
    metadata.gasConstant = StoreReadText(settings, mgm, QStringLiteral("R"), metadata.gasConstant);
    metadata.kelvinOffset = StoreReadText(settings, mgm, QStringLiteral("K"), metadata.kelvinOffset);
    metadata.firstSeen = StoreReadText(initial, QStringLiteral("Default"), QStringLiteral("FirstSeen"), metadata.firstSeen);
    // The section is named so in the files the program has always written.
    metadata.firstCount = StoreReadText(settings, QStringLiteral("Defualt"), QStringLiteral("Counter"), metadata.firstCount);
}

QStringList MetadataLines(const DataFileMetadata& m, const InstrumentInfo& info, const QString& sep,
    const QLocale& locale)
{
    const double zoneHours = std::round(-m.utcOffsetSeconds / 3600.0 * 10.0) / 10.0;
    const QString zone = QString::number(zoneHours == 0 ? 0.0 : zoneHours, 'g', 15)
                             .replace(QLatin1Char('.'), locale.decimalPoint());
    const QString version = FormatNumber(m.versionMajor, QStringLiteral("000."), locale)
        + FormatNumber(m.versionMinor, QStringLiteral("000."), locale)
        + FormatNumber(m.versionRevision, QStringLiteral("000"), locale);
    const QString calibration = ShortestSingleText(info.PeakGain, locale) + QStringLiteral(" (")
        + ShortestSingleText(info.PeakValue, locale) + QStringLiteral("ppm @ ")
        + ShortestSingleText(info.CalTemperature, locale) + QStringLiteral("°C in ")
        + ShortestSingleText(info.TimeToPeak, locale) + QStringLiteral("sec)");
    const double clockErrorDays = info.PCTime.msecsTo(info.RTCLocal) / 86400000.0;

    return {
        QString(), QStringLiteral("#%$Meta%"),
        quoted(QStringLiteral("#Retrieved:"), sep, FormatDate(m.retrieved, QString(), locale)),
        quoted(QStringLiteral("#Timezone:"), sep, QStringLiteral("Z") + zone),
        quoted(QStringLiteral("#File:"), sep, m.filePath),
        quoted(QStringLiteral("#User:"), sep, m.userName),
        quoted(QStringLiteral("#Launch:"), sep, m.launch),
        quoted(QStringLiteral("#SW:"), sep, version),
        quoted(QStringLiteral("#ID:"), sep, info.ConnectionStamp),
        quoted(QStringLiteral("#COUNT:"), sep, QString::number(info.UsageCounter)),
        QString(), QStringLiteral("#%$MGM3%"),
        quoted(QStringLiteral("#P="), sep, singleText(m.pressure, QStringLiteral("101.325"), locale)),
        quoted(QStringLiteral("#M="), sep, singleText(m.molarMass, QStringLiteral("30.01"), locale)),
        quoted(QStringLiteral("#R="), sep, singleText(m.gasConstant, QStringLiteral("8.314472"), locale)),
        quoted(QStringLiteral("#K="), sep, singleText(m.kelvinOffset, QStringLiteral("273.15"), locale)),
        QString(), QStringLiteral("#%$INST%"),
        quoted(QStringLiteral("#FW:"), sep, info.FirmwareID),
        quoted(QStringLiteral("#SN:"), sep, info.SerialNumber),
        quoted(QStringLiteral("#MAN:"), sep, FormatDate(info.Manufactured, QString(), locale)),
        quoted(QStringLiteral("#SER:"), sep, FormatDate(info.Serviced, QString(), locale)),
        quoted(QStringLiteral("#CAL1:"), sep, calibration),
        quoted(QStringLiteral("#CAL2:"), sep, ShortestSingleText(info.AreaGain, locale)),
        quoted(QStringLiteral("#RTC:"), sep, FormatDate(info.RTCLocal, QStringLiteral("dd mmm yyyy hh:mm:ss"), locale)),
        quoted(QStringLiteral("#RTCE:"), sep,
            FormatNumber(clockErrorDays, QStringLiteral("+0000.0000;-0000.0000"), locale) + QStringLiteral(" days")),
        quoted(QStringLiteral("#FIRST="), sep, m.firstSeen),
        quoted(QStringLiteral("#FISRTCOUNT="), sep, m.firstCount),
    };
}
