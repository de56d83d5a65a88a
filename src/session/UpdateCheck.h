#pragma once
#include "UpdateTransfer.h"

#include <QString>
#include <QStringList>

class CancelToken;
class OperationObserver;
struct Services;

// The software update check: fetches the list the maker's server keeps for
// this program version, compares the MD5 of every listed file of the
// application folder with the list's value and, for each file that
// differs, does what the list asks (replace it, replace it and offer a
// restart, download and open a document, open a web page, delete it, or
// offer a new installation package to be saved). Progress goes to the
// session log, results to the status bar, questions, messages and balloons.
//
// Every name in the list is confined: files stay inside the application
// folder, documents and packages are saved under plain file names, and only
// http and https addresses are fetched or opened. A file is replaced only
// once its new content arrived complete.

// "app.txt", section "Update".
namespace UpdateSettings {
inline const QString Section = QStringLiteral("Update");
// The server's base address ("Server"); empty when none is set.
QString Server(const QString& appSettingsFile);
// "WithUpgradeOption" is "True" (any case); false when absent.
bool WithUpgradeOption(const QString& appSettingsFile);
// Sets "DoHashCheck" to "True": a file of the application was replaced or deleted.
void MarkHashCheck(const QString& appSettingsFile);
}

// The message when no server is set.
inline const QString NoUpdateServerText = QStringLiteral(
    "No update server is set - add its address as \"Server\" in the \"Update\" section of app.txt.");

struct UpdateCheckOptions {
    QString server;              // base address, e.g. "https://host/ftp/Distribution/Updates/"
    QString listName;            // VersionListName() of this program
    int revision = 0;            // this program's revision, for the "~" command
    bool dryRun = false;         // only say what would be done (UpdateOutcome::plan)
    // The application folder belongs to the system's package manager:
    // entries that would replace or delete its files are reported and skipped.
    bool appFolderManaged = false;
    QString downloadFolder;      // where "O" saves what it opens; a fresh private folder when empty
    TransferLimits limits;       // for every transfer (the list is further limited to UpdateListMaxBytes)
};

struct UpdateOutcome {
    enum class End {
        NoServer,        // no (usable) server address: nothing was tried
        ListFailed,      // the list could not be fetched
        Finished,        // the list was processed (to its end or to a stop command)
        Failed,          // a failure went through the common error path
        Cancelled,
    };
    End end = End::Finished;
    bool updatesFound = false;       // some entry differed from the local file
    bool restartRequested = false;   // the user agreed to restart after an update
    int failedTransfers = 0;
    int refusedEntries = 0;          // names or addresses refused
    int managedEntries = 0;          // skipped: the package manager owns the folder
    QStringList plan;                // dry run: one line per entry and question
};

struct UpdateCheckContext {
    Services& services;
    OperationObserver& observer;
    const CancelToken* cancel = nullptr;
};

// The whole check. Blocks until it ends (every transfer is bounded by the
// options' limits); run it off the window's thread.
UpdateOutcome CheckForUpdates(UpdateCheckContext& context, const UpdateCheckOptions& options);

// What a check the user asked for ended with, in a sentence for a message
// box: no server, no list, or nothing to update. Empty where the check has
// said its outcome already (its questions, its error box) or was cancelled.
QString UpdateOutcomeText(const UpdateOutcome& outcome);

// True when the application folder should be left to the system's package
// manager: it cannot be written, or it lies in the system's own program
// folders ("/usr", but not "/usr/local").
bool ApplicationFolderManaged(const QString& appFolder);

// The options for this program: the server from "app.txt" unless one is
// given, the list name and revision from version, the folder rule above.
UpdateCheckOptions UpdateOptionsFor(const Services& services, const QString& version, const QString& server = {});
