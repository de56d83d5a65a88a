#pragma once
#include "records/PacketReports.h"

#include <QDate>
#include <QLocale>
#include <QString>

class InstrumentLink;
class OperationObserver;
struct DownloadTable;
struct InstrumentInfo;
struct Services;

// The technical file: everything the program knows about the connected
// instrument, the PC and itself, as a ZIP archive of small text reports for
// the maker's service. Runs only while an instrument is connected.
struct TechnicalFileContext {
    Services& services;
    InstrumentLink& link;
    InstrumentInfo& info;
    const DownloadTable& table;
    OperationObserver& observer;
    PacketReports::Software software = {};
    QString archivePath = {};         // empty: TechnicalFileName() in the documents folder
    bool offerToOpenFolder = true;    // ask whether to open the archive's folder when done
    QLocale locale = QLocale::system();
};

struct TechnicalFileResult {
    bool generated = false;           // the archive is complete at archivePath
    QString archivePath;
};

// The archive's name: the instrument's serial number and the day, so the
// file of one instrument never replaces another's:
// "TechnicalFile_10234F_20261211.tolvi" ("TechnicalFile_20261211.tolvi"
// without a serial number).
QString TechnicalFileName(const QString& serialNumber, const QDate& date);
// The archive's default place: the user's documents folder.
QString DefaultTechnicalFilePath(Services& services, const QString& serialNumber, const QDate& date);

// This program as "soft.txt" describes it: version, executable, command line.
PacketReports::Software ThisSoftware(const QStringList& arguments);

// Builds the "Packet" folder in the data folder, reads the instrument's event
// logs, EEPROM, firmware strings and clock into it, packs it into the archive
// (an earlier archive is replaced only by a complete new one), empties the
// folder and offers to open the archive's folder. A failed pack is told to
// the user and leaves the earlier archive and the folder's files in place.
TechnicalFileResult GenerateTechnicalFile(TechnicalFileContext& context);
