#include "Startup.h"

#include "CommandLineOptions.h"
#include "Password.h"
#include "PerUserSettings.h"
#include "PostInstall.h"
#include "Services.h"
#include "SessionLog.h"
#include "SessionStart.h"
#include "SettingsFile.h"
#include "StartupFiles.h"
#include "SystemInfo.h"

#include <QCoreApplication>

bool OpenDataFolder(SessionLog& log, const AppPaths& paths, bool perUserFolder)
{
    StartSessionLog(log, paths, perUserFolder);
    return CreateSettingsFiles(paths);
}

PreparedStartup PrepareStartup(SessionLog& log, const QString& appFolder, const QString& dataLocation)
{
    PreparedStartup prepared;
    const DataFolderChoice folder = ChooseDataFolder(appFolder, dataLocation);
    prepared.paths.appFolder = appFolder;
    prepared.paths.dataFolder = folder.path;
    prepared.perUserFolder = folder.perUser;
    if (!OpenDataFolder(log, prepared.paths, folder.perUser))
        log.debugMessage(QStringLiteral("Could not create the settings files in '") + folder.path + QStringLiteral("'."),
            SessionLog::Problem);
    prepared.passwordChoiceNeeded = PasswordChoiceNeeded(log, prepared.paths);
    prepared.instanceLock = std::make_unique<InstanceLock>(folder.path);
    return prepared;
}

void LogThisStartup(SessionLog& log, const AppPaths& paths, const QString& commandLine)
{
    StartupBanner banner;
    banner.now = QDateTime::currentDateTime();
    banner.executablePath = QCoreApplication::applicationFilePath();
    banner.version = QCoreApplication::applicationVersion().isEmpty() ? QStringLiteral(TOLVI_VERSION)
                                                                      : QCoreApplication::applicationVersion();
    banner.locationCode = GetLocationCode();
    banner.userName = GetUserName();
    banner.computerName = GetComputerName();
    banner.commandLine = commandLine;
    banner.passwordValid = ReadSettingsText(UserSettingsPath(paths), PasswordKeys::Section, PasswordKeys::Valid,
        QStringLiteral("Unknown"));
    LogStartupBanner(log, banner);
}

void LoadStartup(Services& services, const CommandLineOptions& options, const StartupOptionHandlers& handlers,
    const std::function<void()>& chooseNewPassword)
{
    ApplyCommandLine(options, services, handlers);
    LogThisStartup(services.log, services.paths, options.commandLine);
    if (PostInstallRequested(services.perUser))
        RunPostInstall(services, chooseNewPassword);
}
