#include "PostInstall.h"

#include "Password.h"
#include "PerUserSettings.h"
#include "Picture.h"
#include "Prompts.h"
#include "Services.h"
#include "SessionLog.h"
#include "SessionStart.h"
#include "SettingsFile.h"
#include "StartupFiles.h"

#include <QCoreApplication>
#include <QDir>

namespace {

const QString kStartup = QStringLiteral("Startup");
const QString kPostInstall = QStringLiteral("PostInstall");
// Where older versions kept the password: the per-user settings' root.
const QString kLegacySection = QStringLiteral("\\");
const QString kLegacyKey = QStringLiteral("Password");

// Moves a password an older version kept in the per-user settings into
// "user.txt" and asks whether it stays required. False when there was none.
bool migrateLegacyPassword(Services& services, const QString& userFile)
{
    SessionLog& log = services.log;
    const QString legacy = services.perUser.value(kLegacySection, kLegacyKey, PasswordKeys::NoPassword).toString();
    if (legacy.isEmpty() || legacy == PasswordKeys::NoPassword)
        return false;

    log.debugMessage(QStringLiteral("Move old password from register to files."), SessionLog::Info);
    // The old entry goes only once the new one is safely written.
    if (!WriteSettingsEntry(userFile, PasswordKeys::Section, PasswordKeys::Value, legacy)) {
        log.debugMessage(QStringLiteral("Could not write the password to '") + userFile
                + QStringLiteral("'; the old entry is kept."),
            SessionLog::Problem);
        return true;
    }
    services.perUser.remove(kLegacySection, kLegacyKey);
    const bool keep = services.prompts.askYesNo(
                          QStringLiteral("You seem to have a password set for using this software, do you want to keep it?"))
        == Prompts::Answer::Yes;
    log.debugMessage(keep ? QStringLiteral("Password is still required -- setting valid flag.")
                          : QStringLiteral("Password is not required -- clearing valid flag."),
        SessionLog::Info);
    WritePasswordPolicy(userFile, keep);
    return true;
}

void decideNewPassword(Services& services, const QString& userFile, const std::function<void()>& chooseNewPassword)
{
    const bool wanted = services.prompts.askYesNo(QStringLiteral(
                            "You don't seem to have a password set for restricting access this software, would you like to use one?"))
        == Prompts::Answer::Yes;
    if (wanted) {
        services.log.debugMessage(QStringLiteral("Password is required -- creating a new one for user."), SessionLog::Info);
        if (chooseNewPassword)
            chooseNewPassword();
        return;
    }
    services.log.debugMessage(QStringLiteral("Password is not required -- clearing valid flag."), SessionLog::Info);
    WritePasswordPolicy(userFile, false);
}

} // namespace

bool PostInstallRequested(const PerUserSettings& perUser)
{
    return perUser.value(kStartup, kPostInstall, QStringLiteral("False")).toString().compare(
               QLatin1String("True"), Qt::CaseInsensitive) == 0;
}

void RequestPostInstall(PerUserSettings& perUser)
{
    perUser.setValue(kStartup, kPostInstall, QStringLiteral("True"));
}

void RunPostInstall(Services& services, const std::function<void()>& chooseNewPassword, const QDateTime& now)
{
    SessionLog& log = services.log;
    log.debugMessage(QStringLiteral("Performing post-install actions."), SessionLog::Info);
    const QString postLog = QDir(services.paths.dataFolder)
                                .filePath(QStringLiteral("postinst_") + FormatDate(now, QStringLiteral("yymmddhhnnss"))
                                    + QStringLiteral(".log"));
    log.debugMessage(QStringLiteral("Changing file to ") + postLog, SessionLog::Info);
    const QString sessionPath = log.logFilePath();
    const bool sessionToFile = log.logToFile();
    log.setLogFilePath(postLog);
    log.setLogToFile(true);

    log.debugMessage(LogDateTime(now), SessionLog::Info);
    log.debugMessage(QStringLiteral("Performing post Install on ID") + QString::number(QCoreApplication::applicationPid()),
        SessionLog::Info);
    log.debugMessage(QStringLiteral("Checking if we need to migrate passwords."), SessionLog::Info);
    const QString userFile = UserSettingsPath(services.paths);
    if (!migrateLegacyPassword(services, userFile))
        decideNewPassword(services, userFile, chooseNewPassword);

    log.debugMessage(QStringLiteral("Tidy up any run-once entries"), SessionLog::Info);
    services.perUser.remove(kStartup, QString());
    log.debugMessage(QStringLiteral("Post-install complete"), SessionLog::Info);
    log.setLogFilePath(sessionPath);
    log.setLogToFile(sessionToFile);
    log.debugMessage(QStringLiteral("Post-install complete."), SessionLog::Info);
}
