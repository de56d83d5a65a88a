#include "ConfigRig.h"
#include "QtPrinters.h"
#include "config/Offsets.h"

#include <gtest/gtest.h>

TEST(Offsets, TextFromWhatWasRead)
{
    struct Case {
        const char* name;
        OffsetReadings readings;
        const char* text;
    };
    const auto bytes = [](const char* hex) { return std::optional<QByteArray>(QByteArray::fromHex(hex)); };
    const Case cases[] = {
        {"fine, positive offset, positive zero error", {0, bytes("010C"), bytes("000003")},
            "Fine : +0.012 ppm.\r\nZero Error = +3.\r\n"},
        {"normal, negative offset, negative zero error", {7, bytes("00FF"), bytes("01012C")},
            "Normal : -0.255 ppm.\r\nZero Error = -300.\r\n"},
        {"offset mode not read", {std::nullopt, bytes("0100"), bytes("000000")},
            " : +0.000 ppm.\r\nZero Error = +0.\r\n"},
        {"offset not read", {0, std::nullopt, bytes("00FFFF")}, "FineZero Error = +65535.\r\n"},
        {"nothing read", {}, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(OffsetsText(c.readings), QString::fromLatin1(c.text)) << c.name;
}

TEST(Offsets, ShownFromTheInstrument)
{
    ConfigRig rig;
    SimScenario scenario;
    scenario.eepromOverrides = {{0x0023, QByteArray::fromHex("01")}, {0x0040, QByteArray::fromHex("000C")},
        {0x0050, QByteArray::fromHex("01012C")}};
    ASSERT_TRUE(rig.start(scenario));
    const QString text = QStringLiteral("Normal : -0.012 ppm.\r\nZero Error = -300.\r\n");
    EXPECT_EQ(ShowOffsets(rig.link, rig.services), text);
    EXPECT_EQ(rig.payloads(), (QStringList{"G002301", "G004002", "G005003"}));
    ASSERT_EQ(rig.prompts.shown().size(), 1);
    EXPECT_EQ(rig.prompts.shown()[0].text, text);
    EXPECT_EQ(rig.prompts.shown()[0].icon, Prompts::Icon::Information);
}
