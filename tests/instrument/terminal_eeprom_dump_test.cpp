#include "EepromResponder.h"
#include "IntelHexReader.h"
#include "TempFolder.h"
#include "instrument/TerminalEepromDump.h"

#include <QFile>
#include <gtest/gtest.h>

TEST(TerminalEepromDump, WritesAnIntelHexImageOfTheWholeEeprom)
{
    TempFolder folder;
    EepromResponder responder;
    TerminalSession session = TerminalSessionOn(responder);
    int transcriptLines = 0;
    TerminalEepromDump dump(session, [&](const QList<TranscriptLine>& lines) { transcriptLines += lines.size(); });
    const QString path = folder.file(QStringLiteral("eemap.hex"));

    const EepromDumpResult result = dump.run(path);

    ASSERT_TRUE(result.ok) << result.message.toStdString();
    EXPECT_EQ(result.message, QStringLiteral("Instrument setup saved to ") + path);
    EXPECT_EQ(transcriptLines, 128);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    ASSERT_EQ(lines.size(), 66);  // 65 lines, each ended CR LF
    EXPECT_EQ(lines[64], ":00000001FF\r");
    EXPECT_EQ(ReadIntelHex(path, 1024), responder.eeprom);
}

TEST(TerminalEepromDump, RecordChecksumIsTheTwosComplementOfTheRecordSum)
{
    EXPECT_EQ(TerminalEepromDump::DataRecord(0, QByteArray(16, '\0')), QStringLiteral(":10000000" "00000000000000000000000000000000" "F0"));
    EXPECT_EQ(TerminalEepromDump::DataRecord(0x3F0, QByteArray(16, '\xFF')),
        QStringLiteral(":1003F000" "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF" "0D"));
}

TEST(TerminalEepromDump, FailedBlocksAreRetriedAndAPersistentFailureLeavesTheFileAlone)
{
    struct Case {
        const char* name;
        int failures;      // unanswered requests at 0x0120
        int staleReplies;  // replies at 0x0120 echoing another address
        bool ok;
    };
    const Case cases[] = {
        {"three lost replies are retried", 3, 0, true},
        {"a reply echoing another address is retried", 0, 2, true},
        {"five retries are the budget", 5, 0, true},
        {"a sixth failure stops the dump", 6, 0, false},
        {"stale replies count against the same budget", 3, 3, false},
    };
    for (const Case& c : cases) {
        TempFolder folder;
        const QString path = folder.file(QStringLiteral("eemap.hex"));
        QFile previous(path);
        ASSERT_TRUE(previous.open(QIODevice::WriteOnly));
        previous.write("previous image\r\n");
        previous.close();

        EepromResponder responder;
        responder.failures[0x120] = c.failures;
        responder.staleAt[0x120] = c.staleReplies;
        TerminalSession session = TerminalSessionOn(responder);
        const EepromDumpResult result = TerminalEepromDump(session).run(path);

        EXPECT_EQ(result.ok, c.ok) << c.name;
        QFile after(path);
        ASSERT_TRUE(after.open(QIODevice::ReadOnly));
        if (c.ok) {
            EXPECT_EQ(ReadIntelHex(path, 1024), responder.eeprom) << c.name;
        } else {
            EXPECT_EQ(result.failedAddress, 0x120) << c.name;
            EXPECT_TRUE(result.message.contains(QStringLiteral("0x0120"))) << c.name;
            EXPECT_EQ(after.readAll(), "previous image\r\n") << c.name;
            EXPECT_EQ(responder.requests, 0x120 / 16 + 6) << "the dump stops at the failed block: " << c.name;
        }
    }
}
