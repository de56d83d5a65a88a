#include "PacketReports.h"

#include "KeyValueReport.h"
#include "data/ReadingFormat.h"
#include "instrument/ClockError.h"
#include "instrument/InstrumentInfo.h"
#include "instrument/Measurement.h"
#include "shell/Picture.h"
#include "shell/TimeConv.h"

namespace PacketReports {

QStringList InfoHead(const QDateTime& nowUtc, const QLocale& locale)
{
    return {QStringLiteral("Tolvi Technical File"), QStringLiteral("v1.00.00"),
        FormatDate(nowUtc, QStringLiteral("DDD DD-MMM-YYYY HH:NN:SS"), locale) + QStringLiteral(" GMT"), QString()};
}

QStringList InfoEnd()
{
    return {QString(), EndMarker};
}

QStringList CurveCsv()
{
    return {QStringList{QStringLiteral("Step"), QStringLiteral("       ADC"), QStringLiteral("    Flag"),
                QStringLiteral("Comment")}.join(QLatin1Char(',')),
        QStringLiteral("TBD")};
}

QStringList Limits(const std::array<uint8_t, 257>& flashLimits, const QLocale& locale)
{
    static const char* const names[] = {"Limit One   : QRA", "Limit Two   : QRB", "Limit Three : hQRA",
        "Limit Four  : xQRA"};
    KeyValueReport report(QStringLiteral("FLASH Limit Table"));
    report.comment(QStringLiteral("NOTE: LoRes assumed"));
    for (int k = 1; k <= 4; ++k) {
        report.comment(QLatin1String(names[k - 1]))
            .section(QString::number(k))
            .entry(QStringLiteral("Slope"), FormatNumber(tolviM::LimitSlope(flashLimits, k), QStringLiteral("0.000 ppb/s"), locale))
            .entry(QStringLiteral("Offset"), FormatNumber(tolviM::LimitOffset(flashLimits, k), QStringLiteral("0.000 ppm"), locale))
            .endSection();
    }
    return report.lines();
}

QStringList MgmConversion(const InstrumentInfo& info, const QLocale& locale)
{
    auto constant = [&](double value) { return locale.toString(value, 'g', 10); };
    KeyValueReport report(QStringLiteral("mg/m3 Conversion"));
    report.comment(QStringLiteral("User settings in s/w"))
        .section(QStringLiteral("User"))
        .entry(QStringLiteral("P"), constant(MgmConstants::Pressure))
        .entry(QStringLiteral("M"), constant(MgmConstants::MolarMass))
        .entry(QStringLiteral("R"), constant(MgmConstants::GasConstant))
        .entry(QStringLiteral("K"), constant(MgmConstants::KelvinOffset))
        .endSection()
        .comment(QStringLiteral("Instrument settings from EERPOM"))
        .section(QStringLiteral("Instrument"))
        .entry(QStringLiteral("Factor"), info.MGMFixed ? constant(info.MGMFactor / 512.0) : QStringLiteral("Dynamic"))
        .endSection();
    return report.lines();
}

QStringList FirmwareId(const QString& id, const QString& fullString)
{
    KeyValueReport report(QStringLiteral("FLASH ID String"));
    report.comment(QStringLiteral("String embedded in FLASH"))
        .section(QStringLiteral("Default"))
        .entry(QStringLiteral("ID"), id)
        .entry(QStringLiteral("FullString"), fullString)
        .endSection();
    return report.lines();
}

QStringList Clock(const InstrumentInfo& info, const QLocale& locale)
{
    const double errorDays = ClockErrorDays(info);
    KeyValueReport report(QStringLiteral("RTC Settings"));
    report.comment(QStringLiteral("Time and Error against PC"))
        .section(QStringLiteral("Default"))
        .entry(QStringLiteral("Time"), FormatDate(info.RTCLocal, QStringLiteral("dd mmm yyyy hh:mm:ss"), locale))
        .entry(QStringLiteral("Error"),
            FormatNumber(errorDays, QStringLiteral("+0000.0000;-0000.0000"), locale) + QStringLiteral(" days"))
        .endSection();
    return report.lines();
}

QStringList User(const QString& login, const QString& folder, const QString& passwordValid)
{
    KeyValueReport report(QStringLiteral("User Info"));
    report.section(QStringLiteral("Default"))
        .entry(QStringLiteral("User"), login)
        .entry(QStringLiteral("Folder"), folder)
        .entry(QStringLiteral("Password"), passwordValid)
        .entry(QStringLiteral("PasswordHash"), QStringLiteral("withheld"))
        .endSection();
    return report.lines();
}

QStringList Registry(const InstallRecord& install)
{
    KeyValueReport report(QStringLiteral("Register Tree"));
    report.section(QStringLiteral("Install"))
        .entry(QStringLiteral("Done"), install.done)
        .entry(QStringLiteral("Date"), install.date)
        .entry(QStringLiteral("Type"), install.type)
        .entry(QStringLiteral("Verison"), install.version)
        .endSection();
    return report.lines();
}

QStringList OperatingSystem(const Environment& environment, const QLocale& locale)
{
    KeyValueReport report(QStringLiteral("OS Info"));
    report.section(QStringLiteral("Default"))
        .entry(QStringLiteral("Name"), environment.computerName)
        .entry(QStringLiteral("TimeZone"),
            QStringLiteral("Z") + FormatNumber(environment.utcOffsetHours, QStringLiteral("+00;-00"), locale))
        .entry(QStringLiteral("Locale"), environment.locationCode)
        .entry(QStringLiteral("Folder"), environment.windowsFolder)
        .endSection();
    return report.lines();
}

QStringList SoftwareInfo(const Software& software, const QLocale& locale)
{
    const QString picture = QStringLiteral("000.");
    KeyValueReport report(QStringLiteral("Software Info"));
    report.section(QStringLiteral("Default"))
        .entry(QStringLiteral("Version"), FormatNumber(software.versionMajor, picture, locale)
                + FormatNumber(software.versionMinor, picture, locale)
                + FormatNumber(software.versionRevision, picture, locale))
        .entry(QStringLiteral("Path"), software.path)
        .entry(QStringLiteral("Options"), software.options)
        .endSection();
    return report.lines();
}

}
