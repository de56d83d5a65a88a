#pragma once
#include <QString>

// Enters "port=path" in the "Ports" section of a settings file such as
// "app.txt" through the settings store (creating the file when missing,
// replacing an entry for the same port, keeping every other line), so the
// program finds the simulated instrument under that port number.
bool WritePortToPortsFile(const QString& path, int port, const QString& devicePath, QString* error);
