#pragma once
#include "data/DownloadFilter.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

class CliSession;
class TerminalProgress;
struct DownloadTable;
struct FirmwareFlags;
struct InstrumentInfo;

// The output file, format and filter options that download and archive
// export share: what they ask of the data-file writer.
struct DataFileRequest {
    QString output;
    std::optional<int> format;
    std::optional<int> typeNumber;
    std::optional<bool> singleColumn;
    std::optional<bool> onlyScheduled;
    std::optional<QDateTime> from, to;
    std::optional<int> boundA, boundB;
    std::optional<DownloadFilter::ConcentrationRule> rule;
};

// -o FILE and the format and filter options.
QList<QCommandLineOption> DataFileOptions();
// The format and filter options alone (a command that writes no data file).
QList<QCommandLineOption> FilterOptions();

// The request from the options; nullopt with the bad option named in problem
// (command names the command that needs them). The output file is checked
// before any instrument work.
std::optional<DataFileRequest> ReadDataFileRequest(const QCommandLineParser& parser, const QString& command,
    QString& problem);

// Without --format the stored format is used: when that is the plot script
// and the target cannot take its two files, why (checked, like the options,
// before any instrument work); else empty.
QString StoredFormatProblem(CliSession& session, const DataFileRequest& request);

// The format and filter choices alone (no output file); nullopt with the
// bad option named in problem.
std::optional<DataFileRequest> ReadFilterRequest(const QCommandLineParser& parser, QString& problem);

// The filter the options set over what a completed download of the table
// sets (the stored format unless --format names one).
DownloadFilter FilterAsRequested(CliSession& session, const DataFileRequest& request, const DownloadTable& table);

// Filters the table as the options say over what a completed download sets,
// and writes it as "Save Data" does: ExitOk with the count printed (on
// stderr when the data go to standard output), ExitUsage when the stored
// plot-script format meets -o - or a target that is not a regular file, else ExitFailed.
int SaveTableAsRequested(CliSession& session, const DataFileRequest& request, const DownloadTable& table,
    const InstrumentInfo& info, const FirmwareFlags& flags, TerminalProgress& progress);
