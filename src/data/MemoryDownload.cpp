#include "MemoryDownload.h"

#include "data/ReadingFormat.h"
#include "data/MemoryRangeSlider.h"
#include "instrument/DownloadTable.h"
#include "instrument/InstrumentInfo.h"
#include "instrument/LinkPresence.h"
#include "instrument/Ping.h"
#include "instrument/SampleMemory.h"
#include "instrument/ScheduleControl.h"
#include "instrument/SlotDecoder.h"
#include "link/InstrumentLink.h"
#include "shell/Bits.h"
#include "shell/ErrorReport.h"
#include "shell/Operation.h"
#include "shell/Picture.h"
#include "shell/Prompts.h"
#include "shell/Services.h"
#include "shell/SessionLog.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <algorithm>
#include <cmath>
#include <vector>

namespace {
constexpr double kPauseSecondsPerSlot = 0.08;
constexpr int kRetryBudget = 5;
// The stream's own bound: twice the time its slots take on the line (one
// slot message is STX, length character, "J03", slot number, 32 data
// digits, checksum and CR; ten bits a character at the instrument's 9600
// baud, also behind a network bridge) plus the timing's margin, so an instrument that
// sends slower than its line is still heard out, and one that never stops
// sending is not listened to for ever.
constexpr int kSlotMessageChars = 45;
constexpr int kLineBaud = 9600;
constexpr int kBitsPerChar = 10;
// Slots in a row that may fail their single reads before the check pass asks
// whether the instrument is still there.
constexpr int kFailuresBeforePing = 3;
// The check pass, which reads singly the slots the stream left out (or all
// of them after a failed bulk read), is bounded as a whole: twice the time
// its requests (STX, length character, "J01", slot number, count, checksum,
// CR) and replies take on the line, plus a fixed margin of one slot's
// retried read (six requests of the reply timeout: 30 seconds). An
// instrument that answers pings but not the reads is not asked for ever.
constexpr int kSingleReadRequestChars = 16;
constexpr int kCheckMarginRequests = kRetryBudget + 1;

const QString kStoppedAnswering = QStringLiteral("the instrument stopped answering");
const QString kNoGoodReply = QStringLiteral("the instrument gave no good reply for them");

qint64 LineMs(qint64 chars)
{
    return chars * kBitsPerChar * 1000 / kLineBaud;
}

qint64 StreamBoundMs(int slots, qint64 marginMs)
{
    return 2 * LineMs(qint64(slots) * kSlotMessageChars) + marginMs;
}

qint64 CheckBoundMs(int slots, double replyTimeoutSeconds)
{
    const auto marginMs = static_cast<qint64>(kCheckMarginRequests * replyTimeoutSeconds * 1000);
    return 2 * LineMs(qint64(slots) * (kSingleReadRequestChars + kSlotMessageChars)) + marginMs;
}

// What went wrong with the memory read, in words.
QString BulkReadProblem(const ExchangeOutcome& outcome)
{
    switch (outcome.result) {
    case ExchangeOutcome::ReplyRejected:
        return QStringLiteral("the instrument's reply to the memory read was damaged");
    case ExchangeOutcome::ReplyOk:
        return QStringLiteral("the instrument refused the memory read");
    default:
        return QStringLiteral("the instrument did not answer the memory read");
    }
}

struct Plan {
    bool whole = true;
    int first = 1;          // slot number at table index 1
    int count = 0;          // table indexes 1..count
    int requested = 0;      // slots the bulk read asks for (none: every slot is read singly)
    int slotsForEta = 0;    // the slot count the estimate counts down to
    const char* procedure = "btnDownload_Click";
};

class Download {
public:
    Download(DownloadContext& context, Plan plan) : c_(context), log_(context.services.log), plan_(std::move(plan)) {}

