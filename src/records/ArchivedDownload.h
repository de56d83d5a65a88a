#pragma once
#include "data/MemoryDownload.h"
#include "records/ArchiveStore.h"

// The downloads as both front ends run them: each completed download (all
// of the memory, a portion, or only what is new) is added to the
// instrument's archive in the store (its record folder unless a database is
// named). A download that could not be archived is still a completed
// download; the user is told. The store is reached only before and after
// the instrument is read, so a server that goes away meanwhile costs the
// archiving, never the readings.
DownloadOutcome DownloadAllAndArchive(DownloadContext& context, const ArchiveStore& store = {});
DownloadOutcome DownloadPortionAndArchive(DownloadContext& context, int selStart, int selLength,
    const ArchiveStore& store = {});

// "Download New Data": reads the memory details; when the archive's current
// generation holds slots 1..k and the instrument's slots 1 and k, read one
// by one, are the archived ones byte for byte, downloads only k+1..used
// (none when nothing is new) as a portion; otherwise downloads all of it
// into a new generation (also when the generation holds rows that are not
// slots). Either way the table then holds the whole memory, the archived
// slots decoded as a download decodes them. An archive that cannot be read
// is left as it is: all of the memory is downloaded and not archived.
// slotsAdded, when given, gets the number of slots the archive took in (0
// when nothing was new or nothing was archived).
DownloadOutcome DownloadNewData(DownloadContext& context, const ArchiveStore& store = {}, int* slotsAdded = nullptr);
