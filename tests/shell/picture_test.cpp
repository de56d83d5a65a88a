#include "QtPrinters.h"
#include "shell/Picture.h"
#include "shell/TimeConv.h"

#include <gtest/gtest.h>

namespace {

const QLocale english(QLocale::English, QLocale::UnitedStates);
const QLocale german(QLocale::German, QLocale::Germany);   // decimal comma, "." between date parts

struct Case {
    double value;
    const char* picture;
    const char* inEnglish;
    const char* inGerman;
};

} // namespace

TEST(Picture, NumbersInBothLocales)
{
    const Case cases[] = {
        {1.25, "000.000", "001.250", "001,250"},
        {-1.25, "000.000", "-001.250", "-001,250"},
        {21.5, "00.00", "21.50", "21,50"},
        {5, "#0", "5", "5"},
        {0, "#0", "0", "0"},
        {123, "#0", "123", "123"},                        // digits beyond the places are kept
        {0.05, "##0.0", "0.1", "0,1"},
        {1.5, "0.000 ppm", "1.500 ppm", "1,500 ppm"},
        {0.5, "0%", "50%", "50%"},
        {0.505, "000%", "051%", "051%"},
        {7, " 0000 : ", " 0007 : ", " 0007 : "},
        {0.0123, "+0000.0000;-0000.0000", "+0000.0123", "+0000,0123"},
        {-0.0123, "+0000.0000;-0000.0000", "-0000.0123", "-0000,0123"},
        {1.5, "+00.0;-00.0;\\ \\ 0.0", "+01.5", "+01,5"},
        {-12.8, "+00.0;-00.0;\\ \\ 0.0", "-12.8", "-12,8"},
        {0, "+00.0;-00.0;\\ \\ 0.0", "  0.0", "  0,0"},
        {0.25, "+0.000;-0.000;\\ \\-\\O\\F\\F\\-", "+0.250", "+0,250"},
        {0, "+0.000;-0.000;\\ \\-\\O\\F\\F\\-", " -OFF-", " -OFF-"},
        {-0.0001, "+0.000;-0.000;\\ \\-\\O\\F\\F\\-", " -OFF-", " -OFF-"},   // shows as zero
        {1234.5, "####0.00", "1234.50", "1234,50"},
        {0.5, "####0.00", "0.50", "0,50"},
        {4660, "0", "4660", "4660"},
        {-7, "0", "-7", "-7"},
        {1.68, "V0.00", "V1.68", "V1,68"},
        {-1, "+00;-00", "-01", "-01"},
        {2, "+00;-00", "+02", "+02"},
        {1, "000.", "001.", "001,"},                      // the point shows without decimals
        {15, "#au", "15au", "15au"},
        {0, "#au", "au", "au"},
        {21, "0oC", "21oC", "21oC"},
        {1.5, "#0.0 sec", "1.5 sec", "1,5 sec"},
        {12.3456, "0.000 ppb/s", "12.346 ppb/s", "12,346 ppb/s"},
        {1234567890, "0000000000", "1234567890", "1234567890"},
        {12345678, "#,##0", "12,345,678", "12.345.678"},
        {3, "\"n=\"0", "n=3", "n=3"},
        {1.5, "0.0#", "1.5", "1,5"},
        {1.5, "0.", "2.", "2,"},
        {1.25, "0.#", "1.3", "1,3"},
        {0.5, ".00", ".50", ",50"},
    };
    for (const auto& c : cases) {
        const QString picture = QString::fromLatin1(c.picture);
        EXPECT_EQ(FormatNumber(c.value, picture, english), QString::fromUtf8(c.inEnglish)) << c.picture << " " << c.value;
        EXPECT_EQ(FormatNumber(c.value, picture, german), QString::fromUtf8(c.inGerman)) << c.picture << " " << c.value;
    }
}

