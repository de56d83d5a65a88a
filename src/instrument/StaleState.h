#pragma once

class InstrumentLink;

// After a procedure that changed the instrument: the link's last exchange
// is dated a minute back, so the keep-alive's next tick finds the line idle
// and reads the instrument's state again.
void MarkStateStale(InstrumentLink& link);
