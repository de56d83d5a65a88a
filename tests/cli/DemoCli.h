#pragma once
#include "CliProcess.h"
#include "TempFolder.h"

#include <QFile>

// The built-in simulated instrument's serial number, its record folder's name.
inline const QString kDemoSerial = QStringLiteral("10234F");

// Runs the command line on the built-in simulated instrument with its data in folder.
inline CliFinished RunDemo(const TempFolder& folder, QStringList arguments)
{
    arguments.prepend(QStringLiteral("--demo"));
    return RunCliWithData(folder.path(), arguments);
}

// A file's whole content; empty when it cannot be read.
inline QByteArray FileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