TEST(Picture, NumbersRoundHalfAwayFromZeroOnTheDecimalValue)
{
    struct Rounding { double value; const char* picture; const char* text; };
    const Rounding cases[] = {
        {2.5, "0", "3"},
        {-2.5, "0", "-3"},
        {0.125, "0.00", "0.13"},
        {1.005, "0.00", "1.01"},        // 1.00499999... in binary, 1.005 as written
        {99.96, "00.0", "100.0"},       // the carry adds a digit
        {9.9999, "0.000", "10.000"},
        {-0.0004, "0.000", "0.000"},    // no "-" on a value that shows as zero
        {1e-20, "0.00", "0.00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatNumber(c.value, QString::fromLatin1(c.picture), english), QString::fromLatin1(c.text))
            << c.picture << " " << c.value;
}

TEST(Picture, DatesInBothLocales)
{
    const QDateTime afternoon(QDate(2026, 12, 4), QTime(13, 5, 9));   // a Friday
    const Case cases[] = {
        {0, "DD-MMM-YYYY", "04-Dec-2026", "04-Dez-2026"},
        {0, "DD/MM/YY", "04/12/26", "04.12.26"},
        {0, "MM/DD/YY", "12/04/26", "12.04.26"},
        {0, "dd-mmm-yyyy,hh:nn:ss", "04-Dec-2026,13:05:09", "04-Dez-2026,13:05:09"},
        {0, "dd-mmm-yyyy, HH:NN:SS", "04-Dec-2026, 13:05:09", "04-Dez-2026, 13:05:09"},
        {0, "yymmddhhmmss", "261204130509", "261204130509"},
        {0, "yymmddhhnnss", "261204130509", "261204130509"},
        {0, "ddhhmmss", "04130509", "04130509"},
        {0, "hh:mm:ss", "13:05:09", "13:05:09"},
        {0, "HH:NN:SS", "13:05:09", "13:05:09"},
        {0, "HH:NN", "13:05", "13:05"},
        {0, "mm:ss", "05:09", "05:09"},                          // minutes before seconds
        {0, "-hh:mm:ss", "-13:05:09", "-13:05:09"},
        {0, "DDD DD-MMM-YYYY HH:NN:SS", "Fri 04-Dec-2026 13:05:09", "Fr 04-Dez-2026 13:05:09"},
        {0, "dd mmm yyyy hh:mm:ss", "04 Dec 2026 13:05:09", "04 Dez 2026 13:05:09"},
        {0, "dd-MMM-YYYY HH:NN:SS", "04-Dec-2026 13:05:09", "04-Dez-2026 13:05:09"},
        {0, "N", "5", "5"},
        {0, "S", "9", "9"},
        {0, "d/m/yyyy h:n:s", "4/12/2026 13:5:9", "4.12.2026 13:5:9"},
        {0, "h:nn AM/PM", "1:05 PM", "1:05 PM"},
        {0, "\\hh \"dd\" dd", "h13 dd 04", "h13 dd 04"},
        {0, "", "12/4/26 1:05:09 PM", "04.12.26 13:05:09"},     // the general form
    };
    for (const auto& c : cases) {
        const QString picture = QString::fromLatin1(c.picture);
        EXPECT_EQ(FormatDate(afternoon, picture, english), QString::fromUtf8(c.inEnglish)) << c.picture;
        EXPECT_EQ(FormatDate(afternoon, picture, german), QString::fromUtf8(c.inGerman)) << c.picture;
    }
}

TEST(Picture, SingleDigitFieldsAndTwelveHourClock)
{
    const QDateTime morning(QDate(2026, 7, 3), QTime(8, 7, 6));
    struct Single { const char* picture; const char* text; };
    const Single cases[] = {
        {"h:mm:ss", "8:07:06"},
        {"hh:mm:ss", "08:07:06"},
        {"d-m-yy", "3-7-26"},
        {"h a/p", "8 a"},
        {"y q w", "184 3 6"},     // day of the year, quarter, weekday (Sunday 1)
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatDate(morning, QString::fromLatin1(c.picture), english), QString::fromLatin1(c.text)) << c.picture;
    EXPECT_EQ(FormatDate(QDateTime(QDate(2026, 7, 3), QTime(0, 30)), QStringLiteral("h:nn AM/PM"), english),
        QStringLiteral("12:30 AM"));
}

TEST(Picture, GeneralFormLeavesOutMidnightAndTheZeroDate)
{
    EXPECT_EQ(FormatDate(QDateTime(QDate(2026, 12, 4), QTime(0, 0)), {}, english), QStringLiteral("12/4/26"));
    EXPECT_EQ(FormatDate(QDateTime(QDate(1899, 12, 30), QTime(13, 5, 9)), {}, german), QStringLiteral("13:05:09"));
    EXPECT_EQ(FormatDate(QDateTime(), QStringLiteral("hh:mm:ss"), english), QString());
}

TEST(Picture, TimesRoundToTheSecondCarryingIntoTheDate)
{
    EXPECT_EQ(FormatDate(QDateTime(QDate(2026, 12, 4), QTime(13, 5, 9, 600)), QStringLiteral("hh:nn:ss"), english),
        QStringLiteral("13:05:10"));
    EXPECT_EQ(FormatDate(QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59, 700)),
                  QStringLiteral("dd-mmm-yyyy hh:nn:ss"), english),
        QStringLiteral("01-Jan-2027 00:00:00"));
}

TEST(Picture, DayNumbersAndDurations)
{
    struct Days { double days; const char* picture; const char* text; };
    const Days cases[] = {
        {kUnixEpochDayNumber + 0.5, "dd-mmm-yyyy hh:nn:ss", "01-Jan-1970 12:00:00"},
        {-1.25, "dd-mmm-yyyy hh:nn:ss", "29-Dec-1899 06:00:00"},
        {7.0 * 13.0 / 86400.0, "N", "1"},          // 91 seconds computed in days
        {7.0 * 13.0 / 86400.0, "S", "31"},
        {0.0015, "hh:mm:ss", "00:02:10"},           // 129.6 seconds
        {0.0015, "+hh:mm:ss", "+00:02:10"},
        {1e300, "hh:mm:ss", ""},                     // no calendar date
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatDays(c.days, QString::fromLatin1(c.picture), english), QString::fromLatin1(c.text))
            << c.picture << " " << c.days;
}
