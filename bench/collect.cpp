// Unattended collection: `tolvi-cli collect` over four simulated instruments
// on pseudo-terminals at 9600 baud, each with a full memory (16,384 slots)
// of which the archive holds all but the last: the wall time of the whole
// run, the program started and ended included.
//
//   bench_collect
#include "GeneratedMemory.h"
#include "PortsSection.h"
#include "SimHost.h"
#include "shell/SessionLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>
#include <vector>

namespace {
constexpr int kInstruments = 4;
constexpr int kFullMemory = 16384;
constexpr int kFittedChips = 8;            // 2,048 slots each
constexpr int kBaud = 9600;
constexpr quint32 kFirstSerial = 2001;
constexpr qint64 kFirstSample = 1796389500;
constexpr int kRunTimeoutMs = 120000;
const QString kFirmware = QStringLiteral("V2.31");

SimSlotRun FullRun(unsigned seed)
{
    SimSlotRun run;
    run.count = kFullMemory;
    run.start = kFirstSample;
    run.seed = seed;
    run.kinds = {SimSlotKind::Scheduled, SimSlotKind::Scheduled, SimSlotKind::Manual, SimSlotKind::NoReading};
    return run;
}

SimScenario FullInstrument(quint32 serial, const QList<SimSlotEntry>& slots)
{
    SimScenario s;
    s.serial = serial;
    s.firmware = kFirmware;
    s.framChipsOriginal = s.framChipsFitted = kFittedChips;
    s.framMap = 0xFF;
    s.slots = slots;
    s.timing.baud = kBaud;
    return s;
}

// Archives all but the last slot in the instrument's record folder, as a
// download of the memory before its last sample would have.
bool ArchiveAllButLast(const QString& recordFolder, const QList<SimSlotEntry>& slots, SessionLog& log)
{
    if (!QDir().mkpath(recordFolder))
        return false;
    const SimFirmwareBand band = SimFirmwareBand::fromFirmwareString(kFirmware);
    const FirmwareFlags flags = FirmwareFlagsFor(band.version);
    DownloadTable table;
    table.resize(kFullMemory - 1);
    for (int i = 1; i < kFullMemory; ++i)
        table[i] = tolviM::DecodeSlot(EncodeSlot(slots[i - 1], band).toHex().toUpper(), flags);
    InstrumentArchive archive(InstrumentArchive::pathIn(recordFolder), log);
    if (!archive.open() || !archive.recordDownload(GeneratedDownload(kFullMemory - 1, kFirmware, false), table)) {
        std::fprintf(stderr, "archive failed: %s\n", qPrintable(archive.error()));
        return false;
    }
    return true;
}

// app.txt listing the pseudo-terminals as ports 1 to n and pointing every
// other port number at nothing, so only the simulated instruments are found.
bool WritePorts(const QTemporaryDir& data, const QStringList& ptys)
{
    const QByteArray app = "; === Application Settings ===\r\n" + PortsSection(ptys, data.path());
    QFile file(data.filePath(QStringLiteral("app.txt")));
    return file.open(QIODevice::WriteOnly) && file.write(app) == app.size();
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir data;
    SessionLog log(QStringLiteral("bench"));
    std::vector<std::unique_ptr<SimHost>> sims;
    QStringList ptys;
    for (int i = 0; i < kInstruments; ++i) {
        const quint32 serial = kFirstSerial + quint32(i);
        const QList<SimSlotEntry> slots = GenerateSlots(FullRun(unsigned(i + 1)));
        if (!ArchiveAllButLast(data.filePath(QString::number(serial) + QLatin1Char('F')), slots, log))
            return 1;
        sims.push_back(std::make_unique<SimHost>(FullInstrument(serial, slots)));
        ptys << sims.back()->ptyPath();
    }
    if (!WritePorts(data, ptys))
        return 1;

    QProcess cli;
    QElapsedTimer wall;
    wall.start();
    cli.start(QStringLiteral(TOLVI_CLI), {QStringLiteral("--data-dir"), data.path(), QStringLiteral("collect")});
    if (!cli.waitForFinished(kRunTimeoutMs) || cli.exitStatus() != QProcess::NormalExit) {
        std::fprintf(stderr, "tolvi-cli collect did not finish\n");
        return 1;
    }
    const double seconds = wall.elapsed() / 1000.0;
    const QString out = QString::fromLocal8Bit(cli.readAllStandardOutput());
    const int added = int(out.count(QStringLiteral(": 1 slot added")));
    std::fputs(qPrintable(out), stdout);
    if (cli.exitCode() != 0 || added != kInstruments) {
        std::fprintf(stderr, "collect ended with status %d, %d of %d instruments with their new slot:\n%s\n",
            cli.exitCode(), added, kInstruments, qPrintable(QString::fromLocal8Bit(cli.readAllStandardError())));
        return 1;
    }
    std::printf("collect: %d instruments, one new slot each on a full %d-slot memory at %d baud\n", kInstruments,
        kFullMemory, kBaud);
    std::printf("  wall %.2f s for the whole run (target under 10 s)\n", seconds);
    return 0;
}
