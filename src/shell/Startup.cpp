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

#include <csignal>

void IgnoreFileSizeLimitSignal()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

void PinSystemTimeZone()
{
    if (!qEnvironmentVariableIsSet("TZ"))
        qputenv("TZ", ":/etc/localtime");
}

bool OpenDataFolder(SessionLog& log, const AppPaths& paths, bool perUserFolder, bool keepLog)
{
    StartSessionLog(log, paths, perUserFolder, keepLog);
    return CreateSettingsFiles(paths);
}

std::unique_ptr<InstanceLock> TakeInstanceLock(const QString& dataFolder)
{
    auto lock = std::make_unique<InstanceLock>(dataFolder);
    // A marker that could not be written at all (read-only folder) is no
    // sign of another program: go on without it.
    if (!lock->isHeld() && InstanceLock::isHeldElsewhere(dataFolder))
        return nullptr;
    return lock;
}

QString SharedDataFolderText(const QString& dataFolder)
{
    return QStringLiteral("Another Tolvi program is already running with the data folder '") + dataFolder
        + QStringLiteral("'. Both change the same settings files and only one can use an instrument port at a time; "
                         "this one adds to the running program's session log.");
}

PreparedStartup PrepareStartup(SessionLog& log, const QString& appFolder, const QString& dataLocation)
{
    PreparedStartup prepared;
    const DataFolderChoice folder = ChooseDataFolder(appFolder, dataLocation);
    prepared.paths.appFolder = appFolder;
    prepared.paths.dataFolder = folder.path;
    prepared.perUserFolder = folder.perUser;
    prepared.instanceLock = TakeInstanceLock(folder.path);
    prepared.sharedDataFolder = !prepared.instanceLock;
    if (!OpenDataFolder(log, prepared.paths, folder.perUser, prepared.sharedDataFolder))
        log.debugMessage(QStringLiteral("Could not create the settings files in '") + folder.path + QStringLiteral("'."),
            SessionLog::Problem);
    if (prepared.sharedDataFolder)
        log.debugMessage(SharedDataFolderText(folder.path), SessionLog::Warning);
    prepared.passwordChoiceNeeded = PasswordChoiceNeeded(log, prepared.paths);
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
