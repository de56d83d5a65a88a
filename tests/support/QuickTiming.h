#pragma once
#include "link/ProtocolTiming.h"

// The protocol timing of the tests that wait out a silent instrument (mute,
// switched off, never leaving TEST mode): the same steps, counts and
// messages in a tenth of the time. The pause after a request, the stream's
// gap and margin stay real: a busy machine may hold up a stream that long (a
// stream taken for ended would change what the tests count), and the pause
// is what gives the simulated instrument time to take an unanswered request
// before a test reads what it received.
inline ProtocolTiming QuickTiming()
{
    const ProtocolTiming real;
    ProtocolTiming quick = real.scaled(0.1);
    quick.pauseAfterSendSeconds = real.pauseAfterSendSeconds;
    quick.streamGapMs = real.streamGapMs;
    quick.streamMarginMs = real.streamMarginMs;
    return quick;
}

// The protocol timing of the command-line tests whose requests are all
// answered: the real waits but a tenth of the pause after each request,
// which is most of such a run's time. A busy machine that delays a reply
// still meets the real time-outs.
inline ProtocolTiming BriskTiming()
{
    ProtocolTiming brisk;
    brisk.pauseAfterSendSeconds = QuickTiming().pauseAfterSendSeconds / 10;
    return brisk;
}
