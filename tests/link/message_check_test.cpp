// The frame and the reply check, without a transport.
#include "link/Frame.h"
#include "link/MessageCheck.h"
#include "shell/Bits.h"
#include "shell/SessionLog.h"

#include <QList>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {
TEST(Frame, ComposedFrames)
{
    struct Case {
        QByteArray payload;
        QByteArray frame;
    };
    const Case cases[] = {
        {"G002101", "\x02'G0021016E\r"},
        {"B0048FF", "\x02'B0048FF3F\r"},
        {"S", "\x02!S0C\r"},   // 33 + 83 = 116: checksum 12
    };
    for (const Case& c : cases)
        EXPECT_EQ(ComposeMessage(c.payload, 32), c.frame) << c.payload.constData();
}

TEST(Frame, PayloadTooLongForTheLengthCharacter)
{
    EXPECT_NO_THROW(ComposeMessage(QByteArray(223, 'A'), 32));
    EXPECT_THROW(ComposeMessage(QByteArray(224, 'A'), 32), std::overflow_error);
}

TEST(Frame, HexLPadsButNeverCuts)
{
    EXPECT_EQ(HexL(5, 2), "05");
    EXPECT_EQ(HexL(300, 2), "12C");
    EXPECT_EQ(HexL(0, 2), "00");
}

class MessageCheckTest : public ::testing::Test {
protected:
    MessageCheckTest()
    {
        log.setListener([this](const QString& line, int level) {
            lines.append({line.section(QLatin1Char('\t'), 2), level});
        });
    }
    SessionLog log;
    QList<std::pair<QString, int>> lines;
};

QByteArray withChecksum(const QByteArray& text)
{
    return text + HexL(Frame::Checksum(text), 2).toLatin1();
}

// The check both ends make: the simulated instrument takes requests by it,
// the link replies. The payload is cut out once, the same way for both.
TEST(Frame, CheckAndPayload)
{
    const QByteArray good = Frame::Body(ComposeMessage("G002101"));   // "'G0021016E"
    QByteArray longer = good;
    longer[0] = char(longer[0] + 1);
    QByteArray lowerCase = good;
    lowerCase.replace(lowerCase.size() - 2, 2, "6e");
    struct Case {
        const char* name;
        QByteArray message;
        FrameFault fault;
    };
    const Case cases[] = {
        {"composed", good, FrameFault::None},
        {"checksum digits in lower case", lowerCase, FrameFault::None},
        {"length character counts another payload", longer, FrameFault::Length},
        {"too short for a checksum", "'G", FrameFault::Length},
        {"checksum off by one", good.left(good.size() - 1) + "F", FrameFault::Checksum},
        {"checksum not hexadecimal", good.left(good.size() - 2) + "ZZ", FrameFault::Checksum},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CheckFrame(c.message), c.fault) << c.name;
    EXPECT_EQ(Frame::Payload(good), "G002101");
    EXPECT_EQ(Frame::Payload("!S0C"), "S");
}

TEST_F(MessageCheckTest, Verdicts)
{
    struct Case {
        const char* name;
        QByteArray message;
        bool rejected;
        QString lastLine;
        int level;
    };
    const QByteArray good = ComposeMessage("G00210C").mid(1, 10);
    const Case cases[] = {
        {"ordinary", good, false, {}, 0},
        {"lowerCaseChecksum", good.left(8) + good.right(2).toLower(), false, {}, 0},
        {"lengthCharacterWrong", ")" + good.mid(1), true,
            "Message length was not correct - maybe the programmatic offset is wrong for this device?", 0},
        {"checksumNotHex", good.left(8) + "G1", true,
            "Message checksum did not match calculated value. Message ignored.", 0},
        {"payloadTooLongForALengthCharacter", "'" + QByteArray(230, 'A') + "00", true,
            "Message length was not correct - maybe the programmatic offset is wrong for this device?", 0},
        {"tooShort", "'", true,
            "Message length was not correct - maybe the programmatic offset is wrong for this device?", 0},
        {"extendedLengthFieldWrong", withChecksum("DM0002" + QByteArray(514, 'A')), true,
            "Extended message length is not correct.", 254},
        {"extendedChecksumWrong", "DM0001" + QByteArray(514, 'A') + "00", true,
            "Extended message checksum is not correct.", 254},
    };
    for (const Case& c : cases) {
        lines.clear();
        QByteArray message = c.message;
        EXPECT_EQ(ErrorInMessage(log, message), c.rejected) << c.name;
        EXPECT_EQ(message, c.message) << c.name;
        if (!c.lastLine.isEmpty()) {
            ASSERT_FALSE(lines.isEmpty()) << c.name;
            EXPECT_EQ(lines.last(), std::make_pair(c.lastLine, c.level)) << c.name;
        }
    }
}

// Firmware 1.08 and 1.09 answer memory reads with a wrong length character
// and checksum; the check hands the caller the corrected message.
TEST_F(MessageCheckTest, BuggyMemoryReplyIsCorrectedInTheCallersCopy)
{
    QByteArray message = "CJ030000A1B2C300";
    EXPECT_FALSE(ErrorInMessage(log, message));
    EXPECT_EQ(message, ComposeMessage("J030000A1B2C3").mid(1, 16));
    EXPECT_EQ(message.left(1), "-");
}
}
