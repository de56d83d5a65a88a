#pragma once
#include "session/MainModel.h"

#include <QMap>
#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>

// Follows the port table (the instrument session's PortScanSources::
// presentDevices) while the window is open: a timer on this object's thread
// reads it again every period, which costs no more than listing the device
// nodes; nothing waits for anything.
//
// Not connected: a change in the set of ports (a USB adapter plugged in or
// out) is announced by portsChanged, for the port list to follow
// (MainModel::followPorts). Connected over a serial port: that port's device
// leaving the table is announced once by connectedAdapterGone
// (MainModel::adapterUnplugged). Over a network bridge, and once the link is
// lost, nothing is watched. The watcher follows the model's link state.
class PortWatcher : public QObject {
    Q_OBJECT
public:
    // Within this period of a change the watcher has said so.
    static constexpr std::chrono::milliseconds DefaultPeriod{1000};

    explicit PortWatcher(MainModel& model, std::chrono::milliseconds period = DefaultPeriod, QObject* parent = nullptr);

    // Whether the table is being read (not connected, or connected over a serial port).
    bool watching() const { return timer_.isActive(); }

Q_SIGNALS:
    void portsChanged();
    void connectedAdapterGone();

private:
    using PortSet = QMap<int, QString>;   // port number -> device path

    void follow(MainModel::LinkState state);
    void check();
    PortSet read() const;

    MainModel& model_;
    QTimer timer_;
    PortSet last_;            // the table as last read while not connected
    int connectedPort_ = 0;   // the serial port watched for its device to go; 0 while not connected
};
