#pragma once
#include <QMap>
#include <QString>

class PortMap;

// The devices a user (or the simulated instrument) entered in section
// "Ports" of "app.txt" as "n=/path", for port numbers 1 to 256. Entries with
// another key or an empty path are left out; a missing file gives none.
QMap<int, QString> PortsFromSettings(const QString& appSettingsFile);

// The highest port number that no device and no entry uses (-1 when every
// number is taken): where a built-in simulated instrument can be listed.
int FreePortNumber(const PortMap& portMap);
