#include "../data/SimRig.h"
#include "ArchiveContents.h"
#include "QtPrinters.h"
#include "ScopedEnvironment.h"
#include "SimFirmware.h"
#include "SimMemoryImage.h"
#include "records/PacketFolder.h"
#include "records/TechnicalFile.h"
#include "shell/StartupFiles.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

QByteArray Hex(const char* text) { return QByteArray::fromHex(text); }

void WriteFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    ASSERT_TRUE(WriteFileAtomically(path, content)) << path.toStdString();
}

// The simulated instrument with one record of each kind of event log but
// the schedule log, offsets of both signs and zero, a schedule, two slots
// and a marked EEPROM.
SimScenario PacketScenario()
{
    SimScenario s;
    const qint64 at = 1788258600;   // 1 September 2026 10:30:00 UTC
    s.eventLogs = {
        {0, 0, at, Hex("8115012308000B009C4008000B00CB20")},
        {1, 0, at + 60, Hex("01F632")},
        {2, 0, at + 120, Hex("02FB1400")},
        {3, 0, at + 180, Hex("00FA")},
        {3, 1, at + 240, Hex("FF06")},
        {3, 2, at + 300, Hex("0000")},
    };
    s.mgmFactorStep = 1;
    // An enabled weekday schedule with its loop counter, two slots past an erase.
    s.schedule.enabled = true;
    s.schedule.config = 0x11;
    s.schedule.counter = 5;
    s.slots = VariedSlots(2, at);
    s.recordOffset = 3;
    s.eepromOverrides = {
        {0x002C, QByteArray("QY")},        // fake mode
        {0x002E, Hex("1003")},             // automatic switch-off, key lock and Q mode
        {0x0040, Hex("000C")},             // offset -0.012
        {0x0050, Hex("010102")},           // zero error -258
        {0x01B4, QByteArray("XK")},
        {0x01FE, QByteArray("IE")},
    };
    return s;
}

// The simulated instrument, its link and a data folder laid out as on a PC:
// the program folder, the data folder, the documents folder and a record folder.
struct PacketRig {
    PacketRig()
    {
        const QDir root(rig.tmp.path());
        for (const char* folder : {"app", "data", "docs", "records"})
            root.mkpath(QLatin1String(folder));
        rig.services.paths.appFolder = root.filePath(QStringLiteral("app"));
        rig.services.paths.dataFolder = root.filePath(QStringLiteral("data"));
        rig.info.RecordFolder = root.filePath(QStringLiteral("records"));
        archive = root.filePath(QStringLiteral("docs/TechnicalFile.tolvi"));
        rig.log.setLogFilePath(root.filePath(QStringLiteral("data/session.txt")));
        rig.log.setLogToFile(true);
        WriteFile(rig.info.RecordFolder + QStringLiteral("/history.txt"), "first history\r\n");
        WriteFile(rig.info.RecordFolder + QStringLiteral("/initial.txt"), "initial\r\n");
    }

    TechnicalFileResult generate()
    {
        TechnicalFileContext context{rig.services, rig.link, rig.info, rig.table, rig.observer};
        context.archivePath = archive;
        context.locale = QLocale::c();
        return GenerateTechnicalFile(context);
    }

    QString packetFolder() const { return PacketFolder(rig.services.paths.dataFolder).path(); }

    ScopedEnvironment utc{"TZ", "UTC"};
    SimRig rig;
    QString archive;
};

// One packet of the instrument above, generated once for the tests that only read it
// (a packet takes seconds: the whole EEPROM is read block by block).
class GeneratedPacket : public ::testing::Test {
protected:
    static constexpr const char* Hash = "0123456789abcdef0123456789abcdef";