    DownloadOutcome run()
    {
        c_.report = {};
        try {
            return body();
        } catch (const std::exception& e) {
            ReportError(log_, c_.services.prompts, ErrorSite{plan_.procedure, "frmMain", true}, 9,
                QString::fromLocal8Bit(e.what()));
            c_.table.clear();
            c_.observer.progress(0);
            return DownloadOutcome::Failed;
        }
    }

private:
    DownloadOutcome body()
    {
        c_.table.clear();
        c_.table.resize(plan_.count);
        received_.assign(static_cast<size_t>(plan_.count) + 1, false);
        c_.cancel.reset();
        clock_.start();
        budget_ = tolviM::RetryBudget{kRetryBudget};

        pauseSchedule();
        // A portion of one slot has nothing to stream: its slot is read singly.
        if (plan_.requested > 0) {
            const ExchangeOutcome first = tolviM::RequestSlots(c_.link, budget_, plan_.first, plan_.requested);
            if (!first.replyOk() || !tolviM::IsSlotMessage(first.checked)) {
                log_.debugMessage(QStringLiteral("Bad reply to FRAM Read - skipping!"), SessionLog::Problem);
                // A cancel request also cuts the wait for the reply short.
                if (c_.cancel.isRequested())
                    return cancelPath();
                // An instrument that still answers may serve the slots one by one.
                if (!PingInstrument(c_.link))
                    return c_.cancel.isRequested() ? cancelPath() : failPath(BulkReadProblem(first));
                log_.debugMessage(BulkReadProblem(first) + QStringLiteral(": the slots are read one by one."),
                    SessionLog::Problem);
            } else if (!stream(first.checked)) {
                return cancelPath();
            }
        }
        if (!verify())
            return cancelPath();
        if (c_.table.unread.empty()) {
            complete();
            return DownloadOutcome::Completed;
        }
        return incomplete();
    }

    void pauseSchedule()
    {
        const long pauseSeconds = std::lround(plan_.requested * kPauseSecondsPerSlot);
        log_.debugMessage(QStringLiteral("Pausing schedule for %1s...").arg(pauseSeconds), SessionLog::Detail);
        if (!tolviM::PauseSchedule(c_.link, budget_, int(pauseSeconds))) {
            log_.debugMessage(QStringLiteral("Couldn't pause the schedule?"), SessionLog::Problem);
            budget_ = tolviM::RetryBudget{kRetryBudget};
        }
    }

    // Stores streamed slots, the first being the bulk read's reply, until the
    // stream ends (a second without a message, a message that is no slot, or
    // the stream's own bound). False when the user cancelled.
    bool stream(QByteArray message)
    {
        const qint64 boundMs = StreamBoundMs(plan_.requested, c_.link.timing().streamMarginMs);
        const QDeadlineTimer bound(boundMs);
        bool more = true;
        while (more && tolviM::IsSlotMessage(message)) {
            const int index = storeStreamed(message);
            if (index > 0)
                reportStreamProgress(index);
            if (c_.cancel.isRequested())
                return false;
            more = receiveNext(message, bound);
        }
        if (bound.hasExpired() && !c_.cancel.isRequested()) {
            log_.debugMessage(QStringLiteral("The slot stream outlasted its %1 seconds and was stopped.")
                                  .arg(boundMs / 1000), SessionLog::Problem);
            tolviM::StopStream(c_.link);   // an instrument that is still sending
        }
        // A cancel request also ends the wait for the next slot.
        return !c_.cancel.isRequested();
    }

    // The next streamed message that passes the check; a damaged one is not
    // kept (the check pass reads that slot again). False after a second
    // without a good message, or once the stream's bound has passed.
    bool receiveNext(QByteArray& message, const QDeadlineTimer& bound)
    {
        std::optional<QByteArray> next = tolviM::NextStreamedSlot(c_.link, log_, bound);
        if (!next)
            return false;
        message = std::move(*next);
        return true;
    }

    // The table index the slot went to, 0 when it was not stored.
    int storeStreamed(const QByteArray& message)
    {
        const tolviM::SlotMessage parsed = tolviM::ParseSlotMessage(message);
        const int index = parsed.slot ? *parsed.slot - plan_.first + 1 : 0;
        if (!parsed.slot || index < 1 || index > plan_.count || parsed.data.isEmpty()) {
            log_.debugMessage(QStringLiteral("Streamed slot #") + QString::fromLatin1(parsed.numberText)
                    + QStringLiteral(" is outside the download - dropped."), SessionLog::Problem);
            return 0;
        }
        SlotRecord slot = tolviM::DecodeReceivedSlot(parsed.data, c_.link.firmwareFlags(), log_);
        slot.ReadingMGM = StoredSlotMGM(slot, c_.link.firmwareFlags(), c_.info);
        c_.table[index] = std::move(slot);
        received_[static_cast<size_t>(index)] = true;
        return index;
    }

