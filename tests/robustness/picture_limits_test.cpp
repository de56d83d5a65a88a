// Pictures at the edges: values a double can hold but no meter reads
// (non-finite, huge, denormal, negative zero) and pictures cut short
// (unclosed quotes, a final backslash). Every case gives plain text.
#include "shell/Picture.h"

#include <QtPrinters.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

const QLocale English(QLocale::English, QLocale::UnitedStates);

QString Digits(const char* lead, int zeros, const char* tail = "")
{
    return QString::fromLatin1(lead) + QString(zeros, QLatin1Char('0')) + QString::fromLatin1(tail);
}

TEST(PictureLimits, Numbers)
{
    struct Case {
        const char* name;
        double value;
        QString picture;
        QString text;
    };
    const double denormal = std::numeric_limits<double>::denorm_min();
    const Case cases[] = {
        {"hugeWhole", 1e308, "0", Digits("1", 308)},
        {"hugeNegative", -1e308, "0", Digits("-1", 308)},
        {"hugeGrouped", 1e15, "#,##0", "1,000,000,000,000,000"},
        {"hugePercent", 1e307, "0%", Digits("1", 309, "%")},
        {"largestPercent", std::numeric_limits<double>::max(), "0%", Digits("179769313486232", 296, "%")},
        {"denormal", denormal, "0.00", "0.00"},
        {"negativeDenormal", -denormal, "0.00;(0.00)", "0.00"},
        {"negativeZero", -0.0, "0.0", "0.0"},
        {"negativeZeroOwnSection", -0.0, "0.0;(0.0);zero", "zero"},
        {"negativeZeroGeneral", -0.0, "", "0"},
        {"unclosedQuote", 12, "0\" units", "12 units"},
        {"finalBackslash", 12, "0\\", "12"},
        {"quotedSemicolon", -12, "0\";\"0;(0)", "(12)"},
        {"manyFractionPlaces", 0.5, "0." + QString(400, QLatin1Char('0')), Digits("0.5", 399)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatNumber(c.value, c.picture, English), c.text) << c.name;
}

TEST(PictureLimits, NonFiniteNumbersGiveText)
{
    const double values[] = {std::nan(""), std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity()};
    for (double value : values) {
        for (const QString& picture : {QString(), QStringLiteral("0.00"), QStringLiteral("0%;(0%)")}) {
            const QString text = FormatNumber(value, picture, English);
            EXPECT_FALSE(text.isEmpty()) << value << " " << picture.toStdString();
            EXPECT_FALSE(text.contains(QLatin1Char('0'))) << text.toStdString();
        }
    }
}

TEST(PictureLimits, Dates)
{
    struct Case {
        const char* name;
        QDateTime value;
        QString picture;
        QString text;
    };
    const QDateTime noon(QDate(2026, 12, 10), QTime(12, 0), Qt::UTC);
    const Case cases[] = {
        {"nullDateTime", QDateTime(), "yyyy-mm-dd", ""},
        {"invalidDate", QDateTime(QDate(2026, 2, 30), QTime(1, 0), Qt::UTC), "yyyy-mm-dd", ""},
        {"nullDateTimeGeneral", QDateTime(), "", ""},
        {"unclosedQuote", noon, "yyyy\"-x", "2026-x"},
        {"finalBackslash", noon, "yyyy\\", "2026"},
        {"onlyLiterals", noon, "\"no fields\"", "no fields"},
        {"longRuns", noon, "yyyyyyyy mmmmmmmm", "2026 December"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatDate(c.value, c.picture, English), c.text) << c.name;
}

TEST(PictureLimits, DayNumbersOutsideTheCalendarGiveNoText)
{
    const double values[] = {std::nan(""), std::numeric_limits<double>::infinity(), 1e300, -1e300, 2958466.5,
        -std::numeric_limits<double>::max()};
    for (double value : values)
        EXPECT_EQ(FormatDays(value, QStringLiteral("yyyy-mm-dd"), English), QString()) << value;
}

} // namespace
