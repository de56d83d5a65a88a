#pragma once
#include "shell/AppPaths.h"
#include "shell/PerUserSettings.h"
#include "shell/SessionLog.h"
#include "link/PortMap.h"
#include "link/ProtocolTiming.h"

#include <QString>
#include <memory>

class InstrumentLink;
class InstrumentSession;
class MainModel;
class Prompts;
struct Services;

// What every run of the program holds, the window's and the command line's
// alike: the session log, the per-user settings, the services, the port map,
// the instrument link, the instrument session and the main-window model,
// wired in one order. The
// front ends add only what is theirs (windows and threads, or a terminal's
// prompts) and the simulated instrument of the demo modes.
class CoreSession {
public:
    // The program's title: the per-user store's application name, the log's
    // fallback file and the base of every caption.
    static QString programTitle() { return QStringLiteral("Tolvi"); }

    // perUserIni: an ini file for the per-user settings instead of the
    // platform's store (tests, the command line's own data folder).
    // timing: the link's fixed waits; the programs run with the real ones.
    explicit CoreSession(const QString& perUserIni = {}, const ProtocolTiming& timing = {});
    ~CoreSession();
    CoreSession(const CoreSession&) = delete;
    CoreSession& operator=(const CoreSession&) = delete;

    SessionLog& log() { return log_; }
    PerUserSettings& perUser() { return perUser_; }

    // On a data folder whose session log and settings files are in place:
    // the services, the port map with the devices named in "app.txt", the
    // link (answering through prompts; not yet reset, see InstrumentLink::
    // StartComms), the instrument session on it and the main-window model.
    void start(const AppPaths& paths, Prompts& prompts);
    bool started() const { return model_ != nullptr; }

    Services& services() { return *services_; }
    PortMap& portMap() { return portMap_; }
    InstrumentLink& link() { return *link_; }
    // The connection both front ends use: connect, the record, the downloads.
    InstrumentSession& instrumentSession() { return *instrumentSession_; }
    // The main window's state (the window's front end only needs it).
    MainModel& model() { return *model_; }

    // The title of every message box and of the tray icon.
    const QString& appCaption() const { return appCaption_; }
    // The main window's caption, with the debug-mode prefix when asked for.
    QString mainWindowCaption(bool debugMode) const;

    // Closes the instrument's line, serial or network (the shutdown).
    void stopLink();

private:
    SessionLog log_;
    PerUserSettings perUser_;
    QString appCaption_;
    ProtocolTiming timing_;
    std::unique_ptr<Services> services_;
    PortMap portMap_;
    std::unique_ptr<InstrumentLink> link_;
    std::unique_ptr<InstrumentSession> instrumentSession_;
    std::unique_ptr<MainModel> model_;
};
