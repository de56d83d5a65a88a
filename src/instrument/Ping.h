#pragma once

class InstrumentLink;

// The presence test: "S" answered within 5 seconds by a good reply that
// begins "7S". Leaves the reply in the link.
bool PingInstrument(InstrumentLink& link);
