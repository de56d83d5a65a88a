#include "StatusMessage.h"

#include <QRegularExpression>

QString WithoutPercentage(const QString& message)
{
    // ": 042% done." or ": 042%" after the words, or "(042%)" behind them.
    static const QRegularExpression percentage(QStringLiteral(R"(\s*(?::\s*|\()\d+%(?:\s+done\.)?\)?)"));
    return QString(message).remove(percentage).trimmed();
}