    void reportStreamProgress(int index)
    {
        const double elapsed = clock_.elapsed() / 1000.0;
        const double remaining = elapsed / index * (plan_.slotsForEta - index);
        const QString text = (plan_.whole ? QStringLiteral("Downloading the whole of memory from the instrument: ")
                                          : QStringLiteral("Downloading some of memory from the instrument: "))
            + percentText(index) + QStringLiteral(" done. (ETA ")
            + FormatDays(std::max(0.0, remaining) / 86400.0, QStringLiteral("h:mm:ss")) + QStringLiteral(")");
        report(index, text);
    }

    // Reads every slot the stream left out singly, once. A slot that cannot
    // be read is marked unread. After three such slots in a row the
    // instrument is pinged; when it does not answer, the rest are marked
    // unread without asking, and so are they once the pass's bound has
    // passed. False when the user cancelled.
    bool verify()
    {
        const int missing = int(std::count(received_.begin() + 1, received_.end(), false));
        const double replyTimeout = c_.link.timing().replyTimeoutSeconds;
        const qint64 boundMs = CheckBoundMs(missing, replyTimeout);
        // The presence test waits a reply timeout: not started when less is left.
        const auto pingWaitMs = static_cast<qint64>(replyTimeout * 1000);
        const QDeadlineTimer bound(boundMs);
        int failedInRow = 0;
        for (int i = 1; i <= plan_.count; ++i) {
            if (!received_[static_cast<size_t>(i)]) {
                received_[static_cast<size_t>(i)] = true;
                if (!stoppedAnswering_ && !outOfTime_ && bound.hasExpired()) {
                    outOfTime_ = true;
                    checkSeconds_ = boundMs / 1000;
                    log_.debugMessage(QStringLiteral("The check of the missing slots used up its %1 seconds: the "
                                                     "rest are left unread.").arg(checkSeconds_), SessionLog::Problem);
                }
                if (stoppedAnswering_ || outOfTime_)
                    c_.table.markUnread(i);
                else if (readMissing(i, bound))
                    failedInRow = 0;
                else if (++failedInRow >= kFailuresBeforePing && bound.remainingTime() > pingWaitMs)
                    failedInRow = stillThere() ? 0 : failedInRow;
            }
            report(i, QStringLiteral("Checking downloaded data for errors: ") + percentText(i));
            if (c_.cancel.isRequested())
                return false;
        }
        return true;
    }

    // Reads the slot at table index i singly, each wait cut to what is left
    // of the pass's bound; false (and the slot marked unread) when no good
    // reply came for it. A reply for another slot is asked for again.
    bool readMissing(int i, const QDeadlineTimer& bound)
    {
        const int slotNumber = plan_.first + i - 1;
        const QByteArray number = HexL(slotNumber, 4).toLatin1();
        log_.debugMessage(QStringLiteral("Slot #") + QString::fromLatin1(number) + QStringLiteral(" is missing:"),
            SessionLog::Note);
        tolviM::RetryBudget budget{kRetryBudget};
        for (qint64 leftMs = bound.remainingTime(); leftMs > 0; leftMs = bound.remainingTime()) {
            const double waitSeconds = std::min(c_.link.timing().replyTimeoutSeconds, leftMs / 1000.0);
            const ExchangeOutcome outcome = tolviM::ReadSlot(c_.link, slotNumber, waitSeconds);
            if (outcome.replyOk() && tolviM::IsSlotMessage(outcome.checked)) {
                const QByteArray replied = tolviM::ParseSlotMessage(outcome.checked).numberText;
                if (replied == number && storeStreamed(outcome.checked) == i)
                    return true;
                log_.debugMessage(QStringLiteral("Slot #%1 asked for, slot #%2 came back.")
                                      .arg(QString::fromLatin1(number), QString::fromLatin1(replied)),
                    SessionLog::Warning);
            }
            if (c_.cancel.isRequested() || budget.left-- <= 0)
                break;
        }
        log_.debugMessage(QStringLiteral("Bad reply to FRAM Read - skipping!"), SessionLog::Problem);
        c_.table.markUnread(i);
        return false;
    }

    // The presence test after slots in a row could not be read.
    bool stillThere()
    {
        if (PingInstrument(c_.link))
            return true;
        log_.debugMessage(QStringLiteral("The instrument does not answer: the check ends."), SessionLog::Problem);
        stoppedAnswering_ = true;
        return false;
    }

