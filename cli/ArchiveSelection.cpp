#include "ArchiveSelection.h"

#include "CliSession.h"
#include "ExitCode.h"
#include "records/InstrumentArchive.h"
#include "records/InstrumentRecords.h"
#include "shell/Services.h"

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

QString ChosenArchiveSerial(const QCommandLineParser& parser)
{
    const QString serial = parser.value(QStringLiteral("serial")).trimmed();
    if (serial.contains(QLatin1Char('/')) || serial.startsWith(QLatin1Char('.')))
        return {};
    return serial;
}

int ExportChosenGenerations(CliSession& session, const QCommandLineParser& parser, const QString& serial,
    ArchiveExport& exported, QString& origin)
{
    Services& services = session.services();
    const QString recordFolder = RecordFolderFor(services.paths.dataFolder, serial);
    InstrumentArchive archive(InstrumentArchive::pathIn(recordFolder), services.log);
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