    static void SetUpTestSuite()
    {
        run = new PacketRig;
        const QDir root(run->rig.tmp.path());
        WriteFile(root.filePath(QStringLiteral("app/install_1.log")), "installed\r\n");
        WriteFile(root.filePath(QStringLiteral("data/postinst_260101120000.log")), "post-install\r\n");
        WriteFile(root.filePath(QStringLiteral("install.txt")), "install history\r\n");
        WriteFile(UserSettingsPath(run->rig.services.paths),
            QByteArray("[Password]\r\nValid=True\r\nValue=") + Hash + "\r\n");
        scenario = new SimScenario(PacketScenario());
        if (!run->rig.start(*scenario))
            return;
        run->rig.prompts.answers.push_back(Prompts::Answer::Yes);
        // The clock as the connection read it: 30 seconds behind the PC.
        run->rig.info.RTCLocal = QDateTime(QDate(2026, 9, 1), QTime(10, 30, 0));
        run->rig.info.PCTime = run->rig.info.RTCLocal.addSecs(30);
        result = run->generate();
        entries = ArchiveEntries(run->archive);
    }
    static void TearDownTestSuite()
    {
        delete run;
        delete scenario;
        run = nullptr;
        scenario = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(result.generated); }

    static QStringList lines(const char* entry) { return EntryLines(entries.value(QLatin1String(entry))); }
    static QStringList expectedLines(const char* file)
    {
        QFile expected(QStringLiteral(TOLVI_SOURCE_DIR "/tests/records/expected/") + QLatin1String(file));
        if (!expected.open(QIODevice::ReadOnly))
            return {};
        QStringList list = QString::fromUtf8(expected.readAll()).split(QLatin1Char('\n'));
        list.removeLast();   // after the last line end
        return list;
    }

    static inline PacketRig* run = nullptr;
    static inline SimScenario* scenario = nullptr;
    static inline TechnicalFileResult result;
    static inline QMap<QString, QByteArray> entries;
};

TEST_F(GeneratedPacket, ArchiveHoldsEveryReportAndTheFolderIsEmptiedAfterwards)
{
    EXPECT_EQ(result.archivePath, run->archive);
    const QStringList expected{"data/", "data/README.TXT", "data/curve.csv", "data/eeprom.csv", "data/events.txt",
        "data/fram.csv", "info.txt", "instrument/", "instrument/README.TXT", "instrument/fw_id.txt",
        "instrument/history.txt", "instrument/initial.txt", "instrument/rtc.txt", "instrument/session.txt", "meta/",
        "meta/README.TXT", "meta/envr.txt", "meta/regs.txt", "meta/soft.txt", "meta/soft/", "meta/soft/README.TXT",
        "meta/soft/install_1.log", "meta/soft/install_history.txt", "meta/soft/postinst_260101120000.log",
        "meta/user.txt", "settings/", "settings/README.TXT", "settings/eeprom.txt", "settings/eeprom_hex.txt",
        "settings/limits.txt", "settings/mgm.txt"};
    EXPECT_EQ(entries.keys(), expected);

    const QStringList info = lines("info.txt");
    ASSERT_EQ(info.size(), 6);
    EXPECT_EQ(info.first(), QStringLiteral("Tolvi Technical File"));
    EXPECT_TRUE(info[2].endsWith(QStringLiteral(" GMT"))) << info[2].toStdString();
    EXPECT_EQ(info.last(), QStringLiteral(":::5720:::"));

    struct Readme {
        const char* entry;
        QStringList lines;
    };
    const Readme readmes[] = {
        {"data/README.TXT", {"Instrument Data:", "fram.csv\t[OK]", "events.txt\t[OK]", "curve.csv\t[--]",
                                "eeprom.csv\t[OK]", "", "Done."}},
        {"settings/README.TXT", {"Instrument Settings:", "eeprom_hex.txt\t[OK]", "eeprom.txt\t[OK]",
                                    "limits.txt\t[OK]", "mgm.txt\t[OK]", "", "Done."}},
        {"instrument/README.TXT", {"Instrument Details:", "fw_id.txt\t[OK]", "rtc.txt\t[OK]", "history.txt\t[OK]",
                                      "initial.txt\t[OK]", "", "Done."}},
        {"meta/README.TXT", {"MetaData:", "user.txt\t[OK]", "regs.txt\t[--]", "envr.txt\t[OK]", "soft.txt\t[OK]", "",
                                "Done."}},
        {"meta/soft/README.TXT", {"Software Install:", "install_1.log\t[OK]", "postinst_260101120000.log\t[OK]",
                                     "install_history.txt\t[OK]", "", "Done."}},
    };
    for (const Readme& readme : readmes) {
        SCOPED_TRACE(readme.entry);
        EXPECT_EQ(lines(readme.entry), readme.lines);
    }
    EXPECT_EQ(entries.value(QStringLiteral("meta/soft/install_history.txt")), QByteArray("install history\r\n"));
    EXPECT_TRUE(entries.value(QStringLiteral("instrument/session.txt")).contains("Fetching instrument settings..."));
    EXPECT_EQ(lines("data/curve.csv"), (QStringList{"Step,       ADC,    Flag,Comment", "TBD"}));

    const SimRig& rig = run->rig;
    EXPECT_TRUE(rig.observer.panel1.contains(QStringLiteral("Adding data to Report...")));
    EXPECT_TRUE(rig.observer.panel1.contains(QStringLiteral("Fetching instrument settings...")));
    EXPECT_TRUE(rig.linesAt(SessionLog::Info).contains(QStringLiteral("Packet generated OK")));
    const QStringList questions = rig.prompts.texts_of(QStringLiteral("yesno"));
    ASSERT_EQ(questions.size(), 1);
    EXPECT_EQ(questions.first(), QStringLiteral("Technical File generation is complete. The file is located at:\r\n\t")
            + run->archive + QStringLiteral("\r\nWould you like to open this directory?"));
    EXPECT_EQ(rig.prompts.openedPaths, QStringList{QFileInfo(run->archive).absolutePath()});
    EXPECT_TRUE(QDir(run->packetFolder()).isEmpty());
}

