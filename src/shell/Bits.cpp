#include "Bits.h"

QString HexL(qint64 value, int width)
{
    QString text = QString::number(value, 16).toUpper();
    if (text.size() < width)
        text.prepend(QString(width - text.size(), QLatin1Char('0')));
    return text;
}
