#include "Picture.h"
#include "TimeConv.h"

#include <QStringList>
#include <algorithm>
#include <cmath>
#include <optional>

namespace {

// ---- shared picture scanning --------------------------------------------------

// A literal at position i ("\x" or a double-quoted text): its text and the
// position after it; nullopt when position i starts no literal.
std::optional<std::pair<QString, qsizetype>> literalAt(const QString& picture, qsizetype i)
{
    const QChar c = picture[i];
    if (c == QLatin1Char('\\')) {
        if (i + 1 < picture.size())
            return std::pair{QString(picture[i + 1]), i + 2};
        return std::pair{QString(), i + 1};
    }
    if (c == QLatin1Char('"')) {
        const qsizetype close = picture.indexOf(QLatin1Char('"'), i + 1);
        const qsizetype end = close < 0 ? picture.size() : close;
        return std::pair{picture.mid(i + 1, end - i - 1), close < 0 ? end : end + 1};
    }
    return std::nullopt;
}

QStringList splitSections(const QString& picture)
{
    QStringList sections;
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < picture.size()) {
        if (const auto literal = literalAt(picture, i)) {
            i = literal->second;
        } else if (picture[i] == QLatin1Char(';')) {
            sections << picture.mid(start, i - start);
            start = ++i;
        } else {
            ++i;
        }
    }
    sections << picture.mid(start);
    return sections;
}

QString separatorIn(const QString& format, const QString& fallback)
{
    bool inQuote = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\''))
            inQuote = !inQuote;
        else if (!inQuote && !c.isLetter())
            return c.isSpace() ? fallback : QString(c);
    }
    return fallback;
}

// ---- numbers ------------------------------------------------------------------

struct NumberToken {
    enum Kind { Literal, Digit, Point, Percent } kind;
    QString text;        // Literal
    bool zero = false;   // Digit: "0" (always shown) rather than "#"
};

struct NumberPicture {
    QList<NumberToken> tokens;
    int integerPlaces = 0;
    int minIntegerDigits = 0;   // places from the first "0" before the point
    int fractionPlaces = 0;
    int minFractionDigits = 0;  // places up to the last "0" after the point
    bool percent = false;
    bool grouping = false;
};

bool isDigitPlace(QChar c) { return c == QLatin1Char('0') || c == QLatin1Char('#'); }

NumberPicture parseNumberPicture(const QString& section)
{
    NumberPicture picture;
    bool afterPoint = false;
    int firstZero = -1;
    qsizetype i = 0;
    while (i < section.size()) {
        const QChar c = section[i];
        if (const auto literal = literalAt(section, i)) {
            picture.tokens.append(NumberToken{NumberToken::Literal, literal->first});
            i = literal->second;
            continue;
        }
        if (isDigitPlace(c)) {
            const bool zero = c == QLatin1Char('0');
            picture.tokens.append(NumberToken{NumberToken::Digit, {}, zero});
            if (afterPoint) {
                ++picture.fractionPlaces;
                if (zero)
                    picture.minFractionDigits = picture.fractionPlaces;
            } else {
                if (zero && firstZero < 0)
                    firstZero = picture.integerPlaces;
                ++picture.integerPlaces;
            }
        } else if (c == QLatin1Char('.') && !afterPoint) {
            afterPoint = true;
            picture.tokens.append(NumberToken{NumberToken::Point, {}});
        } else if (c == QLatin1Char('%')) {
            picture.percent = true;
            picture.tokens.append(NumberToken{NumberToken::Percent, {}});
        } else if (c == QLatin1Char(',') && !afterPoint && picture.integerPlaces > 0
            && i + 1 < section.size() && isDigitPlace(section[i + 1])) {
            picture.grouping = true;
        } else {
            picture.tokens.append(NumberToken{NumberToken::Literal, QString(c)});
        }
        ++i;
    }
    if (firstZero >= 0)
        picture.minIntegerDigits = picture.integerPlaces - firstZero;
    return picture;
}

