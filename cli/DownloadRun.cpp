#include "DownloadRun.h"

#include "CliSession.h"
#include "ExitCode.h"
#include "MemoryCommands.h"
#include "link/InstrumentLink.h"
#include "session/InstrumentSession.h"
#include "records/ArchivedDownload.h"
#include "shell/Services.h"

namespace {
std::optional<int> parseSlot(const QString& text)
{
    bool ok = false;
    const int slot = text.trimmed().toInt(&ok);
    return ok && slot >= 1 ? std::optional(slot) : std::nullopt;
}
}

std::optional<SlotSelection> ReadSlotSelection(const QCommandLineParser& parser, QString& problem)
{
    SlotSelection r;
    const bool hasFrom = parser.isSet(QStringLiteral("from"));
    if (hasFrom != parser.isSet(QStringLiteral("to"))) {
        problem = QStringLiteral("--from and --to go together");
        return std::nullopt;
    }
    r.newData = parser.isSet(QStringLiteral("new"));
    if (hasFrom && r.newData) {
        problem = QStringLiteral("--new and --from/--to exclude each other");
        return std::nullopt;
    }
    if (hasFrom) {
        const auto first = parseSlot(parser.value(QStringLiteral("from")));
        const auto last = parseSlot(parser.value(QStringLiteral("to")));
        if (!first || !last || *last < *first) {
            problem = QStringLiteral("--from and --to take slot numbers from 1, --to not below --from");
            return std::nullopt;
        }
        r.portion = std::pair{*first, *last};
    }
    return r;
}

DownloadRunResult RunDownload(CliSession& session, TerminalProgress& progress,
    const std::function<DownloadOutcome(DownloadContext&)>& download)
{
    CancelToken cancel;
    DownloadContext context = session.instrumentSession().downloadContext(progress, cancel);
    DownloadRunResult run;
    {
        InterruptCancels interrupt(cancel);
        session.link().setCancelToken(&cancel);
        run.outcome = download(context);
        session.link().setCancelToken(nullptr);
    }
    progress.finish();
    run.report = context.report;
    run.notArchived = context.notArchived;
    return run;
}

int DownloadStatus(CliSession& session, const DownloadRunResult& run)
{
    switch (run.outcome) {
    case DownloadOutcome::Completed:
        return ExitOk;
    case DownloadOutcome::Incomplete:
        session.error(run.report.message);   // what was read is kept all the same
        return ExitIncomplete;
    case DownloadOutcome::EmptyMemory:
        session.error(QStringLiteral("The instrument memory is empty!"));
        return ExitFailed;
    case DownloadOutcome::Cancelled:
        session.error(QStringLiteral("Download has been cancelled."));
        return ExitFailed;
    case DownloadOutcome::Failed:
        // Without words it was an unexpected failure, already reported.
        if (const QString problem = DownloadProblemText(run.outcome, run.report); !problem.isEmpty())
            session.error(problem);
        return ExitFailed;
    case DownloadOutcome::NoInstrument:
        return ExitNoInstrument;     // said by the download
    case DownloadOutcome::NothingToDownload:
        return ExitUsage;            // said by the download
    }
    return ExitFailed;
}

int DownloadSelectedSlots(CliSession& session, const SlotSelection& selection, const ArchiveStore& store,
    TerminalProgress& progress, QString& notArchived)
{
    const int status = ConnectForSlots(session, selection.portion ? selection.portion->second : 0);
    if (status != ExitOk)
        return status;
    const DownloadRunResult run = RunDownload(session, progress, [&selection, &store](DownloadContext& context) {
        return selection.newData ? DownloadNewData(context, store)
            : selection.portion
            ? DownloadPortionAndArchive(context, selection.portion->first,
                  selection.portion->second - selection.portion->first, store)
            : DownloadAllAndArchive(context, store);
    });
    notArchived = run.notArchived;
    return DownloadStatus(session, run);
}
