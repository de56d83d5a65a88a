#include "HelpManual.h"

namespace {
constexpr int ShellOpened = 33;
constexpr int ShellFileNotFound = 2;
}

QString HelpOpenedLogLine(bool opened)
{
    return QString::number(opened ? ShellOpened : ShellFileNotFound) + QStringLiteral("Opening PDF file with browser ID");
}

QString ManualProblemMessage(const QString& manualPath, bool exists, bool opened)
{
    if (!exists)
        return QStringLiteral("The user manual is not installed: ") + manualPath + QStringLiteral(" was not found.");
    if (!opened)
        return QStringLiteral("The user manual ") + manualPath
            + QStringLiteral(" could not be opened: no program for PDF documents was found.");
    return {};
}
