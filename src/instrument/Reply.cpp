#include "instrument/Reply.h"

#include <QString>

namespace tolviM {

QByteArray ReplyText(const QByteArray& reply, int position, int count)
{
    if (position < 1 || count <= 0 || position > reply.size())
        return {};
    return reply.mid(position - 1, count);
}

uint32_t HexUnsigned(QByteArrayView text)
{
    uint32_t value = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else
            break;
        value = value * 16 + static_cast<uint32_t>(digit);
    }
    return value;
}

int16_t HexSigned16(QByteArrayView text)
{
    return static_cast<int16_t>(static_cast<uint16_t>(HexUnsigned(text) & 0xFFFF));
}

int BcdValue(QByteArrayView text)
{
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        value = value * 10 + (c - '0');
    }
    return value;
}

int DataByte(const QByteArray& reply, int k)
{
    return static_cast<int>(HexUnsigned(ReplyText(reply, 7 + 2 * k, 2)));
}

int DataBcd(const QByteArray& reply, int k)
{
    return BcdValue(ReplyText(reply, 7 + 2 * k, 2));
}

QDate NormalisedDate(int year, int month, int day)
{
    // Month first (0 is December before), then the day as an offset from the
    // first of that month (0 is the last day of the month before).
    const int monthIndex = year * 12 + (month - 1);
    const int y = monthIndex >= 0 ? monthIndex / 12 : (monthIndex - 11) / 12;
    const int m = monthIndex - y * 12 + 1;
    return QDate(y, m, 1).addDays(day - 1);
}

QDateTime NormalisedDateTime(int year, int month, int day, int hour, int minute, int second)
{
    const QDate date = NormalisedDate(year, month, day);
    const qint64 seconds = qint64(hour) * 3600 + qint64(minute) * 60 + second;
    const qint64 days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
    const qint64 rest = seconds - days * 86400;
    return QDateTime(date.addDays(days), QTime(0, 0).addSecs(static_cast<int>(rest)));
}


}
