#pragma once
#include <QByteArray>
#include <QString>

// Where a whole file the program writes may go. A regular file (or a new
// one) is replaced in one step, so a failed write leaves the old content. An
// existing target that is not a regular file (a device such as /dev/null, a
// terminal, a FIFO) is written in place: replacing it would put an ordinary
// file where the device was. "-" names standard output.

inline const QString StandardOutputName = QStringLiteral("-");

bool IsStandardOutput(const QString& path);
// True when path exists and is not a regular file or a folder (symbolic
// links followed): the target is written in place.
bool IsInPlaceTarget(const QString& path);

// Why path cannot be written; empty when it can be tried. Checked before
// long work so nothing read is thrown away: the folder must exist and the
// name must not be a folder; a device must open for writing; a FIFO must
// allow this user to write.
QString OutputProblem(const QString& path);

// Writes content as the whole of path: standard output for "-", in place
// for a device or FIFO, else WriteFileAtomically. A FIFO is waited for a
// reader, and every write for room, at most a bounded time. False when the
// content could not be written whole.
bool WriteOutputFile(const QString& path, const QByteArray& content);
