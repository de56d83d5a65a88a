#pragma once
#include <QString>

class InstrumentArchive;

// What copying one instrument's archive into another did.
struct ArchivePushResult {
    int added = 0;          // downloads written
    int alreadyThere = 0;   // downloads the target held (by their uid)
    int slotsAdded = 0;
    QString error;          // why it stopped; the downloads before it are in
};

// Copies every download of the local archive into the target (both open,
// the target for writing), oldest first, each in one transaction of its
// own: a copy stopped midway leaves whole downloads only, and copying again
// adds only those not there yet. The target's generation rules place each
// download as they placed it locally; where the local archive started a new
// generation, so does the copy.
ArchivePushResult PushArchive(InstrumentArchive& local, InstrumentArchive& target);
