#include "EepromResponder.h"
#include "TempFolder.h"
#include "IntelHexReader.h"
#include "link/TerminalEepromDump.h"

#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

TerminalSession SessionOn(EepromResponder& responder)
{
    TerminalSession session([&responder](const QByteArray& frame, int timeout) { return responder(frame, timeout); });
    session.clock = [] { return 3725.5; };
    return session;
}

} // namespace

TEST(TerminalSession, TypedPayloadIsUpperCasedFramedAndLogged)
{
    struct Case {
        const char* typed;
        const char* shown;
        const char* requestLine;
    };
    const Case cases[] = {
        {"g002001", "G002001", "'G0020016F"},
        {"", "", " 60"},  // an empty payload still goes out: length character and checksum
    };
    for (const Case& c : cases) {
        QByteArray sent;
        TerminalSession session([&sent](const QByteArray& frame, int) {
            sent = frame;
            return TerminalReply{3, {}};
        });
        EXPECT_EQ(session.queue(QString::fromLatin1(c.typed)), QString::fromLatin1(c.shown));
        EXPECT_TRUE(session.hasPending());
        const QList<TranscriptLine> lines = session.sendPending();
        ASSERT_EQ(lines.size(), 2) << c.typed;
        EXPECT_EQ(lines[0].marker(), ">>>");
        EXPECT_EQ(lines[0].text, QString::fromLatin1(c.requestLine));
        EXPECT_EQ(sent, "\x02" + QByteArray(c.requestLine) + "\r");
        EXPECT_EQ(lines[1].marker(), "!!!");
        EXPECT_EQ(lines[1].text, "[No Reply]");
        EXPECT_FALSE(session.hasPending()) << "a frame is sent once";
        EXPECT_TRUE(session.sendPending().isEmpty());
    }
}

TEST(TerminalSession, ReplyAndRefusalLines)
{
    EepromResponder responder;
    TerminalSession session = SessionOn(responder);
    session.queue(QStringLiteral("g000102"));
    const QList<TranscriptLine> lines = session.sendPending();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[1].marker(), "<<<");
    EXPECT_EQ(lines[1].text, QString::fromLatin1(EepromResponder::Reply("G0001" + responder.eeprom.mid(1, 2).toHex().toUpper())));
    EXPECT_EQ(lines[1].plainText(), QStringLiteral("3725.50\t<<<\t") + lines[1].text);

    // A refused exchange (another one running) writes only the request line.
    TerminalSession refused([](const QByteArray&, int) { return TerminalReply{0, {}}; });
    refused.queue(QStringLiteral("S"));
    EXPECT_EQ(refused.sendPending().size(), 1);
}

TEST(TerminalEepromDump, WritesAnIntelHexImageOfTheWholeEeprom)
{
    TempFolder folder;
    EepromResponder responder;
    TerminalSession session = SessionOn(responder);
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
        TerminalSession session = SessionOn(responder);
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
