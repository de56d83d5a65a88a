#pragma once
// What the archive tests share: a record folder that outlives the simulated
// instruments of several connections, the memories they hold, and
// downloads made up without an instrument.
#include "../data/SimRig.h"
#include "records/InstrumentArchive.h"

#include <QList>
#include <QStringList>
#include <memory>
#include <gtest/gtest.h>
#include <ostream>

inline constexpr int Archived = 20;   // slots the first download leaves in the archive

// The instrument's memory in a round: slots ten minutes apart from a start.
inline SimScenario MemoryOf(int count, qint64 start = SimRig::FirstSampleTime)
{
    return SimRig::scenario(count, start);
}

// A record folder that outlives the simulated instruments of several rounds,
// as the archive outlives connections.
struct ArchiveFolder {
    TempFolder records;

    // A connection to an instrument with this memory, its record folder set.
    std::unique_ptr<SimRig> connect(const SimScenario& memory)
    {
        auto rig = std::make_unique<SimRig>();
        EXPECT_TRUE(rig->start(memory));
        rig->info.RecordFolder = records.path();
        rig->info.SerialNumber = QStringLiteral("10234F");
        rig->info.FirmwareID = QStringLiteral("V2.31");
        rig->info.FirmwareVersion = 2.31;
        return rig;
    }

    QList<ArchiveGeneration> generations()
    {
        SessionLog log;
        InstrumentArchive archive(InstrumentArchive::pathIn(records.path()), log);
        return archive.open(InstrumentArchive::Access::ReadOnly) ? archive.generations().value_or(QList<ArchiveGeneration>{})
                                                                 : QList<ArchiveGeneration>{};
    }
};

inline QStringList RawOf(const DownloadTable& table)
{
    QStringList raw;
    for (int i = 1; i <= table.count(); ++i)
        raw << table[i].RawHex;
    return raw;
}

inline QStringList MemoryRaw(const SimRig& rig)
{
    QStringList raw;
    const QList<QByteArray> slots = rig.sim->engine().inspect([](const SimInstrument& i) { return i.slots(); });
    for (const QByteArray& slot : slots)
        raw << QString::fromLatin1(slot.toHex().toUpper());
    return raw;
}

inline QStringList SlotRequests(const SimRig& rig)
{
    QStringList requests;
    for (const QString& p : rig.payloads())
        if (p.startsWith(QLatin1String("J01")))
            requests << p;
    return requests;
}

struct GenerationFigures {
    int slots;
    int downloads;
    bool operator==(const GenerationFigures&) const = default;
};

inline QList<GenerationFigures> FiguresOf(const QList<ArchiveGeneration>& generations)
{
    QList<GenerationFigures> figures;
    for (const ArchiveGeneration& g : generations)
        figures << GenerationFigures{g.slots, g.downloads};
    return figures;
}

inline void PrintTo(const GenerationFigures& g, std::ostream* os) { *os << "{" << g.slots << " slots, " << g.downloads << " downloads}"; }

// count slots of made-up bytes (seed tells downloads apart), ten minutes apart.
inline DownloadTable SyntheticDownload(int count, int seed)
{
    DownloadTable table;
    table.resize(count);
    for (int i = 1; i <= count; ++i) {
        table[i].RawHex = QStringLiteral("%1%2").arg(seed, 8, 16, QLatin1Char('0')).arg(i, 24, 16, QLatin1Char('0')).toUpper();
        table[i].TimeStamp = 1796389500 + i * 600;
        table[i].Reading = 0.001f * i;
    }
    return table;
}

inline ArchiveDownload SyntheticDescription(int slotsUsed, bool newGeneration)
{
    ArchiveDownload d;
    d.whenUtc = QDateTime::currentDateTimeUtc();
    d.slotsUsed = slotsUsed;
    d.firmware = QStringLiteral("V2.31");
    d.newGeneration = newGeneration;
    return d;
}

inline void PrintTo(const BadArchiveRow& row, std::ostream* os)
{
    *os << "{generation " << row.generation << ", slot " << row.slot.toStdString() << ": " << row.why.toStdString() << "}";
}
