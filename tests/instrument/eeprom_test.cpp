#include "InstrumentRig.h"
#include "instrument/EepromImage.h"
#include "link/Frame.h"

#include <gtest/gtest.h>

using namespace tolviM;

namespace {

QList<QByteArray> FillRequests()
{
    QList<QByteArray> requests{"A05", "A05003C"};
    for (int address = 0; address < 1024; address += 16)
        requests << "G" + QByteArray::number(address, 16).toUpper().rightJustified(4, '0') + "10";
    requests << "A05" << "A050000";
    return requests;
}

// Length character + payload + checksum, as the link holds a reply.
QByteArray Held(const QByteArray& payload)
{
    const QByteArray frame = ComposeMessage(payload);
    return frame.mid(1, frame.size() - 2);
}

}

TEST(FillEeprom, CopiesEveryBlockWithTheSchedulePaused)
{
    InstrumentRig rig;
    QByteArray image(1024, '\0');
    for (int i = 0; i < image.size(); ++i)
        image[i] = char(i * 7 + 3);
    rig.memory.setEeprom(0, image);
    rig.start();
    FillEEPROM(rig.link, rig.services, rig.info);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(rig.info.EEPROMImage.data()), 1024), image);
    EXPECT_EQ(rig.received(), FillRequests());
}

TEST(FillEeprom, NoInstrumentGivesAllFF)
{
    InstrumentRig rig;
    rig.info.EEPROMImage.fill(0x11);
    rig.start([](const QByteArray& payload) { return Responder::Spoilt(payload); });
    FillEEPROM(rig.link, rig.services, rig.info);
    for (uint8_t byte : rig.info.EEPROMImage)
        ASSERT_EQ(byte, 0xFF);
    EXPECT_EQ(rig.received(), FillRequests());   // nothing is retried
}

TEST(EventLog, EchoAndLengthChecks)
{
    struct Case {
        const char* name;
        QByteArray reply;
        EventLogProblem problem;
    };
    QByteArray longer = Held("G100207" "5F5E1000" "AB");
    longer[0] = char(longer[0] + 2);   // length character claims two more characters
    const Case cases[] = {
        {"consistent", Held("G100207" "5F5E1000" "ABCD"), EventLogProblem::None},
        {"time stamp only", Held("G100207" "5F5E1000"), EventLogProblem::None},
        {"other entry", Held("G100208" "5F5E1000"), EventLogProblem::WrongEcho},
        {"other log", Held("G100307" "5F5E1000"), EventLogProblem::WrongEcho},
        {"length disagrees", longer, EventLogProblem::WrongLength},
        {"no time stamp", Held("G100207" "5F5E"), EventLogProblem::WrongLength},
        {"half a byte", Held("G100207" "5F5E1000" "A"), EventLogProblem::WrongLength},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CheckEventLogReply(c.reply, "G100207"), c.problem) << c.name;

    const EventLogEntry entry = DecodeEventLogReply(Held("G100207" "5F5E1000" "ABCD"));
    EXPECT_EQ(entry.timeStamp, 0x5F5E1000);
    EXPECT_EQ(entry.bytes, QByteArray::fromHex("ABCD"));
}

TEST(EventLog, EntriesOverTheLink)
{
    InstrumentRig rig;
    rig.memory.setReply("G100003", "G100003" "5F5E1000" "0102FF");
    rig.memory.setReply("G100400", "G100400" "5F5E1000");
    rig.memory.setReply("G100107", "G100106" "5F5E1000");
    rig.start();

    const auto entry = GetFRAMEventLog(rig.link, rig.services, 0, 3);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->timeStamp, 0x5F5E1000);
    EXPECT_EQ(entry->bytes, QByteArray::fromHex("0102FF"));
    EXPECT_TRUE(rig.logged(SessionLog::Info).last().endsWith(", 3 byte(s)."));
    EXPECT_TRUE(rig.hasLine("Read Event Log #0, Index #3", SessionLog::Query));

    const auto stampOnly = GetFRAMEventLog(rig.link, rig.services, 4, 0);
    ASSERT_TRUE(stampOnly);
    EXPECT_TRUE(stampOnly->bytes.isEmpty());

    EXPECT_FALSE(GetFRAMEventLog(rig.link, rig.services, 1, 7));   // echoes another entry
    EXPECT_TRUE(rig.hasLine("Couldn't get requested log.", SessionLog::Problem));
    EXPECT_EQ(rig.received(), (QList<QByteArray>{"G100003", "G100400", "G100107"}));

    rig.responder->clearReceived();
    EXPECT_FALSE(GetFRAMEventLog(rig.link, rig.services, 2, 1));   // never answered properly
    EXPECT_EQ(rig.received(), (QList<QByteArray>{"G100201", "G100201", "G100201"}));
}
