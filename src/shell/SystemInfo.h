#pragma once
#include <QLocale>
#include <QString>

class SessionLog;

// Special folder ids the program asks for (the platform's folder numbers).
namespace FolderId {
constexpr int Desktop = 0x0000;
constexpr int Documents = 0x0005;
constexpr int AppData = 0x001A;       // per-user application data
constexpr int LocalAppData = 0x001C;
constexpr int Pictures = 0x0027;
constexpr int Profile = 0x0028;
}

// The special folder for an id, created when missing. Returns 0 and the path; -1 and
// an empty path when the folder cannot be had; -2 and an empty path for an id that
// names no folder. Failures are logged at level 253.
int GetDir(SessionLog& log, int folderId, QString& path);

// The "WINDIR" environment value (empty where there is none).
QString WinDir();
// The user's profile folder: "USERPROFILE" where set, else the home folder.
QString UsrDir();
// The user's documents folder.
QString MyDocsDir();
// The login name and the computer name.
QString GetUserName();
QString GetComputerName();

// Language (ISO 639) + "-" + country (ISO 3166), e.g. "en-GB"; the neutral
// C locale counts as "en-US".
QString GetLocationCode(const QLocale& locale = QLocale::system());

// The field separator of text data files: "," unless the locale's decimal
// separator is a comma, then ";".
QString FieldSeparator(const QLocale& locale = QLocale::system());

// The platform's temporary folder.
QString TemporaryFolder();
// A fresh, empty file in folder (default: the temporary folder) named prefix + a
// unique part + ".tmp"; the file is created so the name stays taken. Empty when no
// file can be created there.
QString TemporaryFileName(const QString& folder = {}, const QString& prefix = QStringLiteral("tmp"));

// A path shortened to at most maxChars characters for display: the start of the
// path, "…", and the file name; a file name that alone is too long is cut at its end.
QString CompactPath(const QString& path, int maxChars);
