#include "SaveDialogChoice.h"

#include "shell/SystemInfo.h"

QString SaveDialogChoice::separatorFor(int typeNumber)
{
    switch (typeNumber) {
    case 2: return QStringLiteral(";");
    case 3: return QStringLiteral("\t");
    case 4: return QStringLiteral(" ");
    default: return QStringLiteral(",");
    }
}

int SaveDialogChoice::preselectedType(const QString& storedDelimiter, const QLocale& locale)
{
    bool ok = false;
    const int stored = storedDelimiter.trimmed().toInt(&ok);
    if (ok && stored >= 1 && stored <= 4)
        return stored;
    return FieldSeparator(locale) == QLatin1String(",") ? 1 : 2;
}

QString SaveDialogChoice::proposedName(const QDateTime& localNow)
{
    return QStringLiteral("Karvex_") + localNow.toString(QStringLiteral("yyMMddHHmmss"));
}

Prompts::FileChoice SaveDialogChoice::delimitedFile(const QString& storedDelimiter, const QLocale& locale,
    const QDateTime& localNow)
{
    Prompts::FileChoice choice;
    choice.filters = {QStringLiteral("CSV (comma) (*.csv)"), QStringLiteral("CSV (semi-colon) (*.csv)"),
        QStringLiteral("Text (tab) (*.txt)"), QStringLiteral("Text (space) (*.txt)")};
    choice.selectedFilter = preselectedType(storedDelimiter, locale) - 1;
    choice.proposedName = proposedName(localNow);
    choice.defaultExtension = QStringLiteral("CSV");
    return choice;
}

Prompts::FileChoice SaveDialogChoice::plotScript(const QDateTime& localNow)
{
    Prompts::FileChoice choice;
    choice.filters = {QStringLiteral("gnuplot script (*.plt)"), QStringLiteral("All files (*.*)")};
    choice.selectedFilter = 0;
    choice.proposedName = proposedName(localNow);
    choice.defaultExtension = QStringLiteral("plt");
    return choice;
}

Prompts::FileChoice SaveDialogChoice::chartImage(const QDateTime& localNow)
{
    Prompts::FileChoice choice;
    choice.title = QStringLiteral("Save Chart as PNG");
    choice.filters = {QStringLiteral("PNG image (*.png)")};
    choice.selectedFilter = 0;
    choice.proposedName = proposedName(localNow);
    choice.defaultExtension = QStringLiteral("png");
    return choice;
}
