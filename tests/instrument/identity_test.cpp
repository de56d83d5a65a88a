#include "InstrumentRig.h"
#include "instrument/Identity.h"
#include "instrument/Measurement.h"

#include <gtest/gtest.h>

using namespace tolviM;

namespace {

QList<QByteArray> Repeated(const QByteArray& payload, int times)
{
    QList<QByteArray> list;
    for (int i = 0; i < times; ++i)
        list << payload;
    return list;
}

}

TEST(SerialNumber, TypeByteChoosesTheSuffix)
{
    struct Case {
        QByteArray bytes;
        QString text;
        QString logLine;
    };
    const Case cases[] = {
        {QByteArray::fromHex("0400007B"), "123F", "Serial number : 04 0123 : 123F"},
        {QByteArray::fromHex("05010000"), "65536G", "Serial number : 05 65536 : 65536G"},
        {QByteArray::fromHex("FF123456"), "Unknown", "Serial number : FF 1193046 : Unknown"},
        {QByteArray::fromHex("07000001"), "1", "Serial number : 07 0001 : 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.bytes.toHex().constData());
        InstrumentRig rig;
        rig.memory.setEeprom(0x0109, c.bytes);
        rig.start();
        EXPECT_EQ(GetSerialNumber(rig.link, rig.services), c.text);
        EXPECT_EQ(rig.received(), QList<QByteArray>{"G010904"});
        EXPECT_TRUE(rig.hasLine(c.logLine, SessionLog::Info)) << c.logLine.toStdString();
    }
}

TEST(Dates, BcdBytesNormaliseAndAreStored)
{
    struct Case {
        QByteArray bytes;
        QDate date;
    };
    const Case cases[] = {
        {QByteArray::fromHex("311209"), QDate(2009, 12, 31)},
        {QByteArray::fromHex("1A0510"), QDate(2010, 5, 1)},   // "1A" reads as 1
        {QByteArray::fromHex("FFFFFF"), QDate(1999, 11, 30)}, // erased: day 0, month 0, 2000
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.bytes.toHex().constData());
        InstrumentRig rig;
        rig.memory.setEeprom(0x0100, c.bytes);
        rig.memory.setEeprom(0x0103, c.bytes);
        rig.memory.setEeprom(0x0106, c.bytes);
        rig.start();
        EXPECT_EQ(GetManDate(rig.link, rig.services, rig.info).date(), c.date);
        EXPECT_EQ(GetCalDate(rig.link, rig.services, rig.info).date(), c.date);
        EXPECT_EQ(GetSerDate(rig.link, rig.services, rig.info).date(), c.date);
        EXPECT_EQ(rig.info.Manufactured.date(), c.date);
        EXPECT_EQ(rig.info.Calibrated.date(), c.date);
        EXPECT_EQ(rig.info.Serviced.date(), c.date);
        EXPECT_EQ(rig.received(), (QList<QByteArray>{"G010003", "G010303", "G010603"}));
    }
}

TEST(Dates, FourthDateAndTimeOfDay)
{
    InstrumentRig rig;
    rig.memory.setEeprom(0x010D, QByteArray::fromHex("133059"));
    rig.start();
    const QDateTime time = GetSomeDate(rig.link, rig.services, 3, true);
    EXPECT_EQ(time, QDateTime(ZeroDate().date(), QTime(13, 30, 59)));
    EXPECT_EQ(GetSomeDate(rig.link, rig.services, 9).date(), QDate(1999, 11, 30)); // other selectors read 0x0100
    EXPECT_EQ(rig.received(), (QList<QByteArray>{"G010D03", "G010003"}));
}

TEST(Dates, FailedReadStoresTheZeroDate)
{
    InstrumentRig rig;
    rig.info.Calibrated = QDateTime(QDate(2020, 1, 1), QTime(0, 0));
    rig.start([](const QByteArray& payload) { return Responder::Spoilt(payload); });
    EXPECT_EQ(GetCalDate(rig.link, rig.services, rig.info), ZeroDate());
    EXPECT_EQ(rig.info.Calibrated, ZeroDate());
}

TEST(Usage, LowByteFirstAndSigned)
{
    const std::pair<QByteArray, int16_t> cases[] = {
        {QByteArray::fromHex("FF7F"), 32767},
        {QByteArray::fromHex("0080"), -32768},
        {QByteArray::fromHex("3412"), 0x1234},
    };
    for (const auto& [bytes, expected] : cases) {
        SCOPED_TRACE(::testing::Message() << bytes.toHex().constData());
        InstrumentRig rig;
        rig.memory.setEeprom(0x0009, bytes);
        rig.start();
        EXPECT_EQ(GetUsage(rig.link, rig.services), expected);
        EXPECT_EQ(rig.received(), QList<QByteArray>{"G000902"});
    }
}

