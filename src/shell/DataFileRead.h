#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

class SessionLog;
class Prompts;

// Reading the program's own files in the data folder (settings, user,
// history and record files). Such a file is small text: anything else (a
// device, a FIFO, a folder, or a file over the size limit) is skipped
// unread, so a damaged folder can neither block the program nor exhaust its
// memory, and the caller goes on with its defaults.

inline constexpr qint64 DataFileMaxBytes = 1024 * 1024;

struct DataFileRead {
    std::optional<QByteArray> bytes;   // the content; nullopt when missing, unreadable or skipped
    QString skipped;                   // why the file was skipped; empty when read or missing
};

// Never blocks: a FIFO is opened without waiting for a writer and then skipped.
DataFileRead ReadDataFile(const QString& path, qint64 maxBytes = DataFileMaxBytes);

// The user-facing line for a skipped file: "Skipped <path>: <why>; defaults are used."
QString SkippedDataFileText(const QString& path, const QString& why);

// Tells the session log and the user (one message) about every one of paths
// that is skipped. Returns how many were skipped.
int ReportSkippedDataFiles(SessionLog& log, Prompts& prompts, const QString& caption, const QStringList& paths);