TEST_F(GeneratedPacket, StandardToolsReadTheArchive)
{
    const ToolRun unzip = RunTool(QStringLiteral("unzip"), {QStringLiteral("-t"), run->archive});
    EXPECT_EQ(unzip.exitCode, 0) << unzip.out.toStdString();
    EXPECT_TRUE(unzip.out.contains(QStringLiteral("No errors detected"))) << unzip.out.toStdString();

    const ToolRun python = RunTool(QStringLiteral("python3"),
        {QStringLiteral("-c"),
            QStringLiteral("import sys, zipfile\n"
                           "z = zipfile.ZipFile(sys.argv[1])\n"
                           "assert z.testzip() is None\n"
                           "print(len(z.namelist()))\n"
                           "print(z.read('info.txt').decode().splitlines()[-1])\n"
                           "print(z.read('settings/eeprom.txt').decode().splitlines()[7])\n"),
            run->archive});
    EXPECT_EQ(python.exitCode, 0) << python.out.toStdString();
    EXPECT_EQ(python.out.split(QLatin1Char('\n')).mid(0, 3),
        (QStringList{QString::number(entries.size()), ":::5720:::", "SerialNumber=10234F"}));
}

TEST_F(GeneratedPacket, EepromReportsMatchTheInstrumentsImage)
{
    const QByteArray image = SimMemory::BuildEeprom(*scenario, SimFirmwareBand::fromFirmwareString(scenario->firmware));
    const QStringList dump = lines("settings/eeprom_hex.txt");
    ASSERT_EQ(dump.size(), 2 + 64 + 1);
    EXPECT_EQ(dump[0], QStringLiteral(" Address| 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F |"));
    EXPECT_EQ(dump[1], QStringLiteral("--------+-------------------------------------------------+"));
    QByteArray dumped;
    for (int line = 0; line < 64; ++line) {
        const QString text = dump[2 + line];
        ASSERT_TRUE(text.startsWith(QStringLiteral(" 0x") + QStringLiteral("%1").arg(line * 16, 4, 16, QLatin1Char('0')).toUpper()
                        + QStringLiteral(" | ")))
            << text.toStdString();
        ASSERT_TRUE(text.endsWith(QStringLiteral(" |"))) << text.toStdString();
        dumped += QByteArray::fromHex(text.mid(10, 48).toLatin1());
    }
    EXPECT_EQ(dumped.toHex(' '), image.left(1024).toHex(' '));
    EXPECT_TRUE(dump.last().isEmpty());

    EXPECT_EQ(lines("settings/eeprom.txt"), expectedLines("eeprom.txt"));
    EXPECT_EQ(lines("data/eeprom.csv").mid(0, 3), (QStringList{"Slot, Reading, Temp", "0, 0.250, 19", "1, 0.375, 20"}));
}

