#pragma once
#include "link/PortMap.h"

#include <QByteArray>
#include <QDir>
#include <QStringList>

// The [Ports] section of an app.txt for a run of the programs: the given
// devices as ports 1, 2, ... and every other port number up to lastPort
// pointed at a file of folder that does not exist, so that only the devices
// given are ever found (never the machine's own serial ports). Port numbers
// above lastPort keep their usual devices.
inline QByteArray PortsSection(const QStringList& devices, const QString& folder, int lastPort = PortMap::LastPort)
{
    QByteArray section = "[Ports]\r\n";
    for (int port = PortMap::FirstPort; port <= lastPort; ++port) {
        const QString device = port <= devices.size() ? devices[port - 1]
                                                      : QDir(folder).filePath(QStringLiteral("none-%1").arg(port));
        section += QByteArray::number(port) + '=' + device.toLocal8Bit() + "\r\n";
    }
    return section;
}
