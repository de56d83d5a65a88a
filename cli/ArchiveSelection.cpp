#include "ArchiveSelection.h"

#include "CliOutput.h"
#include "CliSession.h"
#include "ExitCode.h"
#include "records/InstrumentArchive.h"
#include "records/InstrumentRecords.h"
#include "shell/Services.h"
#include "shell/SessionLog.h"

#include <optional>

namespace {
// Which generations to export: the newest (none chosen), one, or all.
std::optional<QList<int>> chosenGenerations(const QCommandLineParser& parser, InstrumentArchive& archive,
    QString& problem)
{
    const bool all = parser.isSet(QStringLiteral("all"));
    const bool one = parser.isSet(QStringLiteral("generation"));
    if (all && one) {
        problem = QStringLiteral("--generation and --all exclude each other");
        return std::nullopt;
    }
    const std::optional<QList<ArchiveGeneration>> generations = archive.generations();
    if (!generations) {
        problem = archive.error();
        return std::nullopt;
    }
    QList<int> numbers;
    for (const ArchiveGeneration& g : *generations)
        numbers << g.number;
    if (all)
        return numbers;
    if (!one)
        return numbers.isEmpty() ? QList<int>{} : QList<int>{numbers.last()};
    bool ok = false;
    const int number = parser.value(QStringLiteral("generation")).toInt(&ok);
    if (!ok || !numbers.contains(number)) {
        problem = QStringLiteral("--generation takes one of the archive's generations (see archive list)");
        return std::nullopt;
    }
    return QList<int>{number};
}

QString InWords(const QString& serial, const QList<int>& generations)
{
    if (generations.size() == 1)
        return QStringLiteral("Archive of %1, generation %2").arg(serial).arg(generations.first());
    if (generations.isEmpty())
        return QStringLiteral("Archive of %1, no generation").arg(serial);
    return QStringLiteral("Archive of %1, generations %2 to %3 (%4)")
        .arg(serial)
        .arg(generations.first())
        .arg(generations.last())
        .arg(generations.size());
}
} // namespace

QCommandLineOption ArchiveDatabaseOption()
{
    return ValueOption("archive-db",
        "Keep the archive in this PostgreSQL database (postgresql://user@host:port/dbname; the password"
        " from PGPASSWORD or ~/.pgpass) instead of the one the settings name or the record folders.",
        "URL");
}

std::optional<ArchiveStore> ChosenArchiveStore(CliSession& session, const QCommandLineParser& parser)
{
    Services& services = session.services();
    if (!parser.isSet(QStringLiteral("archive-db"))) {
        ArchiveStore store = ArchiveStoreFromSettings(services.paths, services.log);
        if (!store.problem.isEmpty()) {
            session.error(QStringLiteral("The archive is not used: ") + store.problem);
            return std::nullopt;
        }
        return store;
    }
    QString problem;
    std::optional<ArchiveStore> store = ArchiveStoreAt(parser.value(QStringLiteral("archive-db")), problem);
    if (!store) {
        session.error(QStringLiteral("--archive-db: ") + problem);
        return std::nullopt;
    }
    if (store->server)
        services.log.debugMessage(QStringLiteral("Archive database: ") + store->where(), SessionLog::Info);
    return store;
}

QString ChosenArchiveSerial(const QCommandLineParser& parser)
{
    const QString serial = parser.value(QStringLiteral("serial")).trimmed();
    if (serial.contains(QLatin1Char('/')) || serial.startsWith(QLatin1Char('.')))
        return {};
    return serial;
}

int ExportChosenGenerations(CliSession& session, const QCommandLineParser& parser, const ArchiveStore& store,
    const QString& serial, ArchiveExport& exported, QString& origin)
{
    Services& services = session.services();
    const QString recordFolder = RecordFolderFor(services.paths.dataFolder, serial);
    const std::unique_ptr<InstrumentArchive> opened = store.archiveOf(serial, recordFolder, services.log);
    InstrumentArchive& archive = *opened;
    if (!archive.open(InstrumentArchive::Access::ReadOnly)) {
        session.error(QStringLiteral("No archive for instrument %1: %2").arg(serial, archive.error()));
        return ExitFailed;
    }
    QString problem;
    const auto generations = chosenGenerations(parser, archive, problem);
    if (!generations) {
        if (!archive.error().isEmpty()) {
            session.error(QStringLiteral("The archive of instrument %1 cannot be read: %2").arg(serial, archive.error()));
            return ExitFailed;
        }
        session.error(problem);
        return ExitUsage;
    }
    exported = ExportArchive(archive, serial, recordFolder, *generations, services.log);
    for (const BadArchiveRow& row : exported.bad) {
        session.error(QStringLiteral("Generation %1, slot %2 is left out: %3.")
                .arg(row.generation)
                .arg(row.slot)
                .arg(row.why));
    }
    if (!exported.error.isEmpty()) {
        session.error(QStringLiteral("The archive of instrument %1 cannot be read: %2").arg(serial, exported.error));
        return ExitFailed;
    }
    origin = InWords(serial, *generations);
    return ExitOk;
}
