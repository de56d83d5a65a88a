#pragma once
#include <QString>
#include <vector>

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
//
// Every wait is bounded: the stream by a second without a message and by
// twice its slots' time on the line plus a margin; the check pass, once
// three slots in a row could not be read, asks the instrument whether it
// is still there ("S") and ends when it is not. A slot that could not be
// read is never stored as a reading: it stays empty and marked unread.
// Slots first to last (slot numbers), both included.
struct SlotRange {
    int first = 0;
    int last = 0;
    bool operator==(const SlotRange&) const = default;
};

// What a download that did not complete came to, in words for the user.
struct DownloadReport {
    std::vector<SlotRange> missing;   // the slots that could not be read
    // What failed, e.g. "slots 67-300 could not be read: the instrument
    // stopped answering"; empty when the download completed, found the
    // memory empty or was cancelled by the user.
    QString message;
};

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
    DownloadReport report = {};     // filled by the download
    // Why the completed download could not be added to the instrument's
    // archive (in words for the user); empty when it was, or when it was
    // not meant to be (a download that did not complete).
    QString notArchived = {};
};

enum class DownloadOutcome {
    Completed,      // the table holds the slots; the filters may be prepared
    // Some slots could not be read: the table holds the others and marks
    // those unread; the report names them and says why. What was read may
    // be filtered and saved.
    Incomplete,
    EmptyMemory,    // nothing to download; nothing was sent
    Cancelled,      // by the user; the table is empty
    // The download could not be made (the report says why: the memory read
    // refused or unanswered, no slot read at all) or an unexpected failure
    // was reported; the table is empty.
    Failed,
    NoInstrument,   // the link is closed: said so, nothing sent, the table kept
    NothingToDownload, // a portion without slots: said so, nothing sent, the table kept
};

// The table holds slots to filter and save: all of them, or those read.
inline bool SlotsWereRead(DownloadOutcome outcome)
{
    return outcome == DownloadOutcome::Completed || outcome == DownloadOutcome::Incomplete;
}

// "slot 5", "slots 67-300", "slots 3, 9-12".
QString SlotRangesText(const std::vector<SlotRange>& ranges);

// The message box after a download that did not complete: "Download
// incomplete: " or "Download failed: " + the report's words + "."; empty
// when there is nothing to tell (completed, empty memory, the user's
// cancel, an unexpected failure already reported).
QString DownloadProblemText(DownloadOutcome outcome, const DownloadReport& report);

// After the readings were saved to a file: "The readings were saved to FILE
// but not added to the archive: REASON".
QString NotArchivedText(const QString& file, const QString& reason);

DownloadOutcome DownloadAllMemory(DownloadContext& context);
// Slots selStart to selStart + selLength (the slider's selection). One slot
// (selLength 0) is read singly, without a bulk read.
DownloadOutcome DownloadMemoryPortion(DownloadContext& context, int selStart, int selLength);

// The status bar's cancel gesture: a request only while panel 1 tells of a
// download in progress; any other time it clears the request.
void CancelGesture(const QString& panel1Text, CancelToken& cancel, Services& services);
