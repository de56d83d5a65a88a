#include "CliOutput.h"

#include <cstdio>

void PrintLine(const QString& line)
{
    std::fputs((line + QLatin1Char('\n')).toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
}

QCommandLineOption ValueOption(const char* name, const char* help, const char* value)
{
    return QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(help), QString::fromLatin1(value));
}
