#include "SessionStart.h"

#include "AppPaths.h"
#include "Picture.h"
#include "Prompts.h"
#include "Services.h"
#include "SessionLog.h"
#include "TextFile.h"

#include <QDir>
#include <QVersionNumber>

bool StartSessionLog(SessionLog& log, const AppPaths& paths, bool perUserFolder, bool keepExisting)
{
    bool emptied = true;
    if (perUserFolder) {
        // Each run starts a fresh log: the file is replaced by one empty line.
        const QString path = QDir(paths.dataFolder).filePath(QStringLiteral("session.txt"));
        if (!keepExisting)
            emptied = WriteLineToFile(paths, nullptr, path, QString(), true, false);
        log.setLogFilePath(path);
    }
    log.setLogToFile(true);
    return emptied;
}

QString VersionLabel(const QString& version)
{
    const QVersionNumber v = QVersionNumber::fromString(version);
    return QStringLiteral("v%1.%2r%3").arg(v.majorVersion()).arg(v.minorVersion()).arg(v.microVersion());
}

QString AppCaptionText(const QString& title, const QString& company)
{
    return title + QStringLiteral(" - ") + company;
}

QString MainWindowCaption(const QString& appCaption, const QString& version, bool debugMode)
{
    const QString caption = appCaption + QStringLiteral(" (") + version + QLatin1Char(')');
    return debugMode ? QStringLiteral("[DEBUG MODE] : ") + caption : caption;
}

QString LogDateTime(const QDateTime& when)
{
    return FormatDate(when);
}

void LogStartupBanner(SessionLog& log, const StartupBanner& banner)
{
    const auto line = [&](const QString& text) { log.debugMessage(text, SessionLog::Detail); };
    line(LogDateTime(banner.now));
    line(QDir::toNativeSeparators(banner.executablePath) + QStringLiteral(" - ") + VersionLabel(banner.version)
        + QStringLiteral(" @ ") + banner.locationCode);
    line(QStringLiteral("Running as ") + banner.userName + QStringLiteral(" on ") + banner.computerName);
    if (!banner.commandLine.isEmpty())
        line(QStringLiteral("Options : \t") + banner.commandLine);
    line(QStringLiteral("User password hash status is ") + banner.passwordValid);
    line(QStringLiteral("Starting application"));
    line(QString());
}

void ShutDown(Services& services, bool offerLog, const std::function<void()>& stopComms)
{
    services.log.debugMessage(QStringLiteral("Shutting down comms"), SessionLog::Info);
    if (stopComms)
        stopComms();
    services.log.debugMessage(QStringLiteral("Stopping application"), SessionLog::Info);
    if (!offerLog)
        return;
    const QString path = services.log.logFilePath();
    const auto answer = services.prompts.askYesNo(QStringLiteral("Session log has been saved to '") + path
        + QStringLiteral("'. Would you like to view it?"));
    if (answer == Prompts::Answer::Yes)
        services.prompts.openPath(path, Prompts::OpenVerb::Edit);
}