TEST_F(GeneratedPacket, EventLogsAreReadUntilTheirFirstEmptyRecord)
{
    EXPECT_EQ(lines("data/events.txt"), expectedLines("events.txt"));
    // The empty schedule log costs one request; the offset log stops after its first empty record.
    const QStringList requests = run->rig.payloads().filter(QRegularExpression(QStringLiteral("^G10")));
    EXPECT_EQ(requests.filter(QStringLiteral("G1004")), QStringList{"G100400"});
    EXPECT_EQ(requests.filter(QStringLiteral("G1003")), (QStringList{"G100300", "G100301", "G100302", "G100303"}));
}

TEST_F(GeneratedPacket, ClockReportHoldsTheLastReadingWithoutReadingAgain)
{
    const QStringList rtc = lines("instrument/rtc.txt");
    EXPECT_TRUE(rtc.contains(QStringLiteral("Time=01 Sep 2026 10:30:00"))) << rtc.join(QLatin1Char('|')).toStdString();
    // The error is PC time - instrument time, as the status bar shows it.
    EXPECT_TRUE(rtc.contains(QStringLiteral("Error=+0000.0003 days"))) << rtc.join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(run->rig.payloads().contains(QStringLiteral("K")));
}

TEST_F(GeneratedPacket, PasswordHashNeverLeavesThePc)
{
    const QStringList user = lines("meta/user.txt");
    EXPECT_TRUE(user.contains(QStringLiteral("Password=True"))) << user.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(user.contains(QStringLiteral("PasswordHash=withheld"))) << user.join(QLatin1Char('|')).toStdString();
    for (auto it = entries.begin(); it != entries.end(); ++it)
        EXPECT_FALSE(it.value().contains(Hash)) << it.key().toStdString();
}

class TechnicalFileTest : public ::testing::Test, protected PacketRig {};

TEST_F(TechnicalFileTest, SecondRunReplacesTheFirstWithTheDownloadListed)
{
    ASSERT_TRUE(rig.start(SimRig::scenario(3)));
    ASSERT_TRUE(generate().generated);
    QStringList fram = EntryLines(ArchiveEntries(archive).value(QStringLiteral("data/fram.csv")));
    ASSERT_EQ(fram.size(), 1) << "no download: the header alone";
    EXPECT_TRUE(fram.first().startsWith(QStringLiteral("Slot,        UTC,"))) << fram.first().toStdString();

    DownloadContext download = rig.download();
    ASSERT_EQ(DownloadAllMemory(download), DownloadOutcome::Completed);
    WriteFile(rig.info.RecordFolder + QStringLiteral("/history.txt"), "second history\r\n");
    // Left over from an interrupted run: cleared with the folder.
    WriteFile(packetFolder() + QStringLiteral("/stale.txt"), "stale\r\n");
    ASSERT_TRUE(generate().generated);

    const QMap<QString, QByteArray> entries = ArchiveEntries(archive);
    fram = EntryLines(entries.value(QStringLiteral("data/fram.csv")));
    ASSERT_EQ(fram.size(), 4);
    EXPECT_TRUE(fram[1].startsWith(QStringLiteral("0001, 1796389500,"))) << fram[1].toStdString();
    EXPECT_TRUE(fram[3].startsWith(QStringLiteral("0003, 1796390700,"))) << fram[3].toStdString();
    EXPECT_EQ(entries.value(QStringLiteral("instrument/history.txt")), QByteArray("second history\r\n"));
    EXPECT_FALSE(entries.contains(QStringLiteral("stale.txt")));
    EXPECT_EQ(QDir(QFileInfo(archive).absolutePath()).entryList(QDir::Files | QDir::Hidden),
        QStringList{"TechnicalFile.tolvi"});
}

