#pragma once
#include <QMap>
#include <QMutex>
#include <QString>

// Port numbers and serial device paths. A fixed map covers the usual device
// families: /dev/ttyS<k> is port k+1, /dev/ttyUSB<k> is port 33+k and
// /dev/ttyACM<k> is port 65+k. Overrides ("n=/path" from section "Ports" of
// "app.txt", or a pseudo-terminal registered by the simulated instrument)
// win over the fixed map. Filled by whoever loads "app.txt"; read by the
// port table and the port list. Safe to use from several threads.
class PortMap {
public:
    static constexpr int FirstPort = 1;
    static constexpr int LastPort = 256;

    // The device path for a port number; empty when the number maps to nothing.
    QString devicePath(int port) const;
    // The port number of a device path (overrides first); -1 when unknown.
    int portNumber(const QString& path) const;

    void setOverrides(const QMap<int, QString>& overrides);
    void addOverride(int port, const QString& path);
    void removeOverride(int port);
    QMap<int, QString> overrides() const;

private:
    mutable QMutex mutex_;
    QMap<int, QString> overrides_;
};
