#include "ChartImage.h"

#include "shell/Prompts.h"
#include "shell/SessionLog.h"
#include "shell/TextFile.h"

#include <QDir>

bool SaveChartImage(const QString& path, const QByteArray& png, Prompts& prompts, SessionLog& log)
{
    if (!png.isEmpty() && WriteFileAtomically(path, png)) {
        log.debugMessage(QStringLiteral("Chart saved to ") + path, SessionLog::Info);
        return true;
    }
    const QString text = QStringLiteral("The chart could not be saved to ") + QDir::toNativeSeparators(path) + QLatin1Char('.');
    log.debugMessage(text, SessionLog::Problem);
    prompts.message(Prompts::Icon::Exclamation, text);
    return false;
}
