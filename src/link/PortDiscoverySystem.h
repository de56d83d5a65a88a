#pragma once
#include "link/PortDiscovery.h"
#include "link/SettingsStore.h"

#include <QList>

class InstrumentLink;
class PortMap;
struct Services;

// The serial devices present on this machine for the device list: the
// /dev/ttyS*, /dev/ttyUSB* and /dev/ttyACM* devices and every device the
// port map names, each with its port number. A device whose driver
// (/sys/class/tty/<name>/device/driver) is a USB-serial or CDC-ACM driver is
// a USB virtual port: its list name reads "\Device\VCP." + the device name,
// any other "\Device\Serial." + the device name, so the port list puts the
// USB ports first.
QList<PresentSerialDevice> PresentSerialDevices(const PortMap& portMap);

// True when the tty device (a name such as "ttyUSB0") is driven by a
// USB-serial or CDC-ACM driver.
bool IsUsbVirtualPort(const QString& ttyName);

// What the port list says about a device: its path and, where the system
// knows one (USB adapters), the adapter's name. Empty for an empty path.
QString PortDescription(const QString& devicePath);

// The sources of a scan on this machine: the port table (PresentSerialDevices)
// and the device list read from it through the settings store, the serial
// table's probe, "LastRemote" of "user.txt"
// in the data folder, and each port's device path and adapter name.
PortScanSources SystemPortSources(Services& services, InstrumentLink& link);
