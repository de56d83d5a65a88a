#include "instrument/StaleState.h"

#include "link/InstrumentLink.h"

#include <QDateTime>

void MarkStateStale(InstrumentLink& link)
{
    const QDateTime last = link.lastCommsAt();
    if (last.isValid())
        link.setLastCommsAt(last.addMSecs(-qint64(link.timing().keepAlivePingAfterIdleSeconds * 1000)));
}
