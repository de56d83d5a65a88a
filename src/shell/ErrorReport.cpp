#include "ErrorReport.h"

#include "Prompts.h"
#include "SessionLog.h"

QString ErrorText(int number, const QString& description, int line, const ErrorSite& site)
{
    return QStringLiteral("Error %1 (%2) on line %3 in procedure %4 of %5 %6.")
        .arg(number)
        .arg(description)
        .arg(line)
        .arg(QString::fromLatin1(site.procedure))
        .arg(site.isForm ? QStringLiteral("Form") : QStringLiteral("Module"))
        .arg(QString::fromLatin1(site.unit));
}

void ReportError(SessionLog& log, Prompts& prompts, const ErrorSite& site, int number,
    const QString& description, int line)
{
    const QString text = ErrorText(number, description, line, site);
    log.debugMessage(text, SessionLog::Error);
    prompts.message(Prompts::Icon::Critical, text);
}
