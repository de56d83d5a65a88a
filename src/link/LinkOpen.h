#pragma once
#include <QString>

class InstrumentLink;

// Opens the link on a port-list entry without sending anything: a
// "net://host:port" entry connects to that bridge, a serial entry ("COM Port
// 7") opens that port. True when the link is open; the serial or network
// choice of the link follows the entry either way.
bool OpenLinkOn(InstrumentLink& link, const QString& entry);
