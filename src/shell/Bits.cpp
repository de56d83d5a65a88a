#include "Bits.h"

QString HexL(qint64 value, int width)
{
    QString text = QString::number(value, 16).toUpper();
    if (text.size() < width)
        text.prepend(QString(width - text.size(), QLatin1Char('0')));
    return text;
}

QString Bin(qint64 value)
{
    const int digits = value < 256 ? 8 : 16;
    QString text(digits, QLatin1Char('0'));
    for (int i = 0; i < digits; ++i) {
        if ((value >> i) & 1)
            text[digits - 1 - i] = QLatin1Char('1');
    }
    return text;
}

bool BitTest(qint64 value, int bit)
{
    const int position = ((bit % 16) + 16) % 16;
    return ((value >> position) & 1) != 0;
}

qint32 MakeWord(quint8 high, quint8 low)
{
    return qint32(high) * 256 + qint32(low);
}

namespace {

QString shiftAsciiLetters(const QString& text, char16_t from, char16_t to, int delta)
{
    QString result = text;
    for (QChar& c : result) {
        if (c.unicode() >= from && c.unicode() <= to)
            c = QChar(char16_t(c.unicode() + delta));
    }
    return result;
}

} // namespace

QString ToUpper(const QString& text) { return shiftAsciiLetters(text, u'a', u'z', 'A' - 'a'); }
QString ToLower(const QString& text) { return shiftAsciiLetters(text, u'A', u'Z', 'a' - 'A'); }

quint8 ToBcd(int value)
{
    return static_cast<quint8>(((value / 10) % 10) << 4 | (value % 10));
}
