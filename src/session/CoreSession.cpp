#include "CoreSession.h"

#include "link/InstrumentLink.h"
#include "link/PortDiscoverySystem.h"
#include "link/PortMapSettings.h"
#include "session/InstrumentSession.h"
#include "session/MainModel.h"
#include "shell/DataFileRead.h"
#include "shell/Services.h"
#include "shell/SessionStart.h"
#include "shell/StartupFiles.h"

CoreSession::CoreSession(const QString& perUserIni, const ProtocolTiming& timing)
    : log_(programTitle())
    , perUser_(perUserIni, programTitle())
    , appCaption_(AppCaptionText(programTitle()))
    , timing_(timing)
{
}

CoreSession::~CoreSession() = default;

void CoreSession::start(const AppPaths& paths, Prompts& prompts)
{
    services_ = std::unique_ptr<Services>(new Services{log_, prompts, perUser_, paths, appCaption_});
    // Settings files that are not settings files are left unread: say so once, here.
    ReportSkippedDataFiles(log_, prompts, appCaption_,
        {AppSettingsPath(paths), UserSettingsPath(paths), perUser_.fileName()});
    // Devices named in section "Ports" of "app.txt" ("n=/path") join the port map.
    portMap_.setOverrides(PortsFromSettings(AppSettingsPath(paths)));
    link_ = std::make_unique<InstrumentLink>(log_, portMap_);
    link_->setPrompts(&prompts);
    link_->setTiming(timing_);
    instrumentSession_ =
        std::make_unique<InstrumentSession>(*services_, *link_, SystemPortSources(*services_, *link_));
    model_ = std::make_unique<MainModel>(*instrumentSession_, MainModel::settingsFileMemory(UserSettingsPath(paths)));
}

QString CoreSession::mainWindowCaption(bool debugMode) const
{
    return MainWindowCaption(appCaption_, QStringLiteral(TOLVI_VERSION), debugMode);
}

void CoreSession::stopLink()
{
    if (!link_)
        return;
    link_->close();
    link_->StopComms();
}
