#include "instrument/UnansweredSend.h"

#include "link/Frame.h"
#include "link/InstrumentLink.h"

namespace tolviM {

int SendUnanswered(InstrumentLink& link, const QByteArray& payload)
{
    return link.SendMessage(ComposeMessage(payload), false, 0).result;
}

}
