#include "instrument/AddHistory.h"

#include "shell/Services.h"
#include "shell/SessionLog.h"
#include "shell/TextFile.h"
#include "shell/TimeConv.h"

#include <QDir>

bool AddHistory(Services& services, const QString& folder, const QString& text)
{
    if (folder.isEmpty()) {
        services.log.debugMessage(QStringLiteral("No record folder for the history line: ") + text,
            SessionLog::Warning);
        return false;
    }
    const QString line = QString::number(UTCNow()) + QLatin1Char('\t') + text;
    return WriteLineToFile(services.paths, &services.log, QDir(folder).filePath(QStringLiteral("history.txt")), line,
        false, false);
}
