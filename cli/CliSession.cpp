#include "CliSession.h"

#include "ExitCode.h"
#include "link/InstrumentLink.h"
#include "link/LinkOpen.h"
#include "link/PortDiscoverySystem.h"
#include "link/PortMap.h"
#include "link/PortMapSettings.h"
#include "link/SerialPermission.h"
#include "shell/DataFolder.h"
#include "session/MainModel.h"
#include "shell/PerUserSettings.h"
#include "shell/Services.h"
#include "shell/SessionLog.h"
#include "shell/SessionStart.h"
#include "shell/Startup.h"
#include "shell/StartupFiles.h"
#include "shell/SystemInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>


CliSession::CliSession(CliOptions options) : options_(std::move(options)) {}

CliSession::~CliSession()
{
    if (link_) {
        int none = 0;
        link_->PickComms(none);
        link_->network().close();
        link_->StopComms();
    }
    if (log_)
        log_->debugMessage(QStringLiteral("Stopping application"), SessionLog::Info);
}

void CliSession::error(const QString& line)
{
    const QString text = CliPrompts::oneLine(line);
    if (log_)
        log_->debugMessage(text, SessionLog::Problem);
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

    // A fresh session log and the settings files, as the desktop program keeps them.
    log_ = std::make_unique<SessionLog>();
    StartSessionLog(*log_, paths_, perUserFolder);
    if (!CreateSettingsFiles(paths_)) {
        error(QStringLiteral("cannot create the settings files in ") + paths_.dataFolder);
        return ExitFailed;
    }

    prompts_ = std::make_unique<CliPrompts>(*log_, options_.assumeYes, options_.password);
    // With --data-dir everything stays inside that folder, per-user values included.
    perUser_ = options_.dataDir.isEmpty()
        ? std::make_unique<PerUserSettings>()
        : std::make_unique<PerUserSettings>(QDir(paths_.dataFolder).filePath(QStringLiteral("peruser.ini")));
    services_ = std::make_unique<Services>(
        Services{*log_, *prompts_, *perUser_, paths_, AppCaptionText(QStringLiteral("Tolvi"))});
    portMap_ = std::make_unique<PortMap>();
    loadPortMap();
    link_ = std::make_unique<InstrumentLink>(*log_, *portMap_);
    link_->setPrompts(prompts_.get());
    link_->StartComms();
    model_ = std::make_unique<MainModel>(*services_, *link_, SystemPortSources(*services_, *link_),
        MainModel::settingsFileMemory(UserSettingsPath(paths_)));

    LogThisStartup(*log_, paths_, options_.arguments.mid(1).join(QLatin1Char(' ')));

    if (options_.demo) {
        try {
            demo_ = StartDemoInstrument(*portMap_, *log_);
        } catch (const std::exception& e) {
            error(QStringLiteral("cannot start the simulated instrument: ") + QString::fromLocal8Bit(e.what()));
            return ExitFailed;
        }
    }
    return ExitOk;
}

// Devices named in section "Ports" of "app.txt" ("n=/path") join the port map.
void CliSession::loadPortMap()
{
    portMap_->setOverrides(PortsFromSettings(AppSettingsPath(paths_)));
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
        return portEntryFor(options_.port, *portMap_);
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

int CliSession::connect()
{
    if (options_.autoConnect) {
        if (model_->autoConnect())
            return model_->connectionComplete() ? ExitOk : ExitFailed;
        error(QStringLiteral("Sorry, autoscan failed to find any instruments."));
        return ExitNoInstrument;
    }
    const QString entry = requiredEntry(QStringLiteral("--port, --auto or --demo"));
    if (entry.isEmpty())
        return ExitUsage;
    model_->setPortEditText(entry);
    if (!model_->connectSelected())
        return ExitNoInstrument;   // the reason is already on stderr
    return model_->connectionComplete() ? ExitOk : ExitFailed;
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
    if (OpenLinkOn(*link_, entry))
        return ExitOk;
    error(PortEntry::isNetwork(entry)
            ? QStringLiteral("Could not connect to ") + entry + QLatin1Char('.')
            : SerialAccessProblem(portMap_->devicePath(PortEntry::portNumber(entry)))
                  .value_or(QStringLiteral("cannot open ") + entry));
    return ExitNoInstrument;
}