// A non-negative value as decimal digits, rounded half away from zero to
// fractionDigits places after the point, from its first 15 significant digits.
struct DecimalDigits {
    QString integer;   // without leading zeros; empty for zero
    QString fraction;  // exactly fractionDigits long
    bool isZero() const
    {
        return integer.isEmpty() && std::all_of(fraction.begin(), fraction.end(),
                                        [](QChar c) { return c == QLatin1Char('0'); });
    }
};

DecimalDigits roundToDigits(double value, int fractionDigits)
{
    const QString scientific = QString::number(value, 'e', 14);  // d.dddddddddddddde+XX
    const qsizetype exponentAt = scientific.indexOf(QLatin1Char('e'));
    QString digits = scientific.left(exponentAt).remove(QLatin1Char('.'));
    qsizetype point = scientific.mid(exponentAt + 1).toInt() + 1;
    if (point < 1) {
        digits.prepend(QString(1 - point, QLatin1Char('0')));
        point = 1;
    }
    const qsizetype keep = point + fractionDigits;
    if (digits.size() < keep)
        digits.append(QString(keep - digits.size(), QLatin1Char('0')));
    if (digits.size() > keep) {
        const bool roundUp = digits[keep] >= QLatin1Char('5');
        digits.truncate(keep);
        for (qsizetype k = keep - 1; roundUp && k >= 0; --k) {
            if (digits[k] == QLatin1Char('9')) {
                digits[k] = QLatin1Char('0');
                if (k == 0) {
                    digits.prepend(QLatin1Char('1'));
                    ++point;
                }
            } else {
                digits[k] = QChar(digits[k].unicode() + 1);
                break;
            }
        }
    }
    DecimalDigits result;
    result.integer = digits.left(point);
    while (result.integer.startsWith(QLatin1Char('0')))
        result.integer.remove(0, 1);
    result.fraction = digits.mid(point);
    return result;
}

QString groupThousands(const QString& digits, const QLocale& locale)
{
    QString grouped;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += locale.groupSeparator();
        grouped += digits[i];
    }
    return grouped;
}

QString renderNumber(const NumberPicture& picture, const DecimalDigits& digits, const QLocale& locale)
{
    QString integer = digits.integer;
    if (integer.size() < picture.minIntegerDigits)
        integer.prepend(QString(picture.minIntegerDigits - integer.size(), QLatin1Char('0')));
    QString fraction = digits.fraction;
    while (fraction.size() > picture.minFractionDigits && fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);

    // Integer digits fill their places from the right; digits beyond the places go
    // in front of the first place, so a number is never cut.
    const qsizetype overflow = qMax<qsizetype>(0, integer.size() - picture.integerPlaces);
    QString text;
    int integerPlace = 0;
    int fractionPlace = 0;
    bool afterPoint = false;
    for (const NumberToken& token : picture.tokens) {
        switch (token.kind) {
        case NumberToken::Literal: text += token.text; break;
        case NumberToken::Percent: text += QLatin1Char('%'); break;
        case NumberToken::Point:
            if (picture.integerPlaces == 0)
                text += integer;
            text += locale.decimalPoint();
            afterPoint = true;
            break;
        case NumberToken::Digit:
            if (afterPoint) {
                if (fractionPlace < fraction.size())
                    text += fraction[fractionPlace];
                ++fractionPlace;
            } else if (picture.grouping) {
                if (integerPlace++ == 0)
                    text += groupThousands(integer, locale);
            } else {
                if (integerPlace == 0)
                    text += integer.left(overflow);
                const qsizetype at = integer.size() - picture.integerPlaces + integerPlace;
                if (at >= 0)
                    text += integer[at];
                ++integerPlace;
            }
            break;
        }
    }
    return text;
}

QString formatSection(double magnitude, const QString& section, const QLocale& locale, bool* showsZero)
{
    const NumberPicture picture = parseNumberPicture(section);
    const double scaled = picture.percent ? magnitude * 100.0 : magnitude;
    const DecimalDigits digits = roundToDigits(scaled, picture.fractionPlaces);
    if (showsZero)
        *showsZero = digits.isZero();
    return renderNumber(picture, digits, locale);
}

// ---- dates --------------------------------------------------------------------

