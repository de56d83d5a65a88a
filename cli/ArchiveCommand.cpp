#include "ArchiveSelection.h"
#include "CliSession.h"
#include "Commands.h"
#include "DataFileOptions.h"
#include "ExitCode.h"
#include "MemoryCommands.h"
#include "records/InstrumentArchive.h"
#include "shell/Services.h"
#include "shell/SessionLog.h"
#include "CliOutput.h"

#include <QDir>

namespace {
QString readingTime(qint64 utcSeconds)
{
    return QDateTime::fromSecsSinceEpoch(utcSeconds).toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// Lists every archive, read-only; ExitFailed when one of them could not be read.
int listArchives(CliSession& session)
{
    Services& services = session.services();
    const QList<ArchiveLocation> archives = ArchivesIn(services.paths.dataFolder);
    int status = ExitOk;
    for (const auto& [serial, path] : archives) {
        InstrumentArchive archive(path, services.log);
        std::optional<QList<ArchiveGeneration>> generations;
        if (!archive.open(InstrumentArchive::Access::ReadOnly) || !(generations = archive.generations())) {
            session.error(QStringLiteral("The archive of instrument %1 (%2) cannot be read: %3")
                    .arg(serial, QDir::toNativeSeparators(path), archive.error()));
            status = ExitFailed;
            continue;
        }
        PrintLine(QStringLiteral("Instrument %1 (%2)").arg(serial, path));
        for (const ArchiveGeneration& g : *generations) {
            QString line = QStringLiteral("  generation %1: started %2 UTC, %3 downloads, %4 slots")
                               .arg(g.number)
                               .arg(g.startedUtc.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
                               .arg(g.downloads)
                               .arg(g.slots);
            if (g.slots > 0) {
                line += QStringLiteral(" (last slot %1), readings %2 to %3")
                            .arg(g.lastSlot)
                            .arg(readingTime(g.firstReading), readingTime(g.lastReading));
            }
            PrintLine(line);
        }
    }
    if (archives.isEmpty())
        PrintLine(QStringLiteral("No instrument archive in %1.").arg(QDir::toNativeSeparators(services.paths.dataFolder)));
    return status;
}

int exportArchive(CliSession& session, const QCommandLineParser& parser)
{
    QString problem;
    const auto request = ReadDataFileRequest(parser, QStringLiteral("archive export"), problem);
    const QString serial = ChosenArchiveSerial(parser);
    if (serial.isEmpty()) {
        session.error(QStringLiteral("archive export needs --serial S (see archive list)"));
        return ExitUsage;
    }
    if (!request) {
        session.error(problem);
        return ExitUsage;
    }
    ArchiveExport exported;
    QString origin;
    if (const int status = ExportChosenGenerations(session, parser, serial, exported, origin); status != ExitOk)
        return status;
    if (exported.table.count() == 0) {
        session.error(QStringLiteral("The archive of instrument %1 holds no slots to export.").arg(serial));
        return ExitFailed;
    }
    TerminalProgress progress;
    const int saved = SaveTableAsRequested(session, *request, exported.table, exported.info, exported.flags, progress);
    // What could be read was saved; the rows left out make it a part.
    return saved == ExitOk && !exported.bad.isEmpty() ? ExitIncomplete : saved;
}

int runArchive(CliSession& session, const QStringList& arguments, const QCommandLineParser& parser)
{
    const QString what = arguments.value(0);
    if (what == QLatin1String("list"))
        return listArchives(session);
    if (what == QLatin1String("export"))
        return exportArchive(session, parser);
    session.error(QStringLiteral("archive takes list or export"));
    return ExitUsage;
}
} // namespace

// The instrument archives in the data folder: what they hold, and any
// generation written as a data file in every format a download offers.
CliCommand ArchiveCommand()
{
    CliCommand command;
    command.name = QStringLiteral("archive");
    command.arguments = QStringLiteral("list|export");
    command.summary = QStringLiteral("List the instrument archives, or export one (--serial S -o FILE).");
    command.options = DataFileOptions();
    command.options << QCommandLineOption(QStringLiteral("serial"),
                           QStringLiteral("archive export: the instrument's serial number."), QStringLiteral("S"))
                    << QCommandLineOption(QStringLiteral("generation"),
                           QStringLiteral("archive export: this memory generation (default: the newest)."),
                           QStringLiteral("N"))
                    << QCommandLineOption(QStringLiteral("all"),
                           QStringLiteral("archive export: every memory generation, oldest first."));
    command.minArguments = command.maxArguments = 1;
    command.run = runArchive;
    return command;
}
