#include "ErrorReport.h"

#include "Prompts.h"
#include "SessionLog.h"

QString ErrorText(int number, const QString& description, int line, const ErrorSite& site)
{
    // One multi-argument arg(): a description holding "%1" (a file path can)
    // is taken as it stands, not filled in by a later argument.
    return QStringLiteral("Error %1 (%2) on line %3 in procedure %4 of %5 %6.")
        .arg(QString::number(number), description, QString::number(line),
            QString::fromLatin1(site.procedure),
            site.isForm ? QStringLiteral("Form") : QStringLiteral("Module"),
            QString::fromLatin1(site.unit));
}

QString FileErrorText(int number, const QString& description, const QString& path, const ErrorSite& site)
{
    return QStringLiteral("Error %1 (%2) in file %3 in procedure %4 of %5 %6.")
        .arg(QString::number(number), description, path, QString::fromLatin1(site.procedure),
            site.isForm ? QStringLiteral("Form") : QStringLiteral("Module"), QString::fromLatin1(site.unit));
}

void ReportFileError(SessionLog& log, Prompts& prompts, const ErrorSite& site, int number,
    const QString& description, const QString& path)
{
    const QString text = FileErrorText(number, description, path, site);
    log.debugMessage(text, SessionLog::Error);
    prompts.message(Prompts::Icon::Critical, text);
}

void ReportError(SessionLog& log, Prompts& prompts, const ErrorSite& site, int number,
    const QString& description, int line)
{
    const QString text = ErrorText(number, description, line, site);
    log.debugMessage(text, SessionLog::Error);
    prompts.message(Prompts::Icon::Critical, text);
}
