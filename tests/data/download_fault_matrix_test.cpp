// tolvi-cli download against a simulated instrument that shows one fault at a
// time, over a pseudo-terminal and over loopback TCP. For every case: the exit
// status, the message on standard error, a generous time bound (a bound, not
// a speed), and the saved file's slots compared with the instrument's own: a
// slot that could not be read is never written, and nothing else is missing.
#include "SimHost.h"
#include "TempFolder.h"
#include "Transports.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

#include <functional>

namespace {

const QString kFaultCli = QStringLiteral(TOLVI_BINARY_DIR "/cli/tolvi-cli");
// The same program with the quick protocol timing, for the cases that wait out silence.
const QString kQuickCli = QStringLiteral(TOLVI_BINARY_DIR "/cli/tolvi-cli-quick");
constexpr int kSlots = 20;

// What one transport must show.
struct Expect {
    int exitStatus = 0;
    const char* message = "";   // the error line, without "tolvi-cli: "; "" for none
    int missingFirst = 0;       // slots not saved (0: none); nothing is saved after exit status 3
    int missingLast = 0;
};

struct FaultCase {
    const char* name;
    std::function<void(SimFaults&)> fault;
    Expect serial;
    Expect network;
    int boundSeconds = 60;
    std::pair<int, int> portion{0, 0};        // --from and --to; 0: the whole memory
    int singleReadsAfterBulk = -1;            // single-slot reads sent after the bulk read (-1: not counted)
    int pingsAfterBulk = -1;
    bool silent = false;                      // the instrument falls silent: run the quick timing
};

const char* const kStopped = "slots 13-20 could not be read: the instrument stopped answering";

// Single-slot reads of slots first to last go unanswered.
QList<SimFaultRule> SingleReadsUnanswered(int first, int last)
{
    QList<SimFaultRule> rules;
    for (int slot = first; slot <= last; ++slot)
        rules << SimFaultRule::on(
            QStringLiteral("J01") + QString::number(slot, 16).toUpper().rightJustified(4, '0') + QStringLiteral("0001"));
    return rules;
}

const FaultCase kCases[] = {
    {"Clean", [](SimFaults&) {}, {}, {}},
    {"DroppedAndDamagedSlots", [](SimFaults& f) { f.dropSlots = {3, 7}; f.corruptSlots = {5}; }, {}, {}},
    {"StreamStopsEarly", [](SimFaults& f) { f.stopStreamAfter = 12; }, {}, {}},
    {"FloodWithoutEndCharacter", [](SimFaults& f) { f.floodAfterSlots = 5; }, {}, {}},
    {"WrongSlotAnsweredTwice",
        [](SimFaults& f) { f.dropSlots = {4}; f.wrongSlotReply = {SimFaultRule::on(QStringLiteral("J0100040001"), 2)}; },
        {}, {}},
    {"WrongSlotAnsweredAlways",
        [](SimFaults& f) { f.dropSlots = {4}; f.wrongSlotReply = {SimFaultRule::on(QStringLiteral("J0100040001"))}; },
        {5, "slot 4 could not be read: the instrument gave no good reply for them", 4, 4},
        {5, "slot 4 could not be read: the instrument gave no good reply for them", 4, 4}},
    // One slot's six requests fill the check's bound (8 slots: 31 seconds,
    // 4 with the quick timing); the rest are left unread without asking.
    {"MuteAfterSlots", [](SimFaults& f) { f.muteAfterSlots = 12; },
        {5, "slots 13-20 could not be read: no good reply came for them within the check's 4 seconds", 13, 20},
        {5, "slots 13-20 could not be read: no good reply came for them within the check's 4 seconds", 13, 20},
        60, {0, 0}, -1, 0, true},
    // Pings are answered, single reads are not: the check's bound (10 slots:
    // 31 seconds, 4 with the quick timing) ends it, not six reply timeouts a slot.
    {"PingsAnsweredSingleReadsNot",
        [](SimFaults& f) {
            for (int slot = 5; slot <= 14; ++slot)
                f.dropSlots.insert(slot);
            f.noReply = SingleReadsUnanswered(5, 14);
        },
        {5, "slots 5-14 could not be read: no good reply came for them within the check's 4 seconds", 5, 14},
        {5, "slots 5-14 could not be read: no good reply came for them within the check's 4 seconds", 5, 14},
        30, {0, 0}, -1, -1, true},
    // The bulk read fails, the instrument still answers: every slot is read singly.
    {"BulkReadUnanswered", [](SimFaults& f) { f.noReply = {SimFaultRule::on(QStringLiteral("J0100010014"))}; }, {},
        {}, 60, {0, 0}, kSlots, 1, true},
    {"BulkReadDamaged", [](SimFaults& f) { f.corruptReply = {SimFaultRule::on(QStringLiteral("J0100010014"))}; }, {},
        {}, 60, {0, 0}, kSlots, 1},
    // A serial line cannot be closed: there the stream just ends.
    {"ConnectionClosedMidStream", [](SimFaults& f) { f.closeAfterSlots = 12; }, {}, {5, kStopped, 13, 20}},
    // Every read from slot 1 is damaged, the bulk read and slot 1's own: the
    // other slots are read singly.
    {"MemoryReadDamaged", [](SimFaults& f) { f.corruptReply = {SimFaultRule::on(QStringLiteral("J010001"))}; },
        {5, "slot 1 could not be read: the instrument gave no good reply for them", 1, 1},
        {5, "slot 1 could not be read: the instrument gave no good reply for them", 1, 1}},
    {"SwitchedOffAtTheMemoryRead", [](SimFaults& f) { f.switchOff = SimFaultRule::on(QStringLiteral("J010001")); },
        {3, "Download failed: the instrument did not answer the memory read."},
        {3, "Download failed: the instrument did not answer the memory read."}, 120, {0, 0}, -1, -1, true},
    {"OneSlotPortion", [](SimFaults&) {}, {}, {}, 60, {5, 5}, 1, 0},
    {"OneSlotPortionUnreadable",
        [](SimFaults& f) { f.corruptReply = {SimFaultRule::on(QStringLiteral("J0100050001"))}; },
        {3, "Download failed: slot 5 could not be read: the instrument gave no good reply for them."},
        {3, "Download failed: slot 5 could not be read: the instrument gave no good reply for them."}, 60, {5, 5}},
};

SimScenario Instrument(const FaultCase& c)
{
    SimScenario s;
    SimSlotRun run;
    run.count = kSlots;
    run.start = 1796389500;   // 4 December 2026 13:05:00 UTC
    run.kinds = {SimSlotKind::Manual, SimSlotKind::Scheduled};
    s.slots = GenerateSlots(run);
    c.fault(s.faults);
    return s;
}

// The time stamp and reading of every data line of a UTC file.
QList<std::pair<qint64, double>> SavedSlots(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<std::pair<qint64, double>> slots;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    for (const QString& line : lines.mid(1)) {
        const QStringList fields = line.split(QLatin1Char(','));
        slots.append({fields.value(0).toLongLong(), fields.value(1).trimmed().toDouble()});
    }
    return slots;
}

class DownloadFaultMatrix : public ::testing::TestWithParam<std::tuple<Transport, FaultCase>> {};

TEST_P(DownloadFaultMatrix, SavesWhatWasReadAndSaysWhatWasNot)
{
    const auto& [transport, c] = GetParam();
    const Expect& expect = transport == Transport::Serial ? c.serial : c.network;
    const SimScenario scenario = Instrument(c);
    SimHostOptions options;
    options.pty = transport == Transport::Serial;
    options.tcp = transport == Transport::Network;
    SimHost sim(scenario, options);
    TempFolder folder;
    const QString output = folder.file(QStringLiteral("slots.csv"));
    const QString port = transport == Transport::Serial ? sim.ptyPath() : sim.networkAddress();

    QProcess cli;
    QElapsedTimer clock;
    clock.start();
    const bool whole = c.portion.first == 0;
    const int first = whole ? 1 : c.portion.first;
    const int last = whole ? kSlots : c.portion.second;
    QStringList arguments{"--data-dir", folder.path(), "--port", port, "download", "-o", output, "--format", "utc",
        "--sep", "comma"};
    if (!whole)
        arguments << "--from" << QString::number(first) << "--to" << QString::number(last);
    cli.start(c.silent ? kQuickCli : kFaultCli, arguments);
    ASSERT_TRUE(cli.waitForFinished((c.boundSeconds + 60) * 1000)) << "still running";
    const qint64 seconds = clock.elapsed() / 1000;
    const QString err = QString::fromLocal8Bit(cli.readAllStandardError());
    const QString out = QString::fromLocal8Bit(cli.readAllStandardOutput());

    ASSERT_EQ(cli.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(cli.exitCode(), expect.exitStatus) << err.toStdString();
    EXPECT_LT(seconds, c.boundSeconds);
    if (*expect.message)
        EXPECT_EQ(err, QStringLiteral("tolvi-cli: ") + QString::fromLatin1(expect.message) + QLatin1Char('\n'));
    else
        EXPECT_EQ(err, QString());

    if (expect.exitStatus == 3) {
        EXPECT_FALSE(QFile::exists(output));
    } else {
        QList<std::pair<qint64, double>> wanted;
        for (int slot = first; slot <= last; ++slot) {
            if (slot >= expect.missingFirst && slot <= expect.missingLast)
                continue;
            const SimSlotEntry& own = scenario.slots.at(slot - 1);
            wanted.append({own.time, own.ppm});
        }
        const QList<std::pair<qint64, double>> saved = SavedSlots(output);
        ASSERT_EQ(saved.size(), wanted.size()) << out.toStdString();
        for (qsizetype i = 0; i < saved.size(); ++i) {
            EXPECT_EQ(saved[i].first, wanted[i].first) << "line " << i + 1;
            EXPECT_NEAR(saved[i].second, wanted[i].second, 0.0006) << "line " << i + 1;
        }
        EXPECT_EQ(out, QStringLiteral("%1 data points saved to '%2'.\n").arg(wanted.size()).arg(output));
    }

    if (c.singleReadsAfterBulk >= 0 || c.pingsAfterBulk >= 0) {
        const QList<QByteArray> sent = sim.engine().receivedPayloads();
        const auto bulk = std::find_if(sent.begin(), sent.end(), [&](const QByteArray& p) {
            return p.startsWith("J01" + QByteArray::number(first, 16).toUpper().rightJustified(4, '0'));
        });
        ASSERT_NE(bulk, sent.end());
        const QList<QByteArray> after(bulk, sent.end());
        if (c.singleReadsAfterBulk >= 0) {
            const auto singles = std::count_if(after.begin(), after.end(),
                [](const QByteArray& p) { return p.startsWith("J01") && p.endsWith("0001"); });
            EXPECT_EQ(singles, c.singleReadsAfterBulk);
        }
        if (c.pingsAfterBulk >= 0) {
            EXPECT_EQ(after.count("S"), c.pingsAfterBulk);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, DownloadFaultMatrix,
    ::testing::Combine(BothTransports(), ::testing::ValuesIn(kCases)), TransportAndCaseName());

} // namespace
