#pragma once
#include <QDateTime>
#include <QString>
#include <functional>

class SessionLog;
struct AppPaths;
struct Services;

// The session log of this run: "session.txt" in the data folder, emptied,
// with file logging on. When the data folder is not the per-user one
// (perUserFolder false) the path stays empty, so the log goes to its
// fallback file in the user's profile. False when the file could not be
// emptied (logging stays on; its first failed line reports the problem).
// With keepExisting the file is added to instead: another running program
// writes its own session there.
bool StartSessionLog(SessionLog& log, const AppPaths& paths, bool perUserFolder = true, bool keepExisting = false);

// "v" + major + "." + minor + "r" + revision, from a version such as "1.2.3"
// (the session log's banner, which tools may read).
QString VersionLabel(const QString& version);
// The title of every message box: title + " - " + company.
QString AppCaptionText(const QString& title, const QString& company = QStringLiteral("Karvex"));
// The main window's caption: AppCaption + " (1.0.0)", the version as the
// About box shows it, prefixed with "[DEBUG MODE] : " in debug mode.
QString MainWindowCaption(const QString& appCaption, const QString& version, bool debugMode);

// What the start-up banner of the session log shows.
struct StartupBanner {
    QDateTime now;
    QString executablePath;  // the program file, full path
    QString version;         // "1.2.3"
    QString locationCode;    // e.g. "en-GB"
    QString userName;
    QString computerName;
    QString commandLine;     // may be empty
    QString passwordValid;   // "Password"/"Valid" of "user.txt", "Unknown" when missing
};
// The level-3 lines that open a session: date and time, program and
// version, user and computer, options, password status, "Starting application".
void LogStartupBanner(SessionLog& log, const StartupBanner& banner);

// A date and time as the session log shows it (the general date form).
QString LogDateTime(const QDateTime& when);

// Shutdown: logs "Shutting down comms", stops the link, logs "Stopping
// application"; with offerLog, asks whether to view the session log and
// opens it for editing on Yes.
void ShutDown(Services& services, bool offerLog, const std::function<void()>& stopComms);
