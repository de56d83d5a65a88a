// The instrument archive's reader on a database file of any content: the
// input is written as "archive.sqlite" and read as `archive list`,
// `archive export --all` and "Download New Data" read it. Whatever the rows
// hold, a reader may refuse the file but never take a row that is not a
// slot as a reading.
#include "FuzzCheck.h"

#include "records/ArchiveExport.h"
#include "records/InstrumentArchive.h"
#include "shell/SessionLog.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

// Qt SQL finds its drivers through the application object.
void NeedApplication()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "fuzz_archive_database";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

// Written apart from the archive's own check, so that a fault in it shows.
bool IsSlotText(const QString& text)
{
    static const QRegularExpression slot(QStringLiteral("^[0-9A-Fa-f]{32}$"));
    return slot.match(text).hasMatch();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    NeedApplication();
    static QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("archive.sqlite"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    const QByteArray before = Fuzz::Bytes(data, size);

    SessionLog log;
    {
        InstrumentArchive archive(path, log);
        if (archive.open(InstrumentArchive::Access::ReadOnly)) {
            const std::optional<QList<ArchiveGeneration>> generations = archive.generations();
            Fuzz::Check(generations.has_value() || !archive.error().isEmpty(), "a list that fails says why");
            QList<int> numbers;
            for (const ArchiveGeneration& g : generations.value_or(QList<ArchiveGeneration>{}))
                numbers << g.number;
            const ArchiveExport exported = ExportArchive(archive, QStringLiteral("FUZZ"), folder.path(), numbers, log);
            for (const SlotRecord& slot : exported.table.records)
                Fuzz::Check(slot.RawHex.isEmpty() || IsSlotText(slot.RawHex), "only slots are exported");
            for (const BadArchiveRow& row : exported.bad)
                Fuzz::Check(numbers.contains(row.generation) && !row.why.isEmpty(), "a row left out is named");

            if (const std::optional<int> current = archive.currentGeneration()) {
                const GenerationSlots slots = archive.generationSlots(*current);
                Fuzz::Check(slots.raw.size() >= 1 && slots.raw.size() <= InstrumentArchive::HighestSlot + 1,
                    "the slots fit the largest memory");
                for (const QString& raw : slots.raw)
                    Fuzz::Check(raw.isEmpty() || IsSlotText(raw), "a generation holds only slots");
            }
        } else {
            Fuzz::Check(!archive.error().isEmpty(), "a refused archive says why");
        }
    }
    QFile file(path);
    Fuzz::Check(file.open(QIODevice::ReadOnly) && file.readAll() == before, "reading leaves the file as it was");
    return 0;
}
