#pragma once
#include "CliPrompts.h"
#include "DemoInstrument.h"
#include "instrument/DownloadTable.h"
#include "instrument/InstrumentInfo.h"
#include "session/CoreSession.h"
#include "shell/AppPaths.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class InstanceLock;
class InstrumentSession;
class PortMap;

// The global options of tolvi-cli.
struct CliOptions {
    QString port;                       // --port: 7, COM7, a device path or net://host:port
    bool autoConnect = false;           // --auto
    bool demo = false;                  // --demo: the built-in simulated instrument
    QString dataDir;                    // --data-dir, else the per-user data folder
    bool assumeYes = false;             // --yes
    std::optional<QString> password;    // --password or TOLVI_PASSWORD
    QStringList arguments;              // the whole command line, for the log
};

// One run of tolvi-cli: the data folder, the core session (log, settings,
// link and instrument session, as the desktop program has them) on the
// terminal's prompts, plus the simulated instrument with --demo.
class CliSession {
public:
    explicit CliSession(CliOptions options);
    ~CliSession();
    CliSession(const CliSession&) = delete;
    CliSession& operator=(const CliSession&) = delete;

    // Prepares everything; ExitOk, or ExitFailed with the reason on stderr.
    int start();
    // Connects as the options say (--port, --auto, --demo) and runs
    // connection control: ExitOk, ExitUsage (no port given or a port that
    // names nothing), ExitNoInstrument or ExitFailed.
    int connect();
    // Opens the link on the port the options name without sending anything:
    // ExitOk, ExitUsage or ExitNoInstrument.
    int openLink();

    // The connection: the link, the instrument record and the downloads.
    InstrumentSession& instrumentSession() { return core_->instrumentSession(); }
    InstrumentInfo& instrument();
    DownloadTable& downloads();
    InstrumentLink& link() { return core_->link(); }
    Services& services() { return core_->services(); }
    CliPrompts& prompts() { return *prompts_; }
    const CliOptions& options() const { return options_; }

    // One error line on stderr (also logged).
    void error(const QString& line);
    // The exit status for an operation that did not succeed: ExitRefused
    // when a confirmation or password was refused, else fallback.
    int failureStatus(int fallback) const;

    // The port-list entry for a --port text ("COM Port 7", "net://h:p"), a
    // device path being entered into the port map; empty when the text
    // names no port.
    static QString portEntryFor(const QString& text, PortMap& portMap);

private:
    QString chosenEntry();
    // The port entry the options name, or empty after an error line
    // (ways: how a port may be given, for that line).
    QString requiredEntry(const QString& ways);

    CliOptions options_;
    AppPaths paths_;
    std::unique_ptr<InstanceLock> instanceLock_;   // null when another running program holds it
    std::unique_ptr<CoreSession> core_;   // from the moment the data folder is known
    std::unique_ptr<CliPrompts> prompts_;
    DemoInstrument demo_;
};
