#pragma once
#include <QList>
#include <QString>
#include <optional>

// Why this user may not open a serial device, in words that fix it. Most new
// users are not in the group that owns the serial devices ("dialout" on
// Debian); the text names the device, its group (read from the device) and
// the command that joins it.

// The text for a device whose open failed with "permission denied".
QString SerialPermissionText(const QString& devicePath);
// The same text when this user cannot read and write the device right now;
// nothing when the device is missing or the user may open it.
std::optional<QString> SerialAccessProblem(const QString& devicePath);
// Whether a platform error code of an open means "permission denied".
bool IsPermissionDenied(int error);

class PortMap;

// A serial port of the port map whose device is there but that this user
// may not open, with the text that says how to fix it.
struct DeniedPort {
    int port = 0;
    QString device;
    QString text;
};
// Every such port, lowest number first. Built-in serial ports without a chip
// behind them (the kernel reports their type as 0) are left out.
QList<DeniedPort> DeniedSerialPorts(const PortMap& portMap);
