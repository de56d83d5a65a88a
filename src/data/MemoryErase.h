#pragma once
#include "shell/Password.h"

#include <functional>

struct Services;
struct InstrumentInfo;
struct DownloadTable;
class InstrumentLink;
class OperationObserver;

// Erases samples from the instrument's memory, all of them or the first
// ones: password check (the password dialog names the erase), confirmation,
// a second confirmation when slots to erase were never downloaded, one
// "J02" request (sent up to three times), two history lines, and the PC's
// copy of the data dropped. The instrument erases from its oldest slot only.
struct EraseContext {
    Services& services;
    InstrumentLink& link;
    InstrumentInfo& info;
    DownloadTable& table;
    OperationObserver& observer;
    PasswordDialogRunner passwordDialog;   // empty: the dialog runs through the prompts
    // How many of the slots first..last were never downloaded (the archive
    // knows, a layer up: see records/ArchivedErase.h); empty: not asked.
    std::function<int(int first, int last)> countNotDownloaded = {};
};

enum class EraseOutcome {
    Erased,        // SlotsUsed holds the instrument's new count; redraw the page
    NotAllowed,    // password refused or confirmation cancelled: nothing sent
    Failed,        // no or an unexpected reply (said so): nothing changed on the PC
    NoInstrument,  // the link is closed: said so, nothing asked or sent
    NothingToErase,// a portion without slots to erase: said so, nothing asked or sent
};

// The confirmations name the slots they erase and default to Cancel.
EraseOutcome EraseAllMemory(EraseContext& context);
// Slots 1 to 1 + selLength: the slider's selection, which starts at the
// first slot. A selection of one slot (selLength 0) would send an erase of
// no slots and is refused.
EraseOutcome EraseMemoryPortion(EraseContext& context, int selStart, int selLength);

// What the erase confirmations add to their question: the slots and how many.
QString EraseRangeText(int first, int last);
// The second confirmation: count slots to erase were never downloaded.
QString NotDownloadedQuestion(int count);
// What the password dialog names: the erase of slots first..last.
QString ErasePurpose(int first, int last);
// Said when the instrument did not acknowledge the erase.
inline const QString EraseNotConfirmedText = QStringLiteral("The instrument did not confirm the erase.");
