#include "CliSession.h"

#include "ExitCode.h"
#include "ProgramTiming.h"
#include "link/InstrumentLink.h"
#include "link/PortMapSettings.h"
#include "link/PortMap.h"
#include "session/InstrumentSession.h"
#include "shell/DataFolder.h"
#include "shell/SessionLog.h"
#include "shell/Startup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {
// The command line as the session log keeps it: the value of --password is
// never written down.
QString LoggedCommandLine(QStringList arguments)
{
    const QString option = QStringLiteral("--password");
    const QString withheld = QStringLiteral("(withheld)");
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == option && i + 1 < arguments.size())
            arguments[++i] = withheld;
        else if (arguments[i].startsWith(option + QLatin1Char('=')))
            arguments[i] = option + QLatin1Char('=') + withheld;
    }
    return arguments.join(QLatin1Char(' '));
}
} // namespace

CliSession::CliSession(CliOptions options) : options_(std::move(options)) {}

CliSession::~CliSession()
{
    if (!core_)
        return;
    core_->stopLink();
    core_->log().debugMessage(QStringLiteral("Stopping application"), SessionLog::Info);
}

InstrumentInfo& CliSession::instrument() { return instrumentSession().instrument(); }
DownloadTable& CliSession::downloads() { return instrumentSession().downloads(); }

void CliSession::error(const QString& line)
{
    const QString text = CliPrompts::oneLine(line);
    if (core_)
        core_->log().debugMessage(text, SessionLog::Problem);
    std::fputs(("tolvi-cli: " + text + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
}

int CliSession::failureStatus(int fallback) const
{
    return prompts_ && prompts_->refused() ? ExitRefused : fallback;
}

int CliSession::start()
{
    paths_.appFolder = QCoreApplication::applicationDirPath();
    bool perUserFolder = true;
    if (options_.dataDir.isEmpty()) {
        const DataFolderChoice choice = ChooseDataFolder(paths_.appFolder);
        paths_.dataFolder = choice.path;
        perUserFolder = choice.perUser;
    } else {
        paths_.dataFolder = QDir(options_.dataDir).absolutePath();
        if (!QDir().mkpath(paths_.dataFolder)) {
            error(QStringLiteral("cannot create the data folder ") + paths_.dataFolder);
            return ExitFailed;
        }
    }

    // With --data-dir everything stays inside that folder, per-user values included.
    core_ = std::make_unique<CoreSession>(
        options_.dataDir.isEmpty() ? QString() : QDir(paths_.dataFolder).filePath(QStringLiteral("peruser.ini")),
        ProgramTiming());
    SessionLog& log = core_->log();
    // A fresh session log and the settings files, as the desktop program
    // keeps them; a program already running there keeps its session log.
    instanceLock_ = TakeInstanceLock(paths_.dataFolder);
    if (!OpenDataFolder(log, paths_, perUserFolder, !instanceLock_)) {
        error(QStringLiteral("cannot create the settings files in ") + paths_.dataFolder);
        return ExitFailed;
    }
    if (!instanceLock_)
        error(SharedDataFolderText(paths_.dataFolder));

    prompts_ = std::make_unique<CliPrompts>(log, options_.assumeYes, options_.password);
    core_->start(paths_, *prompts_);
    core_->link().StartComms();

    LogThisStartup(log, paths_, LoggedCommandLine(options_.arguments.mid(1)));

    if (options_.demo) {
        try {
            demo_ = StartDemoInstrument(core_->portMap(), log);
        } catch (const std::exception& e) {
            error(QStringLiteral("cannot start the simulated instrument: ") + QString::fromLocal8Bit(e.what()));
            return ExitFailed;
        }
    }
    return ExitOk;
}

QString CliSession::portEntryFor(const QString& text, PortMap& portMap)
{
    static const QRegularExpression number(QStringLiteral("^(?:COM(?: Port )?)?(\\d{1,3})$"),
        QRegularExpression::CaseInsensitiveOption);
    const QString t = text.trimmed();
    if (PortEntry::isNetwork(t))
        return t;
    const auto match = number.match(t);
    if (match.hasMatch()) {
        const int port = match.captured(1).toInt();
        return port >= PortMap::FirstPort && port <= PortMap::LastPort ? PortEntry::serial(port) : QString();
    }
    if (t.isEmpty() || !QFileInfo::exists(t))
        return {};
    int port = portMap.portNumber(t);
    if (port < 0) {
        port = FreePortNumber(portMap);
        if (port < 0)
            return {};
        portMap.addOverride(port, t);
    }
    return PortEntry::serial(port);
}

QString CliSession::chosenEntry()
{
    if (!options_.port.isEmpty())
        return portEntryFor(options_.port, core_->portMap());
    if (demo_)
        return PortEntry::serial(demo_.port);
    return {};
}

QString CliSession::requiredEntry(const QString& ways)
{
    const QString entry = chosenEntry();
    if (entry.isEmpty()) {
        error(options_.port.isEmpty() ? QStringLiteral("no instrument port given: use ") + ways
                                      : QStringLiteral("no such port: ") + options_.port);
    }
    return entry;
}

namespace {
int ConnectStatus(InstrumentSession::ConnectOutcome outcome)
{
    switch (outcome) {
    case InstrumentSession::ConnectOutcome::Connected:
        return ExitOk;
    case InstrumentSession::ConnectOutcome::Incomplete:
        return ExitFailed;
    case InstrumentSession::ConnectOutcome::NoInstrument:
        break;
    }
    return ExitNoInstrument;
}
}

int CliSession::connect()
{
    if (options_.autoConnect) {
        const InstrumentSession::ConnectOutcome outcome = instrumentSession().connectAny();
        if (outcome == InstrumentSession::ConnectOutcome::NoInstrument)
            error(QStringLiteral("Sorry, autoscan failed to find any instruments."));
        return ConnectStatus(outcome);
    }
    const QString entry = requiredEntry(QStringLiteral("--port, --auto or --demo"));
    if (entry.isEmpty())
        return ExitUsage;
    // When no instrument answers, the reason is already on stderr.
    return ConnectStatus(instrumentSession().connect(entry));
}

int CliSession::openLink()
{
    if (options_.autoConnect) {
        error(QStringLiteral("this command talks to one port: use --port or --demo"));
        return ExitUsage;
    }
    const QString entry = requiredEntry(QStringLiteral("--port or --demo"));
    if (entry.isEmpty())
        return ExitUsage;
    // When the port cannot be opened, the reason is already on stderr.
    return instrumentSession().open(entry) ? ExitOk : ExitNoInstrument;
}
