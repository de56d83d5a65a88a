#include "CliSession.h"

#include "ExitCode.h"
#include "SimHost.h"
#include "link/InstrumentLink.h"
#include "link/PortDiscoverySystem.h"
#include "link/PortMap.h"
#include "link/PortMapSettings.h"
#include "link/SettingsStore.h"
#include "shell/DataFolder.h"
#include "shell/MainModel.h"
#include "shell/PerUserSettings.h"
#include "shell/Services.h"
#include "shell/SessionLog.h"
#include "shell/SessionStart.h"
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

    StartupBanner banner;
    banner.now = QDateTime::currentDateTime();
    banner.executablePath = QCoreApplication::applicationFilePath();
    banner.version = QStringLiteral(TOLVI_VERSION);
    banner.locationCode = GetLocationCode();
    banner.userName = GetUserName();
    banner.computerName = GetComputerName();
    banner.commandLine = options_.arguments.mid(1).join(QLatin1Char(' '));
    banner.passwordValid = StoreReadText(UserSettingsPath(paths_), QStringLiteral("Password"), QStringLiteral("Valid"),
        QStringLiteral("Unknown"));
    LogStartupBanner(*log_, banner);

    if (options_.demo) {
        try {
            demo_ = std::make_unique<SimHost>(DefaultSimScenario());
        } catch (const std::exception& e) {
            error(QStringLiteral("cannot start the simulated instrument: ") + QString::fromLocal8Bit(e.what()));
            return ExitFailed;
        }
        demoPort_ = FreePortNumber(*portMap_);
        portMap_->addOverride(demoPort_, demo_->ptyPath());
        log_->debugMessage(QStringLiteral("Simulated instrument on COM%1 (%2)").arg(demoPort_).arg(demo_->ptyPath()),
            SessionLog::Detail);
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
        return PortEntry::serial(demoPort_);
    return {};
}

int CliSession::connect()
{
    if (options_.autoConnect) {
        if (model_->autoConnect())
            return model_->connectionComplete() ? ExitOk : ExitFailed;
        error(QStringLiteral("Sorry, autoscan failed to find any instruments."));
        return ExitNoInstrument;
    }
    const QString entry = chosenEntry();
    if (entry.isEmpty()) {
        error(options_.port.isEmpty() ? QStringLiteral("no instrument port given: use --port, --auto or --demo")
                                      : QStringLiteral("no such port: ") + options_.port);
        return ExitUsage;
    }
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
    const QString entry = chosenEntry();
    if (entry.isEmpty()) {
        error(options_.port.isEmpty() ? QStringLiteral("no instrument port given: use --port or --demo")
                                      : QStringLiteral("no such port: ") + options_.port);
        return ExitUsage;
    }
    if (const auto address = ParseNetworkEntry(entry)) {
        const bool open = address->port > 0 && address->port <= 65535
            && link_->network().connectTo(address->host, quint16(address->port)) == NetworkTransport::Connected;
        if (!open) {
            error(QStringLiteral("Could not connect to ") + entry + QLatin1Char('.'));
            return ExitNoInstrument;
        }
        link_->setUseNetwork(true);
        return ExitOk;
    }
    int port = PortEntry::portNumber(entry);
    link_->setUseNetwork(false);
    link_->PickComms(port);
    if (port <= 0) {
        error(QStringLiteral("cannot open ") + entry);
        return ExitNoInstrument;
    }
    return ExitOk;
}
