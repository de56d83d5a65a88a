#include "PortMapSettings.h"

#include "PortMap.h"
#include "shell/IniFile.h"

#include <QFileInfo>

QMap<int, QString> PortsFromSettings(const QString& appSettingsFile)
{
    QMap<int, QString> ports;
    const auto app = IniFile::load(appSettingsFile);
    if (!app)
        return ports;
    for (const auto& [key, value] : app->entries(QStringLiteral("Ports"))) {
        bool number = false;
        const int port = key.toInt(&number);
        if (number && port >= PortMap::FirstPort && port <= PortMap::LastPort && !value.isEmpty())
            ports.insert(port, value);
    }
    return ports;
}

int FreePortNumber(const PortMap& portMap)
{
    const QMap<int, QString> taken = portMap.overrides();
    for (int port = PortMap::LastPort; port >= PortMap::FirstPort; --port)
        if (!taken.contains(port) && !QFileInfo::exists(portMap.devicePath(port)))
            return port;
    return -1;
}
