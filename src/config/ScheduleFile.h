#pragma once
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QTime>
#include <optional>

class SessionLog;

// The schedule set-up file (".sch"): eight CR LF lines, each a key
// character, a blank and a value.
//   # Karvex Technology Ltd. Tolvi-M Schedule File.
//   S <start, HH:MM:SS>     L <length, HH:MM:SS>     F <minutes between samples>
//   W <week mask 0-127>     C <configuration byte>   ? <comment>
//   # END OF FILE
// Keys are case-sensitive; lines may come in any order or be missing.

// What a file holds; a field the file does not name stays empty.
struct ScheduleFileContent {
    std::optional<QTime> start;
    std::optional<QTime> length;
    std::optional<int> frequency;
    std::optional<int> weekMask;
    std::optional<int> config;
    std::optional<QString> comment;
};

// The page's values a file is written from.
struct ScheduleFileValues {
    QTime start;
    QTime length;
    int frequency = 0;
    int weekMask = 0;
    int config = 0;
    QString comment;
};

// Why a file could not be read: the error number and description of the
// common error text, and the file's line (0 for the file as a whole, which
// the error text then names instead of a line).
struct ScheduleFileProblem {
    int number = 0;
    QString description;
    int line = 0;
};

namespace ScheduleFile {
inline const QString Header = QStringLiteral("# Karvex Technology Ltd. Tolvi-M Schedule File.");
inline const QString Trailer = QStringLiteral("# END OF FILE");
inline const QString Extension = QStringLiteral("sch");

// The file's lines. Times are written as 24-hour HH:MM:SS whatever the
// locale, so a file saved under one locale loads under any other.
QStringList Lines(const ScheduleFileValues& values);
// Writes the lines in one step (a failed write leaves an older file as it
// was), each logged as the data files' lines are. False when it failed.
bool Write(const QString& path, const ScheduleFileValues& values, SessionLog& log);

// Reads every line (ended CR LF, LF or CR) and checks every value before
// anything is applied: "#" lines are logged at level 3, unknown keys at
// level 253. A time that reads neither as HH:MM[:SS] nor in the locale's
// forms, a value the page cannot show as it stands (F above 60, W above 127,
// C outside 0 to 255 or with a bit the schedule does not use), or a file
// without a single S, L, F, W, C or ? line is a problem, and the content is
// then not returned. The file is read only when it is a regular file of at
// most 64 KB: a FIFO or a device is refused without waiting on it.
struct ReadResult {
    std::optional<ScheduleFileContent> content;
    ScheduleFileProblem problem;
};
ReadResult Parse(const QByteArray& bytes, SessionLog& log, const QLocale& locale = QLocale::system());
ReadResult Read(const QString& path, SessionLog& log, const QLocale& locale = QLocale::system());

// A time of day from a file: 24-hour H:MM[:SS] (or with dots), then the
// locale's own forms, then 12-hour forms with AM/PM.
std::optional<QTime> ReadTime(const QString& text, const QLocale& locale);

// "SCH_" + day of month, hour, minutes, seconds.
QString ProposedName(const QDateTime& localNow);
}