    void unpauseSchedule()
    {
        log_.debugMessage(QStringLiteral("Unpausing schedule..."), SessionLog::Info);
        // An instrument that stopped answering is asked once: the pause runs out by itself.
        if (stoppedAnswering_)
            budget_.left = 0;
        if (!tolviM::ResumeSchedule(c_.link, budget_))
            log_.debugMessage(QStringLiteral("Couldn't unpause the schedule?"), SessionLog::Problem);
    }

    void logDone()
    {
        log_.debugMessage(QStringLiteral("Download done: ")
                + FormatDays(clock_.elapsed() / 86400000.0, QStringLiteral("hh:mm:ss")) + QStringLiteral(" to get ")
                + QString::number(plan_.requested) + QStringLiteral(" slots"), SessionLog::Detail);
    }

    void complete()
    {
        logDone();
        unpauseSchedule();
        c_.observer.statusText(1, QStringLiteral("Download complete, ready to filter and save data."));
        if (plan_.whole && c_.windowHidden) {
            c_.services.prompts.balloon(QStringLiteral("Download complete - ready to save..."), c_.services.appCaption,
                Prompts::Icon::Information, 1);
        }
    }

    // Some slots could not be read: the others are kept; the report names
    // the missing ones. Without a slot read at all the download failed.
    DownloadOutcome incomplete()
    {
        logDone();
        for (const int index : c_.table.unread) {
            const int slot = plan_.first + index - 1;
            if (!c_.report.missing.empty() && c_.report.missing.back().last == slot - 1)
                c_.report.missing.back().last = slot;
            else
                c_.report.missing.push_back({slot, slot});
        }
        c_.report.message = SlotRangesText(c_.report.missing) + QStringLiteral(" could not be read: ")
            + (stoppedAnswering_ ? kStoppedAnswering
                   : outOfTime_  ? QStringLiteral("no good reply came for them within the check's %1 seconds")
                                      .arg(checkSeconds_)
                                 : kNoGoodReply);
        log_.debugMessage(c_.report.message, SessionLog::Problem);
        if (c_.table.readCount() == 0)
            return failPath(c_.report.message);
        unpauseSchedule();
        c_.observer.statusText(1, QStringLiteral("Download incomplete, ready to filter and save what was read."));
        return DownloadOutcome::Incomplete;
    }

    // Ends the download without slots: any stream is stopped, the schedule
    // unpaused (asked once: a pause that is not ended runs out by itself),
    // the table emptied and the input left over thrown away.
    void endWithoutSlots(const QString& status)
    {
        // Only the download is cut short: the clean-up waits for its replies,
        // so a cancel request is withdrawn while it runs.
        c_.cancel.reset();
        tolviM::StopStream(c_.link);
        tolviM::RetryBudget once{0};
        if (!tolviM::ResumeSchedule(c_.link, once))
            log_.debugMessage(QStringLiteral("Couldn't unpause the schedule?"), SessionLog::Problem);
        c_.observer.statusText(1, status);
        c_.table.clear();
        c_.observer.progress(0);
    }

    DownloadOutcome cancelPath()
    {
        endWithoutSlots(QStringLiteral("Download has been cancelled."));
        c_.cancel.request();   // the user's request stands until the next download
        log_.debugMessage(QStringLiteral("...cancel process done."), SessionLog::Info);
        c_.link.DiscardInput();
        return DownloadOutcome::Cancelled;
    }

    // The download could not be made: the status bar says what failed.
    DownloadOutcome failPath(const QString& problem)
    {
        c_.report.message = problem;
        endWithoutSlots(DownloadProblemText(DownloadOutcome::Failed, c_.report));
        c_.link.DiscardInput();
        return DownloadOutcome::Failed;
    }

    QString percentText(int value) const
    {
        return FormatNumber(double(value) / plan_.count, QStringLiteral("000%"), QLocale::system());
    }

    // Panel 1 and the bar, passed on only when they change.
    void report(int value, const QString& text)
    {
        const int percent = static_cast<int>(100LL * value / plan_.count);
        if (percent != lastPercent_) {
            lastPercent_ = percent;
            c_.observer.progress(percent);
        }
        if (text != lastText_) {
            lastText_ = text;
            c_.observer.statusText(1, text);
        }
    }

    DownloadContext& c_;
    SessionLog& log_;
    Plan plan_;
    std::vector<bool> received_;    // table indexes stored or tried singly
    bool stoppedAnswering_ = false; // the check pass found the instrument gone
    bool outOfTime_ = false;        // the check pass used up its bound
    qint64 checkSeconds_ = 0;       // that bound, for the report
    QElapsedTimer clock_;
    tolviM::RetryBudget budget_{kRetryBudget};
    int lastPercent_ = -1;
    QString lastText_;
};
}

