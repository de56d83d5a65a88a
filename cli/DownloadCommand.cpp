#include "CliSession.h"
#include "Commands.h"
#include "DataFileOptions.h"
#include "ExitCode.h"
#include "MemoryCommands.h"
#include "link/InstrumentLink.h"
#include "records/ArchivedDownload.h"
#include "session/MainModel.h"
#include "shell/Services.h"

#include <cstdio>
#include <optional>

namespace {
struct DownloadRequest {
    DataFileRequest file;
    std::optional<std::pair<int, int>> portion;       // first and last slot
    bool newData = false;                              // only what the archive lacks
};

std::optional<int> parseSlot(const QString& text)
{
    bool ok = false;
    const int slot = text.trimmed().toInt(&ok);
    return ok && slot >= 1 ? std::optional(slot) : std::nullopt;
}

// The request from the options; a message naming the bad option otherwise.
std::optional<DownloadRequest> readRequest(const QCommandLineParser& parser, QString& problem)
{
    DownloadRequest r;
    const auto file = ReadDataFileRequest(parser, QStringLiteral("download"), problem);
    if (!file)
        return std::nullopt;
    r.file = *file;
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

int runDownload(CliSession& session, const QStringList&, const QCommandLineParser& parser)
{
    QString problem;
    const auto request = readRequest(parser, problem);
    if (request)
        problem = StoredFormatProblem(session, request->file);
    if (!request || !problem.isEmpty()) {
        session.error(problem);
        return ExitUsage;
    }
    const int status = ConnectForSlots(session, request->portion ? request->portion->second : 0);
    if (status != ExitOk)
        return status;
    MainModel& model = session.model();
    InstrumentInfo& info = model.instrument();

    Services& services = session.services();
    CancelToken cancel;
    TerminalProgress progress;
    DownloadContext context{services, session.link(), info, model.downloads(), progress, cancel};
    DownloadOutcome outcome;
    {
        InterruptCancels interrupt(cancel);
        session.link().setCancelToken(&cancel);
        outcome = request->newData ? DownloadNewData(context)
            : request->portion
            ? DownloadPortionAndArchive(context, request->portion->first, request->portion->second - request->portion->first)
            : DownloadAllAndArchive(context);
        session.link().setCancelToken(nullptr);
    }
    progress.finish();
    switch (outcome) {
    case DownloadOutcome::Completed:
        break;
    case DownloadOutcome::Incomplete:
        session.error(context.report.message);   // what was read is saved all the same
        break;
    case DownloadOutcome::EmptyMemory:
        session.error(QStringLiteral("The instrument memory is empty!"));
        return ExitFailed;
    case DownloadOutcome::Cancelled:
        session.error(QStringLiteral("Download has been cancelled."));
        return ExitFailed;
    case DownloadOutcome::Failed:
        // Without words it was an unexpected failure, already reported.
        if (const QString problem = DownloadProblemText(outcome, context.report); !problem.isEmpty())
            session.error(problem);
        return ExitFailed;
    case DownloadOutcome::NoInstrument:
        return ExitNoInstrument;     // said by the download
    case DownloadOutcome::NothingToDownload:
        return ExitUsage;            // said by the download
    }

    const int saved = SaveTableAsRequested(session, request->file, model.downloads(), info,
        session.link().firmwareFlags(), progress);
    return saved == ExitOk && outcome == DownloadOutcome::Incomplete ? ExitIncomplete : saved;
}
}

// Downloads the instrument's memory (or a portion), filters it and saves it
// as "Save Data" does.
CliCommand DownloadCommand()
{
    CliCommand command;
    command.name = QStringLiteral("download");
    command.summary = QStringLiteral("Download the memory (or --from N --to M, or --new), filter it and save it to -o FILE.");
    command.options = DataFileOptions();
    command.options.insert(1, QCommandLineOption(QStringLiteral("from"), QStringLiteral("First slot of a portion."),
        QStringLiteral("N")));
    command.options.insert(2, QCommandLineOption(QStringLiteral("to"),
        QStringLiteral("Last slot of a portion (download); erase slots 1 to M (erase)."), QStringLiteral("M")));
    command.options << QCommandLineOption(QStringLiteral("new"),
        QStringLiteral("Download only the slots the instrument's archive does not hold yet."));
    command.run = runDownload;
    return command;
}
