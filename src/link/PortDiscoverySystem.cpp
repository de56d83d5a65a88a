#include "PortDiscoverySystem.h"

#include "link/InstrumentLink.h"
#include "link/PortMap.h"
#include "shell/Services.h"
#include "shell/StartupFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

namespace {

const QString SerialDeviceKey = QStringLiteral("HARDWARE\\DEVICEMAP\\SERIALCOMM");

QString ttyNameOf(const QString& path)
{
    return QFileInfo(QFileInfo(path).canonicalFilePath()).fileName();
}

PresentSerialDevice listed(const QString& path, int port)
{
    const QString tty = ttyNameOf(path);
    const QString kind = IsUsbVirtualPort(tty) ? QStringLiteral("VCP.") : QStringLiteral("Serial.");
    // The device list's value name stands in for the device path here.
    return PresentSerialDevice{QStringLiteral("\\Device\\") + kind + (tty.isEmpty() ? QFileInfo(path).fileName() : tty),
        port};
}

} // namespace

bool IsUsbVirtualPort(const QString& ttyName)
{
    if (ttyName.isEmpty())
        return false;
    const QFileInfo driver(QStringLiteral("/sys/class/tty/") + ttyName + QStringLiteral("/device/driver"));
    const QString target = driver.canonicalFilePath();
    return target.contains(QStringLiteral("/usb-serial/")) || QFileInfo(target).fileName() == QStringLiteral("cdc_acm");
}

QList<PresentSerialDevice> PresentSerialDevices(const PortMap& portMap)
{
    QList<PresentSerialDevice> devices;
    QList<int> seen;
    const QMap<int, QString> overrides = portMap.overrides();
    for (auto it = overrides.begin(); it != overrides.end(); ++it) {
        if (QFileInfo::exists(it.value())) {
            devices << listed(it.value(), it.key());
            seen << it.key();
        }
    }
    const QStringList names = QDir(QStringLiteral("/dev"))
        .entryList({QStringLiteral("ttyS*"), QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")}, QDir::System,
            QDir::Name);
    for (const QString& name : names) {
        const QString path = QStringLiteral("/dev/") + name;
        const int port = portMap.portNumber(path);
        if (port < PortMap::FirstPort || port > PortMap::LastPort || seen.contains(port))
            continue;
        devices << listed(path, port);
        seen << port;
    }
    return devices;
}

QString PortDescription(const QString& devicePath)
{
    if (devicePath.isEmpty())
        return {};
    // The system lists the device under its real name, not a link to it.
    const QString canonical = QFileInfo(devicePath).canonicalFilePath();
    const QSerialPortInfo info(canonical.isEmpty() ? devicePath : canonical);
    QString adapter = info.description().trimmed();
    if (adapter.isEmpty())
        adapter = info.manufacturer().trimmed();
    return adapter.isEmpty() ? devicePath : devicePath + QLatin1Char(' ') + adapter;
}

PortScanSources SystemPortSources(Services& services, InstrumentLink& link)
{
    PortScanSources sources;
    PortMap* portMap = &link.ports().portMap();
    sources.presentDevices = [portMap] { return PresentSerialDevices(*portMap); };
    sources.readDeviceMap = [present = sources.presentDevices](QString& pairs) {
        StoreHives hives;
        hives.serialDevices = present;
        return int(StoreReadAll(QStringLiteral("HKLM"), SerialDeviceKey, pairs, hives));
    };
    SerialPortTable* table = &link.ports();
    sources.portAvailable = [table](int port) { return table->COMAvailable(port); };
    sources.describePort = [portMap](int port) { return PortDescription(portMap->devicePath(port)); };
    const QString userFile = UserSettingsPath(services.paths);
    sources.lastRemote = [userFile](const QString& key) {
        return StoreReadText(userFile, QStringLiteral("LastRemote"), key, QStringLiteral("Unknown"));
    };
    return sources;
}
