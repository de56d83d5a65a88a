#include "EepromResponder.h"
#include "link/Terminal.h"

#include <gtest/gtest.h>

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
    TerminalSession session = TerminalSessionOn(responder);
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

