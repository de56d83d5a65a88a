#include "ArchiveSelection.h"
#include "CliSession.h"
#include "Commands.h"
#include "DownloadRun.h"
#include "ExitCode.h"
#include "MemoryCommands.h"
#include "data/MemoryDownload.h"
#include "link/InstrumentLink.h"
#include "records/ArchivedDownload.h"
#include "records/TechnicalFile.h"
#include "shell/OutputFile.h"
#include "shell/Services.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

namespace {

// "--download": the whole memory first, as the window has it after "Download
// All Memory", so fram.csv lists the samples. ExitOk to go on (with
// ExitIncomplete kept in partial), else the status to end with.
int DownloadFirst(CliSession& session, const ArchiveStore& store, TerminalProgress& progress, bool& partial)
{
    const DownloadRunResult run
        = RunDownload(session, progress, [&store](DownloadContext& context) { return DownloadAllAndArchive(context, store); });
    if (run.outcome == DownloadOutcome::EmptyMemory || run.outcome == DownloadOutcome::NothingToDownload) {
        session.prompts().note(QStringLiteral("The instrument memory is empty!"));
        return ExitOk;
    }
    const int status = DownloadStatus(session, run);
    if (status != ExitIncomplete)
        return status;
    partial = true;   // the slots that were read are listed all the same
    return ExitOk;
}

int runTechFile(CliSession& session, const QStringList&, const QCommandLineParser& parser)
{
    // -o is the option the download command declares; here it names the archive.
    const QString output = parser.value(QStringLiteral("o"));
    if (!output.isEmpty()) {
        if (const QString problem = OutputProblem(output); !problem.isEmpty()) {
            session.error(problem);
            return ExitUsage;
        }
    }
    std::optional<ArchiveStore> store;
    if (parser.isSet(QStringLiteral("download")) && !(store = ChosenArchiveStore(session, parser)))
        return ExitUsage;
    const int status = session.connect();
    if (status != ExitOk)
        return status;
    TerminalProgress progress;
    bool partial = false;
    if (parser.isSet(QStringLiteral("download"))) {
        if (const int downloaded = DownloadFirst(session, *store, progress, partial); downloaded != ExitOk)
            return downloaded;
    }
    TechnicalFileContext context{session.services(), session.link(), session.instrument(), session.downloads(), progress,
        ThisSoftware(QCoreApplication::arguments().mid(1))};
    const bool toStdout = IsStandardOutput(output);
    if (!output.isEmpty())
        context.archivePath = toStdout ? output : QDir::current().absoluteFilePath(output);
    context.offerToOpenFolder = false;
    const TechnicalFileResult result = GenerateTechnicalFile(context);
    progress.finish();
    if (!result.generated) {
        session.error(QStringLiteral("the technical file could not be written to ") + result.archivePath);
        return ExitFailed;
    }
    // With -o - standard output carries the archive alone.
    if (!toStdout)
        std::fputs((QDir::toNativeSeparators(result.archivePath) + QLatin1Char('\n')).toLocal8Bit().constData(), stdout);
    return partial ? ExitIncomplete : ExitOk;
}
}

// Gathers the technical file about the instrument and this PC and prints its path.
CliCommand TechFileCommand()
{
    CliCommand command;
    command.name = QStringLiteral("techfile");
    command.summary = QStringLiteral("Write the technical file for service (-o PATH, default "
                                     "TechnicalFile_SERIAL_YYYYMMDD.tolvi in the documents folder; - for standard "
                                     "output) and print its path; --download reads the whole memory into it first.");
    command.options << QCommandLineOption(QStringLiteral("download"),
        QStringLiteral("techfile: download the whole memory first, so the file lists the samples."))
                    << ArchiveDatabaseOption();
    command.run = runTechFile;
    return command;
}