struct DateToken {
    enum Kind { Literal, Field, AmPm, DateSep, TimeSep } kind;
    QString text;        // Literal; AmPm: the picture's marker ("AM/PM", "a/p", ...)
    QChar field;         // Field: lower-case letter
    int count = 0;       // Field: letters in the run
    bool minute = false; // Field "m": minutes rather than month
};

bool isDateField(QChar c) { return QStringLiteral("dwmyhnsqc").contains(c.toLower()); }

QList<DateToken> parseDatePicture(const QString& picture)
{
    static const QStringList ampmMarkers = {QStringLiteral("am/pm"), QStringLiteral("a/p"),
        QStringLiteral("ampm")};
    QList<DateToken> tokens;
    qsizetype i = 0;
    while (i < picture.size()) {
        if (const auto literal = literalAt(picture, i)) {
            tokens.append(DateToken{DateToken::Literal, literal->first, {}});
            i = literal->second;
            continue;
        }
        const QChar c = picture[i];
        bool isAmPm = false;
        for (const QString& marker : ampmMarkers) {
            if (picture.mid(i, marker.size()).compare(marker, Qt::CaseInsensitive) == 0) {
                tokens.append(DateToken{DateToken::AmPm, picture.mid(i, marker.size()), {}});
                i += marker.size();
                isAmPm = true;
                break;
            }
        }
        if (isAmPm)
            continue;
        if (isDateField(c)) {
            qsizetype end = i;
            while (end < picture.size() && picture[end].toLower() == c.toLower())
                ++end;
            tokens.append(DateToken{DateToken::Field, {}, c.toLower(), int(end - i)});
            i = end;
        } else if (c == QLatin1Char('/')) {
            tokens.append(DateToken{DateToken::DateSep, {}, {}});
            ++i;
        } else if (c == QLatin1Char(':')) {
            tokens.append(DateToken{DateToken::TimeSep, {}, {}});
            ++i;
        } else {
            tokens.append(DateToken{DateToken::Literal, QString(c), {}});
            ++i;
        }
    }
    // "m" and "mm" mean minutes right after an hour or right before a second.
    auto fieldNear = [&tokens](qsizetype from, int step) -> QChar {
        for (qsizetype k = from + step; k >= 0 && k < tokens.size(); k += step) {
            if (tokens[k].kind == DateToken::Field)
                return tokens[k].field;
        }
        return {};
    };
    for (qsizetype k = 0; k < tokens.size(); ++k) {
        DateToken& token = tokens[k];
        if (token.kind == DateToken::Field && token.field == QLatin1Char('m') && token.count <= 2)
            token.minute = fieldNear(k, -1) == QLatin1Char('h') || fieldNear(k, +1) == QLatin1Char('s');
    }
    return tokens;
}

QString number(int value, int count)
{
    return count >= 2 ? QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')) : QString::number(value);
}

QString longTimeFormat(const QLocale& locale)
{
    // The locale's long time without its time-zone name.
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    return format.trimmed();
}

QString generalForm(const QDate& date, const QTime& time, const QLocale& locale)
{
    const bool zeroDate = date == ZeroDate().date();
    const bool midnight = time == QTime(0, 0);
    const QString dateText = locale.toString(date, QLocale::ShortFormat);
    const QString timeText = locale.toString(time, longTimeFormat(locale));
    if (zeroDate)
        return timeText;
    if (midnight)
        return dateText;
    return dateText + QLatin1Char(' ') + timeText;
}

