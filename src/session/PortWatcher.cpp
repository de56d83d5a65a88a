#include "PortWatcher.h"

#include "session/InstrumentSession.h"

PortWatcher::PortWatcher(MainModel& model, std::chrono::milliseconds period, QObject* parent)
    : QObject(parent), model_(model)
{
    timer_.setInterval(period);
    connect(&timer_, &QTimer::timeout, this, &PortWatcher::check);
    // Emitted on the thread that runs the model's actions: queued here.
    connect(&model_, &MainModel::linkStateChanged, this, &PortWatcher::follow);
    follow(model_.linkState());
}

PortWatcher::PortSet PortWatcher::read() const
{
    PortSet ports;
    for (const PresentSerialDevice& device : model_.session().presentPorts())
        ports.insert(device.portNumber, device.devicePath);
    return ports;
}

void PortWatcher::follow(MainModel::LinkState state)
{
    timer_.stop();
    connectedPort_ = 0;
    switch (state) {
    case MainModel::LinkState::NotConnected:
        // The list was scanned on the way here (start-up, disconnect): changes count from now.
        last_ = read();
        timer_.start();
        return;
    case MainModel::LinkState::Connected:
        connectedPort_ = model_.connectedPort();
        if (connectedPort_ > 0)
            timer_.start();
        return;
    case MainModel::LinkState::Lost:
        return;
    }
}

void PortWatcher::check()
{
    const PortSet now = read();
    if (connectedPort_ > 0) {
        if (now.contains(connectedPort_))
            return;
        // Said once: the lost link stops the watch until the link state changes again.
        timer_.stop();
        Q_EMIT connectedAdapterGone();
        return;
    }
    if (now == last_)
        return;
    last_ = now;
    Q_EMIT portsChanged();
}
