#pragma once
#include <QString>

// Enters "port=path" in the "Ports" section of a settings file such as
// "app.txt" (creating the file or section when missing, replacing an entry
// for the same port), so the program finds the simulated instrument under
// that port number. The file is replaced in one step; lines end CR LF.
bool WritePortToPortsFile(const QString& path, int port, const QString& devicePath, QString* error);