QString DownloadProblemText(DownloadOutcome outcome, const DownloadReport& report)
{
    if (report.message.isEmpty())
        return {};
    if (outcome == DownloadOutcome::Incomplete)
        return QStringLiteral("Download incomplete: ") + report.message + QLatin1Char('.');
    if (outcome == DownloadOutcome::Failed)
        return QStringLiteral("Download failed: ") + report.message + QLatin1Char('.');
    return {};
}

QString NotArchivedText(const QString& file, const QString& reason)
{
    return QStringLiteral("The readings were saved to %1 but not added to the archive: %2").arg(file, reason);
}

QString SlotRangesText(const std::vector<SlotRange>& ranges)
{
    QStringList parts;
    for (const SlotRange& r : ranges)
        parts << (r.first == r.last ? QString::number(r.first) : QStringLiteral("%1-%2").arg(r.first).arg(r.last));
    const bool one = ranges.size() == 1 && ranges.front().first == ranges.front().last;
    return (one ? QStringLiteral("slot ") : QStringLiteral("slots ")) + parts.join(QStringLiteral(", "));
}

namespace {
// A running schedule may have added samples since the memory was last read:
// both downloads read the memory details again first. False after a failure
// (reported).
bool RefreshMemoryDetails(DownloadContext& context, const char* procedure)
{
    InstrumentInfo& info = context.info;
    try {
        if (info.ScheduleEnabled && info.ScheduleRunning && !context.memoryDetailsFresh)
            tolviM::GetFRAMDetails(context.link, context.services, info);
        return true;
    } catch (const std::exception& e) {
        ReportError(context.services.log, context.services.prompts, ErrorSite{procedure, "frmMain", true}, 5,
            QString::fromLocal8Bit(e.what()));
        return false;
    }
}
}

DownloadOutcome DownloadAllMemory(DownloadContext& context)
{
    InstrumentInfo& info = context.info;
    if (!InstrumentConnected(context.link, context.services))
        return DownloadOutcome::NoInstrument;
    if (!RefreshMemoryDetails(context, "btnDownload_Click"))
        return DownloadOutcome::Failed;
    if (info.SlotsUsed <= 0) {
        context.services.prompts.balloon(QStringLiteral("The instrument memory is empty!"), context.services.appCaption,
            Prompts::Icon::Information, 10000);
        return DownloadOutcome::EmptyMemory;
    }
    if (context.windowHidden) {
        context.services.prompts.balloon(QStringLiteral("Downloading %1 slots.").arg(info.SlotsUsed),
            context.services.appCaption, Prompts::Icon::Information, 1);
    }
    context.services.log.debugMessage(QStringLiteral("Downloading all %1 memory slots").arg(info.SlotsUsed),
        SessionLog::Detail);
    Plan plan;
    plan.count = plan.requested = plan.slotsForEta = info.SlotsUsed;
    return Download(context, plan).run();
}

DownloadOutcome DownloadMemoryPortion(DownloadContext& context, int selStart, int selLength)
{
    if (selLength < 0) {
        context.services.log.debugMessage(QStringLiteral("Download of a portion without slots refused."),
            SessionLog::Warning);
        context.services.prompts.message(Prompts::Icon::Information, MemoryRangeSlider::NoPortionText,
            context.services.appCaption);
        return DownloadOutcome::NothingToDownload;
    }
    if (!InstrumentConnected(context.link, context.services))
        return DownloadOutcome::NoInstrument;
    if (!RefreshMemoryDetails(context, "btnDownloadSection_Click"))
        return DownloadOutcome::Failed;
    context.services.log.debugMessage(
        QStringLiteral("Downloading from %1 to %2").arg(selStart).arg(selStart + selLength), SessionLog::Detail);
    Plan plan;
    plan.whole = false;
    plan.first = selStart;
    plan.count = selLength + 1;
    plan.requested = plan.slotsForEta = selLength;
    plan.procedure = "btnDownloadSection_Click";
    return Download(context, plan).run();
}

void CancelGesture(const QString& panel1Text, CancelToken& cancel, Services& services)
{
    if (panel1Text.startsWith(QLatin1String("Downloading"))) {
        cancel.request();
        services.log.debugMessage(QStringLiteral("Download cancelled by user..."), SessionLog::Info);
    } else {
        cancel.reset();
    }
}
