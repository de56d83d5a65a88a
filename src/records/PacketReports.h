#pragma once
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

struct InstrumentInfo;

// The small text reports of the technical file, each built whole from what
// the caller gathered. Pure functions: the packet writer writes them.
namespace PacketReports {

// "info.txt" as first written; InfoEnd is appended once everything else is in.
QStringList InfoHead(const QDateTime& nowUtc, const QLocale& locale);
QStringList InfoEnd();
inline const QString EndMarker = QStringLiteral(":::5720:::");

QStringList CurveCsv();
QStringList Limits(const std::array<uint8_t, 257>& flashLimits, const QLocale& locale);
QStringList MgmConversion(const InstrumentInfo& info, const QLocale& locale);
QStringList FirmwareId(const QString& id, const QString& fullString);
// "rtc.txt": the last clock reading and its error (PC time - instrument time).
QStringList Clock(const InstrumentInfo& info, const QLocale& locale);

// The password's hash never leaves the PC: the key stays, its value is withheld.
QStringList User(const QString& login, const QString& folder, const QString& passwordValid);

struct InstallRecord {
    QString done, date, type, version;
};
QStringList Registry(const InstallRecord& install);

struct Environment {
    QString computerName;
    double utcOffsetHours = 0;
    QString locationCode;
    QString windowsFolder;
};
QStringList OperatingSystem(const Environment& environment, const QLocale& locale);

struct Software {
    int versionMajor = 0, versionMinor = 0, versionRevision = 0;
    QString path;      // the program's folder and executable
    QString options;   // its command line
};
QStringList SoftwareInfo(const Software& software, const QLocale& locale);

}
