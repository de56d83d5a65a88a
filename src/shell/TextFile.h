#pragma once
#include <QString>

// Lines end CR LF in the text files written here and in the multi-line
// texts the pages show.
inline const QString CrLf = QStringLiteral("\r\n");

class SessionLog;
struct AppPaths;

// Writes one line (ended CR LF) to a text file: replaces the content when
// overwrite is set, else appends (creating the file). A relative path is
// resolved by AppPaths. With verbose, the write is logged at level 0. A
// symbolic link, a FIFO or a device in the file's place is not written
// (a link is logged as such).
// WriteLineToFile(path, "", true, ...) creates or empties a file.
// Returns false when the file could not be written.
bool WriteLineToFile(const AppPaths& paths, SessionLog* log, const QString& path, const QString& line,
    bool overwrite, bool verbose);

// Replaces a file's whole content in one step: written to a temporary file
// beside it, then renamed over it, so a failed write leaves the old content.
bool WriteFileAtomically(const QString& path, const QByteArray& content);
