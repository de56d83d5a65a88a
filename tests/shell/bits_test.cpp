#include "QtPrinters.h"
#include "shell/Bits.h"

#include <gtest/gtest.h>

TEST(Bits, BinShowsEightDigitsBelow256ElseSixteen)
{
    struct Case { qint64 value; const char* digits; };
    const Case cases[] = {
        {0, "00000000"},
        {5, "00000101"},
        {255, "11111111"},
        {256, "0000000100000000"},
        {0x8001, "1000000000000001"},
        {0x1FFFF, "1111111111111111"},   // only the low 16 bits
    };
    for (const auto& c : cases)
        EXPECT_EQ(Bin(c.value), QString::fromLatin1(c.digits)) << c.value;
}

TEST(Bits, BitTestCountsTheBitModulo16)
{
    struct Case { qint64 value; int bit; bool set; };
    const Case cases[] = {
        {0b10, 1, true},
        {0b10, 0, false},
        {0b10, 17, true},       // 17 is bit 1
        {0b01, 16, true},       // 16 is bit 0
        {0x8000, 15, true},
        {0x8000, 31, true},
        {0x10000, 16, false},   // bit 16 itself is never looked at
    };
    for (const auto& c : cases)
        EXPECT_EQ(BitTest(c.value, c.bit), c.set) << c.value << " bit " << c.bit;
}

TEST(Bits, MakeWordPutsTheHighByteFirst)
{
    EXPECT_EQ(MakeWord(0x12, 0x34), 4660);
    EXPECT_EQ(MakeWord(0x00, 0xFF), 255);
    EXPECT_EQ(MakeWord(0xFF, 0xFF), 65535);   // never negative
    EXPECT_EQ(MakeWord(0x01, 0x00), 256);
}

TEST(Bits, CaseChangesOnlyAsciiLetters)
{
    struct Case { const char16_t* text; const char16_t* upper; const char16_t* lower; };
    const Case cases[] = {
        {u"abc XYZ 123", u"ABC XYZ 123", u"abc xyz 123"},
        {u"café Ärger ß", u"CAFé ÄRGER ß", u"café Ärger ß"},
        {u"[`{@", u"[`{@", u"[`{@"},   // the neighbours of the letter ranges
        {u"", u"", u""},
    };
    for (const auto& c : cases) {
        const QString text = QString::fromUtf16(c.text);
        EXPECT_EQ(ToUpper(text), QString::fromUtf16(c.upper)) << text.toStdString();
        EXPECT_EQ(ToLower(text), QString::fromUtf16(c.lower)) << text.toStdString();
    }
}

TEST(Bits, HexLPadsButNeverCuts)
{
    EXPECT_EQ(HexL(0x2E, 4), QStringLiteral("002E"));
    EXPECT_EQ(HexL(0x12345, 4), QStringLiteral("12345"));
    EXPECT_EQ(HexL(0, 0), QStringLiteral("0"));
}
