#include "ArchiveSelection.h"
#include "CliOutput.h"
#include "CliSession.h"
#include "Commands.h"
#include "DataFileOptions.h"
#include "ExitCode.h"
#include "MemoryCommands.h"
#include "records/ArchivePush.h"
#include "records/InstrumentArchive.h"
#include "records/InstrumentRecords.h"
#include "shell/Services.h"
#include "shell/SessionLog.h"

#include <QDir>

namespace {
QString readingTime(qint64 utcSeconds)
{
    return QDateTime::fromSecsSinceEpoch(utcSeconds).toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

void printGenerations(const QList<ArchiveGeneration>& generations)
{
    for (const ArchiveGeneration& g : generations) {
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

// One archive, read-only: its generations, or its error said.
bool listOne(CliSession& session, InstrumentArchive& archive, const QString& serial)
{
    std::optional<QList<ArchiveGeneration>> generations;
    if (!archive.open(InstrumentArchive::Access::ReadOnly) || !(generations = archive.generations())) {
        session.error(QStringLiteral("The archive of instrument %1 (%2) cannot be read: %3")
                .arg(serial, QDir::toNativeSeparators(archive.where()), archive.error()));
        return false;
    }
    PrintLine(QStringLiteral("Instrument %1 (%2)").arg(serial, archive.where()));
    printGenerations(*generations);
    return true;
}

// The instruments a database holds; nullopt after an error line.
std::optional<QStringList> serialsIn(CliSession& session, const ArchiveServer& server)
{
    InstrumentArchive catalogue(server, QString(), session.services().log);
    std::optional<QStringList> serials;
    if (!catalogue.open(InstrumentArchive::Access::ReadOnly) || !(serials = catalogue.instruments())) {
        session.error(QStringLiteral("The archive database %1 cannot be read: %2").arg(server.address, catalogue.error()));
        return std::nullopt;
    }
    return serials;
}

// Lists every archive, read-only; ExitFailed when one of them could not be read.
int listArchives(CliSession& session, const ArchiveStore& store)
{
    Services& services = session.services();
    int status = ExitOk;
    if (store.server) {
        const std::optional<QStringList> serials = serialsIn(session, *store.server);
        if (!serials)
            return ExitFailed;
        for (const QString& serial : *serials) {
            InstrumentArchive archive(*store.server, serial, services.log);
            if (!listOne(session, archive, serial))
                status = ExitFailed;
        }
        if (serials->isEmpty())
            PrintLine(QStringLiteral("No instrument archive in %1.").arg(store.server->address));
        return status;
    }
    const QList<ArchiveLocation> archives = ArchivesIn(services.paths.dataFolder);
    for (const auto& [serial, path] : archives) {
        InstrumentArchive archive(path, services.log);
        if (!listOne(session, archive, serial))
            status = ExitFailed;
    }
    if (archives.isEmpty())
        PrintLine(QStringLiteral("No instrument archive in %1.").arg(QDir::toNativeSeparators(services.paths.dataFolder)));
    return status;
}

// Copies the record folders' archives (or the one of --serial S) into the
// database, one line per instrument; ExitFailed when one could not be copied.
int pushArchives(CliSession& session, const QCommandLineParser& parser, const ArchiveStore& store)
{
    Services& services = session.services();
    if (!store.server) {
        session.error(QStringLiteral("archive push needs a database: --archive-db URL, or Database in the [Archive]"
                                     " section of app.txt or user.txt"));
        return ExitUsage;
    }
    const QString only = ChosenArchiveSerial(parser);
    if (parser.isSet(QStringLiteral("serial")) && only.isEmpty()) {
        session.error(QStringLiteral("--serial takes an instrument's serial number (see archive list)"));
        return ExitUsage;
    }
    QList<ArchiveLocation> archives = ArchivesIn(services.paths.dataFolder);
    if (!only.isEmpty())
        archives.removeIf([&only](const ArchiveLocation& a) { return a.serial != only; });
    if (archives.isEmpty()) {
        if (!only.isEmpty()) {
            session.error(QStringLiteral("No archive for instrument %1 in %2.")
                    .arg(only, QDir::toNativeSeparators(services.paths.dataFolder)));
            return ExitFailed;
        }
        PrintLine(QStringLiteral("No instrument archive in %1.").arg(QDir::toNativeSeparators(services.paths.dataFolder)));
        return ExitOk;
    }
    int status = ExitOk;
    for (const auto& [serial, path] : archives) {
        // Written only to bring an older file up to date, as a download would.
        InstrumentArchive local(path, services.log);
        InstrumentArchive target(*store.server, serial, services.log);
        ArchivePushResult pushed;
        if (!local.open())
            pushed.error = local.error();
        else if (!target.open())
            pushed.error = target.error();
        else
            pushed = PushArchive(local, target);
        QString line = QStringLiteral("Instrument %1: %2 downloads added (%3 slots), %4 already in %5")
                           .arg(serial)
                           .arg(pushed.added)
                           .arg(pushed.slotsAdded)
                           .arg(pushed.alreadyThere)
                           .arg(store.server->address);
        PrintLine(line);
        if (!pushed.error.isEmpty()) {
            session.error(QStringLiteral("The archive of instrument %1 was not copied in full: %2").arg(serial, pushed.error));
            status = ExitFailed;
        }
    }
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
    const std::optional<ArchiveStore> store = ChosenArchiveStore(session, parser);
    if (!store)
        return ExitUsage;
    if (const int status = ExportChosenGenerations(session, parser, *store, serial, exported, origin); status != ExitOk)
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
    if (what == QLatin1String("export"))
        return exportArchive(session, parser);
    if (what != QLatin1String("list") && what != QLatin1String("push")) {
        session.error(QStringLiteral("archive takes list, export or push"));
        return ExitUsage;
    }
    const std::optional<ArchiveStore> store = ChosenArchiveStore(session, parser);
    if (!store)
        return ExitUsage;
    return what == QLatin1String("list") ? listArchives(session, *store) : pushArchives(session, parser, *store);
}
} // namespace

// The instrument archives (in the record folders or a shared database):
// what they hold, any generation written as a data file in every format a
// download offers, and the record folders' archives copied into the database.
CliCommand ArchiveCommand()
{
    CliCommand command;
    command.name = QStringLiteral("archive");
    command.arguments = QStringLiteral("list|export|push");
    command.summary = QStringLiteral("List the instrument archives, export one (--serial S -o FILE), or push the record"
                                     " folders' archives into the --archive-db database.");
    command.options = DataFileOptions();
    command.options << QCommandLineOption(QStringLiteral("serial"),
                           QStringLiteral("archive export, push: the instrument's serial number."), QStringLiteral("S"))
                    << QCommandLineOption(QStringLiteral("generation"),
                           QStringLiteral("archive export: this memory generation (default: the newest)."),
                           QStringLiteral("N"))
                    << QCommandLineOption(QStringLiteral("all"),
                           QStringLiteral("archive export: every memory generation, oldest first."))
                    << ArchiveDatabaseOption();
    command.minArguments = command.maxArguments = 1;
    command.run = runArchive;
    return command;
}
