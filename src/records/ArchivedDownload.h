#pragma once
#include "data/MemoryDownload.h"

struct DownloadTable;
struct FirmwareFlags;
struct InstrumentInfo;
class InstrumentArchive;
class SessionLog;

// The downloads as both front ends run them: each completed download (all
// of the memory, a portion, or only what is new) is added to the
// instrument's archive in its record folder. A download that could not be
// archived is still a completed download; the user is told.
DownloadOutcome DownloadAllAndArchive(DownloadContext& context);
DownloadOutcome DownloadPortionAndArchive(DownloadContext& context, int selStart, int selLength);

// "Download New Data": reads the memory details; when the archive's current
// generation holds slots 1..k and the instrument's slots 1 and k, read one
// by one, are the archived ones byte for byte, downloads only k+1..used
// (none when nothing is new) as a portion; otherwise downloads all of it
// into a new generation. Either way the table then holds the whole memory,
// the archived slots decoded as a download decodes them.
DownloadOutcome DownloadNewData(DownloadContext& context);

// The slots of one generation (slot n at index n, from 1 to the last
// archived slot) decoded under the given firmware flags and the instrument's
// mg/m^3 factor, as a download would have stored them.
void FillTableFromArchive(const QStringList& rawSlots, DownloadTable& table, FirmwareFlags& flags,
    const InstrumentInfo& info, SessionLog& log);