// Record files and logs that are links to files elsewhere are left out
// unread, each with a README line and a session-log line; a record folder
// reached through a link inside the data folder likewise.
TEST_F(TechnicalFileTest, LinkedFilesAreLeftOutAndSaidSo)
{
    const QDir root(rig.tmp.path());
    const QString outside = root.filePath(QStringLiteral("outside.txt"));
    WriteFile(outside, "outside secret\r\n");
    const struct {
        const char* link;
        const char* readmeLine;
    } links[] = {
        {"records/history.txt", "history.txt\t[--] not included: it is a link"},
        {"records/initial.txt", "initial.txt\t[--] not included: it is a link"},
        {"app/install_2.log", "install_2.log\t[--] not included: it is a link"},
        {"data/postinst_9.log", "postinst_9.log\t[--] not included: it is a link"},
    };
    for (const auto& l : links) {
        QFile::remove(root.filePath(QLatin1String(l.link)));
        ASSERT_TRUE(QFile::link(outside, root.filePath(QLatin1String(l.link)))) << l.link;
    }
    ASSERT_TRUE(rig.start(SimRig::scenario(3)));
    ASSERT_TRUE(generate().generated);

    const QMap<QString, QByteArray> entries = ArchiveEntries(archive);
    for (auto it = entries.begin(); it != entries.end(); ++it)
        EXPECT_FALSE(it.value().contains("outside secret")) << it.key().toStdString();
    const QStringList readmes = EntryLines(entries.value(QStringLiteral("instrument/README.TXT")))
        + EntryLines(entries.value(QStringLiteral("meta/soft/README.TXT")));
    const QByteArray session = entries.value(QStringLiteral("instrument/session.txt"));
    for (const auto& l : links) {
        SCOPED_TRACE(l.link);
        EXPECT_TRUE(readmes.contains(QLatin1String(l.readmeLine))) << readmes.join(QLatin1Char('|')).toStdString();
        EXPECT_TRUE(session.contains(root.filePath(QLatin1String(l.link)).toUtf8() + " not included: it is a link"));
    }
    EXPECT_EQ(QFileInfo(outside).size(), 16);

    // A record folder inside the data folder reached through a link.
    const QString real = root.filePath(QStringLiteral("elsewhere"));
    WriteFile(real + QStringLiteral("/history.txt"), "outside secret\r\n");
    rig.info.RecordFolder = root.filePath(QStringLiteral("data/Records/1234"));
    QDir().mkpath(root.filePath(QStringLiteral("data/Records")));
    ASSERT_TRUE(QFile::link(real, rig.info.RecordFolder));
    ASSERT_TRUE(generate().generated);
    EXPECT_TRUE(EntryLines(ArchiveEntries(archive).value(QStringLiteral("instrument/README.TXT")))
                    .contains(QStringLiteral("history.txt\t[--] not included: it lies behind a link")));
    EXPECT_FALSE(ArchiveEntries(archive).contains(QStringLiteral("instrument/history.txt")));
}

TEST_F(TechnicalFileTest, FailedPackIsToldAndKeepsTheWorkingFiles)
{
    // The archive's folder cannot exist: its parent is a file.
    WriteFile(rig.tmp.file(QStringLiteral("docs/blocked")), "a file\r\n");
    archive = rig.tmp.file(QStringLiteral("docs/blocked/TechnicalFile.tolvi"));
    ASSERT_TRUE(rig.start(PacketScenario()));

    const TechnicalFileResult result = generate();

    EXPECT_FALSE(result.generated);
    const QStringList messages = rig.prompts.texts_of(QStringLiteral("message"));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.first().startsWith(QStringLiteral("The technical file could not be written to:")))
        << messages.first().toStdString();
    EXPECT_TRUE(rig.prompts.texts_of(QStringLiteral("yesno")).isEmpty());
    EXPECT_TRUE(rig.linesAt(SessionLog::Info).contains(QStringLiteral("Packet generation failed")));
    EXPECT_TRUE(rig.linesAt(SessionLog::Problem).contains(QStringLiteral("Module:modZip.ZipIt")));
    EXPECT_TRUE(QFileInfo(packetFolder() + QStringLiteral("/info.txt")).isFile());
}

}
