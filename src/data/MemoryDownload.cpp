#include "MemoryDownload.h"

#include "data/ReadingFormat.h"
#include "instrument/DownloadTable.h"
#include "instrument/InstrumentInfo.h"
#include "instrument/RetriedRead.h"
#include "instrument/SampleMemory.h"
#include "instrument/SlotDecoder.h"
#include "link/Frame.h"
#include "link/InstrumentLink.h"
#include "shell/Bits.h"
#include "shell/ErrorReport.h"
#include "shell/Operation.h"
#include "shell/Picture.h"
#include "shell/Prompts.h"
#include "shell/Services.h"
#include "shell/SessionLog.h"

#include <QElapsedTimer>
#include <cmath>
#include <vector>

namespace {
constexpr double kPauseSecondsPerSlot = 0.08;
constexpr int kStreamGapMs = 1000;
constexpr int kRetryBudget = 5;

struct Plan {
    bool whole = true;
    int first = 1;          // slot number at table index 1
    int count = 0;          // table indexes 1..count
    int requested = 0;      // slots the bulk read asks for
    int slotsForEta = 0;    // the slot count the estimate counts down to
    const char* procedure = "btnDownload_Click";
};

// Sends a request, repeating while no good reply comes and the budget lasts.
// The good reply (as checked) when it begins with the expected characters.
std::optional<QByteArray> sendRetried(InstrumentLink& link, const QByteArray& payload, double timeoutSeconds,
    tolviM::RetryBudget& budget, const QByteArray& expected)
{
    ExchangeOutcome outcome = tolviM::RetriedExchange(link, budget, payload, timeoutSeconds);
    if (!outcome.replyOk() || !outcome.checked.startsWith(expected))
        return std::nullopt;
    return std::move(outcome.checked);
}

class Download {
public:
    Download(DownloadContext& context, Plan plan) : c_(context), log_(context.services.log), plan_(std::move(plan)) {}

    DownloadOutcome run()
    {
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
        const std::optional<QByteArray> first = sendRetried(c_.link,
            QByteArray("J01") + HexL(plan_.first, 4).toLatin1() + HexL(plan_.requested, 4).toLatin1(), 5, budget_,
            QByteArray("GJ03"));
        if (!first) {
            log_.debugMessage(QStringLiteral("Bad reply to FRAM Read - skipping!"), SessionLog::Problem);
            return cancelPath();
        }
        if (!stream(*first) || !verify())
            return cancelPath();
        complete();
        return DownloadOutcome::Completed;
    }

    void pauseSchedule()
    {
        const long pauseSeconds = std::lround(plan_.requested * kPauseSecondsPerSlot);
        log_.debugMessage(QStringLiteral("Pausing schedule for %1s...").arg(pauseSeconds), SessionLog::Detail);
        if (!sendRetried(c_.link, QByteArray("A05") + HexL(pauseSeconds, 4).toLatin1(), 1, budget_, QByteArray("'A05"))) {
            log_.debugMessage(QStringLiteral("Couldn't pause the schedule?"), SessionLog::Problem);
            budget_ = tolviM::RetryBudget{kRetryBudget};
        }
    }

    // Stores streamed slots, the first being the bulk read's reply, until the
    // stream ends (a gap of a second, or a message that is no slot). False
    // when the user cancelled.
    bool stream(QByteArray message)
    {
        bool more = true;
        while (more && message.startsWith("GJ03")) {
            const int index = storeStreamed(message);
            if (index > 0)
                reportStreamProgress(index);
            if (c_.cancel.isRequested())
                return false;
            more = receiveNext(message);
        }
        // A cancel request also ends the wait for the next slot.
        return !c_.cancel.isRequested();
    }

    // The next streamed message that passes the check (as checked); a damaged
    // one is not kept (the check pass reads that slot again). False after a
    // second of silence.
    bool receiveNext(QByteArray& message)
    {
        while (true) {
            std::optional<QByteArray> received = c_.link.IncommingMessage(kStreamGapMs);
            if (!received)
                return false;
            message = std::move(*received);
            log_.debugMessage(QString::fromLatin1(message), SessionLog::Received);
            c_.link.setLastCommsAt(QDateTime::currentDateTime());
            if (!c_.link.ErrorInMessage(message))
                return true;
            log_.debugMessage(QStringLiteral("Damaged slot message dropped."), SessionLog::Warning);
        }
    }

