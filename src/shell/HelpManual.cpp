#include "HelpManual.h"

namespace {
constexpr int ShellOpened = 33;
constexpr int ShellFileNotFound = 2;
}

QString HelpOpenedLogLine(bool opened)
{
    return QString::number(opened ? ShellOpened : ShellFileNotFound) + QStringLiteral("Opening PDF file with browser ID");
}
