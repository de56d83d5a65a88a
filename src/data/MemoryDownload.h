#pragma once
#include <QString>

struct Services;
struct InstrumentInfo;
struct DownloadTable;
class InstrumentLink;
class OperationObserver;
class CancelToken;

// Copies the instrument's sample memory, all of it or a run of slots, into
// the download table: pauses the schedule for 80 ms per slot, asks for one
// bulk stream, stores each streamed slot as it arrives, reads the slots that
// did not arrive one by one, and unpauses the schedule. Progress and an
// estimated time to completion go to status panel 1; the cancel token is
// polled after every slot.
struct DownloadContext {
    Services& services;
    InstrumentLink& link;
    InstrumentInfo& info;
    DownloadTable& table;
    OperationObserver& observer;
    CancelToken& cancel;
    bool windowHidden = false;      // minimised to the tray: balloons tell the progress
    // The caller has just read the memory details: a second read would
    // count the chip errors the first one cleared as none.
    bool memoryDetailsFresh = false;
};

enum class DownloadOutcome {
    Completed,      // the table holds the slots; the filters may be prepared
    EmptyMemory,    // nothing to download; nothing was sent
    Cancelled,      // by the user or after a refused bulk read; the table is empty
    Failed,         // an unexpected failure, reported; the table is empty
};

DownloadOutcome DownloadAllMemory(DownloadContext& context);
// Slots selStart to selStart + selLength (the slider's selection).
DownloadOutcome DownloadMemoryPortion(DownloadContext& context, int selStart, int selLength);

// The status bar's cancel gesture: a request only while panel 1 tells of a
// download in progress; any other time it clears the request.
void CancelGesture(const QString& panel1Text, CancelToken& cancel, Services& services);
