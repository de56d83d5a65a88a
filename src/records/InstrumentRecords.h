#pragma once
#include <QDateTime>
#include <QString>

struct InstrumentInfo;
struct Services;

// The instrument's record folder: the data folder + the serial number.
QString RecordFolderFor(const QString& dataFolder, const QString& serialNumber);

struct RecordStepResult {
    QString folder;              // empty when no folder could be named (no serial number)
    bool newInstrument = false;  // the folder did not exist before this connection
    bool filesWritten = true;    // false when a record file could not be written
};

// The record step of a connection, once the instrument has been read: a new
// serial number gets its folder, "initial.txt", "settings.txt" (taking over
// and then removing any legacy per-user values) and the head of
// "history.txt"; every connection appends its block to "history.txt".
// nowGmt is the moment of the connection in UTC.
RecordStepResult WriteConnectionRecords(Services& services, const InstrumentInfo& info, const QDateTime& nowGmt,
    const QString& softwareVersion = QStringLiteral(TOLVI_VERSION));
