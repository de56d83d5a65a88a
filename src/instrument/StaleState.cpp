#include "instrument/StaleState.h"

#include "link/InstrumentLink.h"

#include <QDateTime>

namespace {
constexpr int StaleAfterSeconds = 60;   // the idle time after which the keep-alive reads the state
}

void MarkStateStale(InstrumentLink& link)
{
    const QDateTime last = link.lastCommsAt();
    if (last.isValid())
        link.setLastCommsAt(last.addSecs(-StaleAfterSeconds));
}