QString renderField(const DateToken& token, const QDate& date, const QTime& time, bool twelveHour,
    const QLocale& locale)
{
    const int n = token.count;
    switch (token.field.unicode()) {
    case 'd':
        if (n <= 2) return number(date.day(), n);
        if (n == 3) return locale.standaloneDayName(date.dayOfWeek(), QLocale::ShortFormat);
        if (n == 4) return locale.standaloneDayName(date.dayOfWeek(), QLocale::LongFormat);
        if (n == 5) return locale.toString(date, QLocale::ShortFormat);
        return locale.toString(date, QLocale::LongFormat);
    case 'w': return QString::number(date.dayOfWeek() % 7 + 1);
    case 'm':
        if (token.minute) return number(time.minute(), n);
        if (n <= 2) return number(date.month(), n);
        if (n == 3) return locale.standaloneMonthName(date.month(), QLocale::ShortFormat);
        return locale.standaloneMonthName(date.month(), QLocale::LongFormat);
    case 'y':
        if (n == 1) return QString::number(date.dayOfYear());
        if (n == 2) return number(date.year() % 100, 2);
        return QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0'));
    case 'h': {
        int hour = time.hour();
        if (twelveHour)
            hour = hour % 12 == 0 ? 12 : hour % 12;
        return number(hour, n);
    }
    case 'n': return number(time.minute(), n);
    case 's': return number(time.second(), n);
    case 'q': return QString::number((date.month() + 2) / 3);
    case 'c': return generalForm(date, time, locale);
    }
    return {};
}

QString ampmText(const QString& marker, const QTime& time, const QLocale& locale)
{
    const bool pm = time.hour() >= 12;
    if (marker.compare(QStringLiteral("ampm"), Qt::CaseInsensitive) == 0)
        return pm ? locale.pmText() : locale.amText();
    // "AM/PM", "a/p": the half before or after the slash, in the picture's case.
    const qsizetype slash = marker.indexOf(QLatin1Char('/'));
    return pm ? marker.mid(slash + 1) : marker.left(slash);
}

QString formatFields(QDate date, QTime time, const QString& picture, const QLocale& locale)
{
    // Round to the whole second, carrying into the date.
    const QDateTime rounded = QDateTime(date, time, Qt::UTC).addMSecs(time.msec() >= 500 ? 1000 - time.msec() : -time.msec());
    date = rounded.date();
    time = rounded.time();
    if (picture.isEmpty())
        return generalForm(date, time, locale);

    const QList<DateToken> tokens = parseDatePicture(picture);
    const bool twelveHour = std::any_of(tokens.begin(), tokens.end(),
        [](const DateToken& t) { return t.kind == DateToken::AmPm; });
    QString text;
    for (const DateToken& token : tokens) {
        switch (token.kind) {
        case DateToken::Literal: text += token.text; break;
        case DateToken::DateSep: text += DateSeparator(locale); break;
        case DateToken::TimeSep: text += TimeSeparator(locale); break;
        case DateToken::AmPm: text += ampmText(token.text, time, locale); break;
        case DateToken::Field: text += renderField(token, date, time, twelveHour, locale); break;
        }
    }
    return text;
}

} // namespace

QString FormatNumber(double value, const QString& picture, const QLocale& locale)
{
    if (!std::isfinite(value))
        return locale.toString(value);
    if (picture.isEmpty())
        return locale.toString(value, 'g', 15);

    const QStringList sections = splitSections(picture);
    const bool negative = value < 0;
    const bool ownNegativeSection = negative && sections.size() >= 2 && !sections[1].isEmpty();
    bool showsZero = false;
    const QString text = formatSection(std::fabs(value), sections[ownNegativeSection ? 1 : 0], locale, &showsZero);
    if (showsZero) {
        // A value that shows as zero takes the zero section, else the positive one, unsigned.
        const bool zeroSection = sections.size() >= 3 && !sections[2].isEmpty();
        return formatSection(0.0, sections[zeroSection ? 2 : 0], locale, nullptr);
    }
    return negative && !ownNegativeSection ? QLatin1Char('-') + text : text;
}

QString FormatDate(const QDateTime& value, const QString& picture, const QLocale& locale)
{
    if (!value.isValid())
        return {};
    return formatFields(value.date(), value.time(), picture, locale);
}

QString FormatDays(double dayNumber, const QString& picture, const QLocale& locale)
{
    const QDateTime fields = FromDayNumber(dayNumber, Qt::UTC);
    if (!fields.isValid())
        return {};
    return formatFields(fields.date(), fields.time(), picture, locale);
}

QString DateSeparator(const QLocale& locale)
{
    return separatorIn(locale.dateFormat(QLocale::ShortFormat), QStringLiteral("/"));
}

QString TimeSeparator(const QLocale& locale)
{
    return separatorIn(locale.timeFormat(QLocale::ShortFormat), QStringLiteral(":"));
}
