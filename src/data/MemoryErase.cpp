#include "MemoryErase.h"

#include "data/MemoryRangeSlider.h"
#include "instrument/DownloadTable.h"
#include "instrument/InstrumentInfo.h"
#include "instrument/LinkPresence.h"
#include "instrument/SampleMemory.h"
#include "instrument/StaleState.h"
#include "link/InstrumentLink.h"
#include "instrument/AddHistory.h"
#include "shell/ErrorReport.h"
#include "shell/Operation.h"
#include "shell/Prompts.h"
#include "shell/Services.h"
#include "shell/SessionLog.h"
#include "shell/SystemInfo.h"

#include <QDateTime>

namespace {
constexpr int kEraseRetries = 2;

struct EraseRequest {
    QString question;
    QString title;
    QString startLog;
    QString failedLog;
    int count;        // the count "J02" is sent with
    int first;        // the slots erased
    int last;
};

// Asks the instrument to erase the slots, three times at most while no good
// reply comes. Returns the slots the instrument still holds, or -1 (logged)
// on failure.
int sendErase(EraseContext& c, const EraseRequest& request)
{
    tolviM::RetryBudget budget{kEraseRetries};
    const tolviM::EraseReply reply = tolviM::EraseSlots(c.link, budget, request.count);
    if (!reply.answered) {
        c.services.log.debugMessage(request.failedLog, SessionLog::Warning);
        c.services.prompts.message(Prompts::Icon::Exclamation, EraseNotConfirmedText, c.services.appCaption);
        return -1;
    }
    if (!reply.slotsLeft) {
        c.services.log.debugMessage(QStringLiteral("Unexpected reply."), SessionLog::Problem);
        c.services.prompts.message(Prompts::Icon::Exclamation, EraseNotConfirmedText, c.services.appCaption);
        return -1;
    }
    return *reply.slotsLeft;
}

// Guard, question, request. The remaining count, or -1 when nothing was erased.
std::optional<int> erase(EraseContext& c, const EraseRequest& request, EraseOutcome& outcome)
{
    // A closed link is said at once: no password is asked for an erase that cannot be sent.
    outcome = EraseOutcome::NoInstrument;
    if (!InstrumentConnected(c.link, c.services))
        return std::nullopt;
    outcome = EraseOutcome::NotAllowed;
    if (!LoginOK(c.services, c.passwordDialog, ErasePurpose(request.first, request.last)))
        return std::nullopt;
    // Nothing erased can be had back: Enter gives Cancel.
    const auto confirmed = [&](const QString& question) {
        return c.services.prompts.askOkCancel(question, request.title, Prompts::Icon::Exclamation,
                   Prompts::Answer::Cancel)
            == Prompts::Answer::Ok;
    };
    if (!confirmed(request.question))
        return std::nullopt;
    if (c.countNotDownloaded) {
        const int notDownloaded = c.countNotDownloaded(request.first, request.last);
        if (notDownloaded > 0 && !confirmed(NotDownloadedQuestion(notDownloaded))) {
            c.services.log.debugMessage(QStringLiteral("Erase of slots not downloaded cancelled."), SessionLog::Info);
            return std::nullopt;
        }
    }
    c.services.log.debugMessage(request.startLog, SessionLog::Info);
    outcome = EraseOutcome::Failed;
    const int left = sendErase(c, request);
    if (left < 0)
        return std::nullopt;
    outcome = EraseOutcome::Erased;
    c.table.clear();
    // The instrument's state changed: the keep-alive reads it again at its next tick.
    MarkStateStale(c.link);
    return left;
}

void history(EraseContext& c, const QString& first, const QString& second)
{
    c.services.log.debugMessage(QStringLiteral("...Done!"), SessionLog::Info);
    AddHistory(c.services, c.info.RecordFolder, first);
    AddHistory(c.services, c.info.RecordFolder, second);
}

template <typename Body>
EraseOutcome guarded(EraseContext& c, const char* procedure, Body&& body)
{
    EraseOutcome outcome = EraseOutcome::Failed;
    GuardBoundary(c.services.log, c.services.prompts, ErrorSite{procedure, "frmMain", true},
        [&] { outcome = body(); });
    return outcome;
}
}

QString EraseRangeText(int first, int last)
{
    const int count = last - first + 1;
    if (count < 1)
        return QStringLiteral("\r\n\r\nThe memory holds no samples.");
    return QStringLiteral("\r\n\r\nSlots %1 to %2 (%3 %4) will be erased.")
        .arg(first)
        .arg(last)
        .arg(count)
        .arg(count == 1 ? QStringLiteral("sample") : QStringLiteral("samples"));
}

QString NotDownloadedQuestion(int count)
{
    if (count == 1)
        return QStringLiteral("1 slot has not been downloaded: its sample will be lost.\r\n\r\nErase it all the same?");
    return QStringLiteral("%1 slots have not been downloaded: their samples will be lost.\r\n\r\n"
                          "Erase them all the same?")
        .arg(count);
}

QString ErasePurpose(int first, int last)
{
    if (last < first)
        return QStringLiteral("erase the instrument's memory");
    return QStringLiteral("erase slots %1 to %2 of the instrument's memory").arg(first).arg(last);
}

EraseOutcome EraseAllMemory(EraseContext& c)
{
    return guarded(c, "btnDeleteAllMemory_Click", [&] {
        const int before = c.info.SlotsUsed;
        const EraseRequest request{QStringLiteral("Are you sure you want to completely and irreversibly delete the memory bank?")
                + EraseRangeText(1, before),
            c.services.appCaption, QStringLiteral("Trying to erase the memory..."),
            QStringLiteral("FRAM 'Erase All' message failed"), before, 1, before};
        EraseOutcome outcome;
        const auto left = erase(c, request, outcome);
        if (!left)
            return outcome;
        c.observer.statusText(StatusPanel::Message, QStringLiteral("All memory slots have been erased from the instrument."));
        history(c, QStringLiteral("::: Sample memory erased by ") + GetUserName(),
            QStringLiteral(": %1 samples erased").arg(before));
        c.info.SlotsUsed = *left;
        return outcome;
    });
}

EraseOutcome EraseMemoryPortion(EraseContext& c, int selStart, int selLength)
{
    return guarded(c, "btnEraseSection_Click", [&] {
        const int last = selStart + selLength;
        if (selLength < 1) {
            // "J02" with a count of 0 erases nothing, yet would be recorded as an erase.
            c.services.log.debugMessage(QStringLiteral("Erase of a portion without slots refused."), SessionLog::Warning);
            c.services.prompts.message(Prompts::Icon::Information, MemoryRangeSlider::NoPortionText, c.services.appCaption);
            return EraseOutcome::NothingToErase;
        }
        const EraseRequest request{QStringLiteral("Are you sure you want to completely and irreversibly delete entries from the memory bank?")
                + EraseRangeText(selStart, last),
            QStringLiteral("Karvex Technology Ltd."), QStringLiteral("Trying to erase a chunk of memory..."),
            QStringLiteral("FRAM 'Erase chunk' message failed"), selLength, selStart, last};
        EraseOutcome outcome;
        const auto left = erase(c, request, outcome);
        if (!left)
            return outcome;
        c.observer.statusText(StatusPanel::Message, QStringLiteral("Memory slots 1 to %1 erased from the instrument.").arg(last));
        history(c, QStringLiteral("::: Some memory erased by ") + GetUserName(),
            QStringLiteral(": %1 samples erased, starting with %2").arg(last).arg(selStart));
        c.info.SlotsUsed = *left;
        return outcome;
    });
}