TEST(RetriedRead, SixRequestsAtMostAndAGoodSixthReplyCounts)
{
    struct Case {
        int spoilt;
        int16_t result;
        int requests;
    };
    const Case cases[] = {{0, 7, 1}, {5, 7, 6}, {6, 0, 6}, {20, 0, 6}};
    for (const Case& c : cases) {
        InstrumentRig rig;
        rig.memory.setEeprom(0x0009, QByteArray::fromHex("0700"));
        rig.memory.spoilFirst(c.spoilt);
        rig.start();
        EXPECT_EQ(GetUsage(rig.link, rig.services), c.result) << c.spoilt;
        EXPECT_EQ(rig.received(), Repeated("G000902", c.requests)) << c.spoilt;
    }
}

TEST(RetriedRead, WrongPrefixIsNotRetried)
{
    InstrumentRig rig;
    rig.memory.setReply("G000902", "G000A0700");   // a good frame echoing another address
    rig.start();
    EXPECT_EQ(GetUsage(rig.link, rig.services), 0);
    EXPECT_EQ(rig.received(), QList<QByteArray>{"G000902"});
}

TEST(RetriedRead, ShortReplyIsRefusedWithAWarning)
{
    InstrumentRig rig;
    // A read checked by its echo alone: the echo is right, the data is missing.
    rig.memory.setReply("G002101", "G0021");
    rig.start();
    EXPECT_EQ(GetModeString(rig.link, rig.services), QString());
    EXPECT_EQ(rig.received(), QList<QByteArray>{"G002101"});
    EXPECT_EQ(rig.logged(SessionLog::Warning).size(), 1);
}

TEST(Firmware, PrintableTextTrimmedAndCollapsed)
{
    struct Case {
        QByteArray bytes;
        QString text;
    };
    const Case cases[] = {
        {QByteArray("V1.08\0\0\0  ", 10), "V1.08"},
        {"  Tolvi  HHU   V2.31 ", "Tolvi HHU V2.31"},
        {"A\x01\x7F\xC3" "B\tC", "ABC"},
        {QByteArray(8, '\0'), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.bytes.toHex().constData());
        EXPECT_EQ(CleanFirmwareText(c.bytes), c.text);
    }
}

TEST(Firmware, ShortAndLongFormReadTheirBlocks)
{
    InstrumentRig rig;
    QByteArray first(0x48, ' ');
    first.replace(2, 16, "HHU  V1.08\0\0\x05\xFF  ");
    rig.memory.setFlash(0x30, first);
    QByteArray second(0x6C, '\0');
    second.replace(0, 9, "  Build 7");
    rig.memory.setFlash(0x98, second);
    rig.start();

    EXPECT_EQ(GetFirmwareID(rig.link, rig.services), "HHU V1.08");
    QList<QByteArray> shortForm;
    for (int address = 0x30; address < 0x78; address += 6)
        shortForm << "E" + QByteArray::number(address, 16).toUpper().rightJustified(4, '0') + "06";
    EXPECT_EQ(rig.received(), shortForm);
    EXPECT_TRUE(rig.hasLine("HHU V1.08", SessionLog::Info));

    rig.responder->clearReceived();
    EXPECT_EQ(GetFirmwareID(rig.link, rig.services, true), "HHU V1.08 Build 7");
    EXPECT_EQ(rig.received().size(), 12 + 18);
    EXPECT_EQ(rig.received().last(), "E00FE06");
}

TEST(Firmware, LinkFailingBetweenBlocksGivesNothing)
{
    InstrumentRig rig;
    rig.memory.setFlash(0x30, QByteArray(0x48, 'A'));
    rig.start([&rig](const QByteArray& payload) {
        return payload == "E004806" ? Responder::Spoilt(payload) : rig.memory.answer(payload);
    });
    EXPECT_EQ(GetFirmwareID(rig.link, rig.services), QString());
    // One budget for the procedure: the failing block gets the whole of it.
    EXPECT_EQ(rig.received(),
        QList<QByteArray>({"E003006", "E003606", "E003C06", "E004206"}) + Repeated("E004806", 6));
}
