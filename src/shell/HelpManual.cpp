#include "HelpManual.h"

#include <QDir>

namespace {
constexpr int ShellOpened = 33;
constexpr int ShellFileNotFound = 2;
}

QString ManualPath(const QString& appFolder)
{
    return QDir(appFolder).filePath(QStringLiteral("Tolvi-M Download Software Manual.pdf"));
}

QString HelpOpenedLogLine(bool opened)
{
    return QString::number(opened ? ShellOpened : ShellFileNotFound) + QStringLiteral("Opening PDF file with browser ID");
}
