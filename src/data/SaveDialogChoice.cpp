#include "SaveDialogChoice.h"

#include "shell/PerUserSettings.h"
#include "shell/SystemInfo.h"

#include <QDir>
#include <QFileInfo>

namespace {
const QString FolderSection = QStringLiteral("Save");
const QString FolderKey = QStringLiteral("Folder");
}

QString SaveDialogChoice::separatorFor(int typeNumber)
{
    switch (typeNumber) {
    case 2: return QStringLiteral(";");
    case 3: return QStringLiteral("\t");
    case 4: return QStringLiteral(" ");
    default: return QStringLiteral(",");
    }
}

QString SaveDialogChoice::extensionFor(int typeNumber)
{
    return typeNumber == 3 || typeNumber == 4 ? QStringLiteral("txt") : QStringLiteral("csv");
}

QString SaveDialogChoice::lastFolder(const PerUserSettings& perUser)
{
    const QString folder = perUser.value(FolderSection, FolderKey).toString();
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

void SaveDialogChoice::rememberFolder(PerUserSettings& perUser, const QString& savedFilePath)
{
    perUser.setValue(FolderSection, FolderKey, QFileInfo(savedFilePath).absolutePath());
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
    const int type = preselectedType(storedDelimiter, locale);
    choice.selectedFilter = type - 1;
    choice.proposedName = proposedName(localNow);
    // The dialog changes it with the type the user picks.
    choice.defaultExtension = extensionFor(type);
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
