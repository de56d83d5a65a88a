#pragma once
#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>

// The update list the maker's server keeps for each program version, read
// line by line. Reading is a pure function of the text: nothing here touches
// a file or the network.
//
// Line kinds:
//   empty or "#..."   comment
//   "*<c><text>"      in-line command <c> with its argument <text>
//   "$<text>"         a line for the session log
//   "%<text>"         a line for the session log, also shown as a balloon
//   anything else     a file entry: fields separated by "_:_"
struct UpdateLine {
    enum class Kind { Comment, InlineCommand, LogText, BalloonText, FileEntry };

    Kind kind = Kind::Comment;
    int lineNumber = 0;    // counted from 1
    QString text;          // after the first character ("*", "$", "%"); the whole line for a file entry
    QChar command;         // in-line command: the second character (null when the line is only "*")
    QString argument;      // in-line command: the text from the third character
    QStringList fields;    // file entry: every field, as given (there may be fewer than five)
};

// The five fields of a file entry.
struct UpdateFileEntry {
    QString name;          // 0: the file, relative to the application folder
    QString hash;          // 1: the expected MD5 (lower case); for "D" the name proposed for saving
    QString address;       // 2: where to download from (or the page to open, for "W")
    QChar command;         // 3: the command letter, upper case (null when the field is blank)
    QString description;   // 4: written to the log
};

constexpr int UpdateEntryFieldCount = 5;
inline const QString UpdateFieldSeparator = QStringLiteral("_:_");

// Splits the text into lines (CR LF, LF or CR) and classifies each one.
// A trailing line end does not make an extra empty line.
QList<UpdateLine> ParseUpdateList(const QString& text);

// The typed fields of a file entry; false when it has fewer than five fields.
bool ReadFileEntry(const UpdateLine& line, UpdateFileEntry& entry);

// The command letter of field 3: blanks around it removed, only its first
// character counts, upper-cased.
QChar UpdateCommandLetter(const QString& field);

// The leading number of a text as a list argument reads it: blanks skipped,
// an optional sign, digits and one decimal point; 0 when there is none.
double ListNumber(const QString& text);

// The list's name for a program version "major.minor[.revision]":
// fileDescription + "_" + major as three digits + minor as three digits + ".txt".
QString VersionListName(const QString& fileDescription, const QString& version);

// The revision (third part) of a version "major.minor.revision"; 0 when absent.
int VersionRevision(const QString& version);
