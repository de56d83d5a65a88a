#pragma once
#include <QCommandLineOption>
#include <QString>

// A line on stdout, flushed so that a caller reading the pipe sees it at once.
void PrintLine(const QString& line);

// An option that takes a value, from the Latin-1 texts of its name, help and value name.
QCommandLineOption ValueOption(const char* name, const char* help, const char* value);
