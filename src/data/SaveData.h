#pragma once
#include "data/DataFileMetadata.h"

#include <QLocale>
#include <QString>

struct Services;
struct DownloadTable;
struct InstrumentInfo;
struct FirmwareFlags;
struct DownloadFilter;
class DataFileSettings;
class OperationObserver;

// What a save needs to know about the program itself (Comprehensive's
// metadata and the plot's time stamp line).
struct ProgramIdentity {
    QString windowTitle = QStringLiteral("Tolvi");
    QString launch;                 // program folder + separator + name + " " + command line
    int versionMajor = 0, versionMinor = 0, versionRevision = 0;
};

// This program as a data file's metadata names it: the window title, the
// executable with the command line after it (without the program name), and
// the version this build carries.
ProgramIdentity ThisProgramIdentity(const QString& windowTitle, const QStringList& arguments);

struct SaveDataContext {
    Services& services;
    const DataFileSettings& settings;
    const DownloadTable& table;
    const InstrumentInfo& info;
    const FirmwareFlags& flags;
    OperationObserver& observer;
    ProgramIdentity program;
    QLocale locale = QLocale::system();
};

struct SaveDataResult {
    bool saved = false;             // false: dialog cancelled or the file could not be written
    int count = 0;                  // records written
    QString path;                   // the file written (the data file of a plot script)
};

// "Save Data": selects the records by the filter, asks for the file (type list,
// preselection and proposed name by the stored choices), writes it in the
// layout of the chosen entry, logs and reports "n samples saved to '...'".
// singleColumn is the state of the "Date and Time in Single Column" box.
// Each file is written whole to a temporary file and then renamed over the
// target, so a failed write leaves any earlier file as it was; a device or
// FIFO is written in place and "-" is standard output (shell/OutputFile).
SaveDataResult SaveData(SaveDataContext& context, DownloadFilter& filter, bool singleColumn);
