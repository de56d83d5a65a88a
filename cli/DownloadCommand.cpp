#include "ArchiveSelection.h"
#include "CliSession.h"
#include "Commands.h"
#include "DataFileOptions.h"
#include "DownloadRun.h"
#include "ExitCode.h"
#include "MemoryCommands.h"
#include "data/MemoryDownload.h"
#include "link/InstrumentLink.h"
#include "shell/OutputFile.h"

namespace {
int runDownload(CliSession& session, const QStringList&, const QCommandLineParser& parser)
{
    QString problem;
    const auto file = ReadDataFileRequest(parser, QStringLiteral("download"), problem);
    const auto selection = file ? ReadSlotSelection(parser, problem) : std::nullopt;
    if (selection)
        problem = StoredFormatProblem(session, *file);
    if (!selection || !problem.isEmpty()) {
        session.error(problem);
        return ExitUsage;
    }
    const std::optional<ArchiveStore> store = ChosenArchiveStore(session, parser);
    if (!store)
        return ExitUsage;
    TerminalProgress progress;
    QString notArchived;
    const int downloaded = DownloadSelectedSlots(session, *selection, *store, progress, notArchived);
    if (downloaded != ExitOk && downloaded != ExitIncomplete)
        return downloaded;
    const int saved = SaveTableAsRequested(session, *file, session.downloads(), session.instrument(),
        session.link().firmwareFlags(), progress);
    if (saved != ExitOk)
        return saved;
    if (downloaded == ExitIncomplete)
        return ExitIncomplete;
    if (!notArchived.isEmpty()) {
        const QString where = IsStandardOutput(file->output) ? QStringLiteral("standard output") : file->output;
        session.error(NotArchivedText(where, notArchived));
        return ExitNotArchived;
    }
    return ExitOk;
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
        QStringLiteral("Download only the slots the instrument's archive does not hold yet."))
                    << ArchiveDatabaseOption();
    command.run = runDownload;
    return command;
}
