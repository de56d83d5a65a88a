#pragma once
#include "AppPaths.h"
#include "DataFolder.h"
#include "InstanceLock.h"

#include <functional>
#include <memory>

class SessionLog;
struct Services;
struct CommandLineOptions;
struct StartupOptionHandlers;

// What the start-up steps before the main window leave behind.
struct PreparedStartup {
    AppPaths paths;
    bool perUserFolder = false;
    std::unique_ptr<InstanceLock> instanceLock;  // held for the whole run
    // Another running program holds the marker: its session log is kept
    // (this run adds to it) and the user is told (SharedDataFolderText).
    bool sharedDataFolder = false;
    // No password decision stored yet: show the password dialog in
    // new-password mode before the main window.
    bool passwordChoiceNeeded = false;
};

// A write past the file-size limit (ulimit -f) would end the process with
// SIGXFSZ; ignored, the write fails instead and the session log turns its
// file logging off as for any failed write. Called first thing in main().
void IgnoreFileSizeLimitSignal();

// Names the system's time-zone file in TZ when TZ is not set. Unset, the C
// library checks /etc/localtime again on every conversion to local time,
// and a report of an archive converts millions; named, it reads the zone
// once. A change of the system's zone is then seen at the next start.
// Called first thing in main(), before any thread starts.
void PinSystemTimeZone();

// Starts a fresh session log in the data folder of paths (with keepLog, adds
// to the one there) and creates "app.txt" and "user.txt" there; false when
// the settings files could not be created.
bool OpenDataFolder(SessionLog& log, const AppPaths& paths, bool perUserFolder, bool keepLog = false);

// Takes the running-instance marker of the data folder. Null when another
// running program holds it; that is then written to the session log once it
// is started (call before OpenDataFolder, with keepLog set to the result being null).
std::unique_ptr<InstanceLock> TakeInstanceLock(const QString& dataFolder);

// What the user is told when another running program uses the data folder.
QString SharedDataFolderText(const QString& dataFolder);

// Window initialisation without the window: picks and creates the data
// folder, starts a fresh session log there, creates "app.txt" and
// "user.txt", checks whether a first password decision is due. The
// running-instance marker is taken first, so a second copy keeps the first
// one's session log.
PreparedStartup PrepareStartup(SessionLog& log, const QString& appFolder,
    const QString& dataLocation = PerUserDataLocation());

// Writes the start-up banner of this run to the session log: the time, the
// program's path and version, location, user and computer, the command line
// and the stored password state.
void LogThisStartup(SessionLog& log, const AppPaths& paths, const QString& commandLine);

// Window load without the window: applies the options, writes the start-up
// banner to the session log and runs the post-install steps when asked for
// (by "-p" or the installer). chooseNewPassword shows the password dialog in
// new-password mode.
void LoadStartup(Services& services, const CommandLineOptions& options, const StartupOptionHandlers& handlers,
    const std::function<void()>& chooseNewPassword);