    // The table index the slot went to, 0 when it was not stored.
    int storeStreamed(const QByteArray& message)
    {
        bool ok = false;
        const int slotNumber = message.mid(4, 4).toInt(&ok, 16);
        const int index = ok ? slotNumber - plan_.first + 1 : 0;
        if (!ok || index < 1 || index > plan_.count || message.size() < 40) {
            log_.debugMessage(QStringLiteral("Streamed slot #") + QString::fromLatin1(message.mid(4, 4))
                    + QStringLiteral(" is outside the download - dropped."), SessionLog::Problem);
            return 0;
        }
        SlotRecord slot = tolviM::DecodeReceivedSlot(QByteArrayView(message).sliced(8, 32), c_.link.firmwareFlags(), log_);
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

    // Reads every slot the stream left out, one request each; a slot read
    // again is taken whatever comes back, so the check runs at most twice.
    bool verify()
    {
        received_[0] = true;
        while (received_[0]) {
            received_[0] = false;
            for (int i = 1; i <= plan_.count; ++i) {
                if (!received_[static_cast<size_t>(i)]) {
                    const int slotNumber = plan_.first + i - 1;
                    log_.debugMessage(QStringLiteral("Slot #") + HexL(slotNumber, 4) + QStringLiteral(" is missing:"),
                        SessionLog::Note);
                    SlotRecord slot = tolviM::GetFRAMSlot(c_.link, c_.services, slotNumber);
                    slot.ReadingMGM = StoredSlotMGM(slot, c_.link.firmwareFlags(), c_.info);
                    c_.table[i] = std::move(slot);
                    received_[static_cast<size_t>(i)] = true;
                    received_[0] = true;
                }
                report(i, QStringLiteral("Checking downloaded data for errors: ") + percentText(i));
                if (c_.cancel.isRequested())
                    return false;
            }
        }
        return true;
    }

    void complete()
    {
        log_.debugMessage(QStringLiteral("Download done: ")
                + FormatDays(clock_.elapsed() / 86400000.0, QStringLiteral("hh:mm:ss")) + QStringLiteral(" to get ")
                + QString::number(plan_.requested) + QStringLiteral(" slots"), SessionLog::Detail);
        log_.debugMessage(QStringLiteral("Unpausing schedule..."), SessionLog::Info);
        if (!sendRetried(c_.link, QByteArray("A050000"), 1, budget_, QByteArray("'A05")))
            log_.debugMessage(QStringLiteral("Couldn't unpause the schedule?"), SessionLog::Problem);
        c_.observer.statusText(1, QStringLiteral("Download complete, ready to filter and save data."));
        if (plan_.whole && c_.windowHidden) {
            c_.services.prompts.balloon(QStringLiteral("Download complete - ready to save..."), c_.services.appCaption,
                Prompts::Icon::Information, 1);
        }
    }

    DownloadOutcome cancelPath()
    {
        // Only the download is cut short: the clean-up waits for its replies,
        // so the user's request is withdrawn while it runs and set again after.
        c_.cancel.reset();
        c_.link.SendMessage(ComposeMessage("C"), true, 5);
        c_.link.SendMessage(ComposeMessage("A050000"), true, 1);
        c_.observer.statusText(1, QStringLiteral("Download has been cancelled."));
        c_.cancel.request();
        c_.table.clear();
        c_.observer.progress(0);
        log_.debugMessage(QStringLiteral("...cancel process done."), SessionLog::Info);
        c_.link.DiscardInput();
        return DownloadOutcome::Cancelled;
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
    std::vector<bool> received_;    // [0]: another check pass is needed
    QElapsedTimer clock_;
    tolviM::RetryBudget budget_{kRetryBudget};
    int lastPercent_ = -1;
    QString lastText_;
};
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
