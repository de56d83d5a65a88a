// The instrument archive in a PostgreSQL server reached over loopback TCP
// (a server of its own, started as the tests start theirs), against the
// SQLite file.
//
//   bench_archive_server           both runs below
//   bench_archive_server write     archiving a download of 16,384 slots: wall time
//   bench_archive_server export    exporting 100 generations of 16,384 slots
//                                  (1.6 million rows) from each back end
#include "GeneratedMemory.h"
#include "PgServer.h"
#include "records/ArchiveExport.h"
#include "records/InstrumentArchive.h"
#include "shell/SessionLog.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>
#include <memory>
#include <sys/resource.h>

namespace {
constexpr int kFullMemory = 16384;
constexpr int kGenerations = 100;
constexpr int kInterval = 60;
const QString kFirmware = QStringLiteral("V2.31");
const QString kSerial = QStringLiteral("10234F");

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

DownloadTable Generated(qint64 start, unsigned seed)
{
    return GeneratedMemory(kFullMemory, start, kInterval, seed, kFirmware);
}

ArchiveDownload Describe(bool newGeneration)
{
    return GeneratedDownload(kFullMemory, kFirmware, newGeneration);
}

// The two back ends: a server of our own on 127.0.0.1, a file in a folder.
struct BackEnds {
    PgServer server{PgServer::Listen::Loopback};
    QTemporaryDir folder;
    SessionLog log;
    int databases = 0;

    bool ready()
    {
        if (!server.running()) {
            std::fprintf(stderr, "the PostgreSQL server did not start: %s\n", qPrintable(server.why()));
            return false;
        }
        qputenv("PGPASSWORD", PgServer::Password);
        return true;
    }
    // A new database (or file) of each kind; its name.
    QString create(bool onServer)
    {
        const QString name = QStringLiteral("bench%1").arg(++databases);
        return !onServer || server.createDatabase(name) ? name : QString();
    }
    // The archive in the database (or file) of that name, not yet opened.
    std::unique_ptr<InstrumentArchive> archiveIn(bool onServer, const QString& name)
    {
        if (!onServer)
            return std::make_unique<InstrumentArchive>(folder.filePath(name + QStringLiteral(".sqlite")), log);
        QString problem;
        return std::make_unique<InstrumentArchive>(*ArchiveServer::parse(server.url(name), problem), kSerial, log);
    }
};

const char* NameOf(bool onServer) { return onServer ? "server (loopback)" : "SQLite"; }

int write(BackEnds& b)
{
    const DownloadTable table = Generated(1796389500, 1);
    std::printf("write: %d slots archived in one transaction (connecting included)\n", kFullMemory);
    for (const bool onServer : {true, false}) {
        const QString name = b.create(onServer);
        // The schema is made first, as the first download of a PC makes it.
        if (name.isEmpty() || !b.archiveIn(onServer, name)->open())
            return 1;
        const std::unique_ptr<InstrumentArchive> archive = b.archiveIn(onServer, name);
        QElapsedTimer wall;
        wall.start();
        const double cpu0 = cpuSeconds();
        if (!archive->open() || !archive->recordDownload(Describe(false), table)) {
            std::fprintf(stderr, "archive failed: %s\n", qPrintable(archive->error()));
            return 1;
        }
        std::printf("  %-18s wall %.3f s, program CPU %.3f s\n", NameOf(onServer), wall.elapsed() / 1000.0, cpuSeconds() - cpu0);
    }
    return 0;
}

int exportRows(BackEnds& b)
{
    std::printf("export: %d generations of %d slots, every generation\n", kGenerations, kFullMemory);
    double seconds[2] = {0, 0};
    for (const bool onServer : {true, false}) {
        const QString name = b.create(onServer);
        const std::unique_ptr<InstrumentArchive> archive = b.archiveIn(onServer, name);
        if (name.isEmpty() || !archive->open())
            return 1;
        for (int g = 0; g < kGenerations; ++g) {
            const qint64 start = 1796389500 + qint64(g) * (kFullMemory * kInterval + 86400);
            if (!archive->recordDownload(Describe(true), Generated(start, unsigned(g + 1)))) {
                std::fprintf(stderr, "archive failed: %s\n", qPrintable(archive->error()));
                return 1;
            }
        }
        QElapsedTimer wall;
        wall.start();
        const double cpu0 = cpuSeconds();
        const std::optional<QList<ArchiveGeneration>> generations = archive->generations();
        if (!generations)
            return 1;
        QList<int> all;
        for (const ArchiveGeneration& g : *generations)
            all << g.number;
        const ArchiveExport exported = ExportArchive(*archive, kSerial, b.folder.path(), all, b.log);
        seconds[onServer ? 0 : 1] = wall.elapsed() / 1000.0;
        std::printf("  %-18s %d rows, wall %.2f s, program CPU %.2f s\n", NameOf(onServer), exported.table.count(),
            seconds[onServer ? 0 : 1], cpuSeconds() - cpu0);
    }
    std::printf("  server / SQLite: %.2f\n", seconds[0] / seconds[1]);
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString which = argc > 1 ? QString::fromLatin1(argv[1]) : QString();
    BackEnds backEnds;
    if (!backEnds.ready())
        return 1;
    int status = 0;
    if (which.isEmpty() || which == QLatin1String("write"))
        status |= write(backEnds);
    if (which.isEmpty() || which == QLatin1String("export"))
        status |= exportRows(backEnds);
    return status;
}
