#include "LinkOpen.h"

#include "InstrumentLink.h"
#include "NetworkTransport.h"
#include "PortDiscovery.h"

bool OpenLinkOn(InstrumentLink& link, const QString& entry)
{
    if (const auto address = ParseNetworkEntry(entry)) {
        if (!link.network().connectToBridge(address->host, address->port))
            return false;
        link.setUseNetwork(true);
        return true;
    }
    int port = PortEntry::portNumber(entry);
    link.setUseNetwork(false);
    link.PickComms(port);
    return port > 0;
}
