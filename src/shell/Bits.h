#pragma once
#include <QString>

// The two low decimal digits of a value, packed one per nibble (23 -> 0x23),
// as the instrument keeps dates and times.
quint8 ToBcd(int value);

// Upper-case hexadecimal, padded on the left with "0" to at least width digits (never cut).
QString HexL(qint64 value, int width);

// Binary digits, most significant first: 8 digits for a value below 256, else 16
// (the low 16 bits).
QString Bin(qint64 value);

// True when the bit is set; the bit number counts modulo 16 (bit 17 is bit 1).
bool BitTest(qint64 value, int bit);

// A word from its two bytes, high first: high * 256 + low.
qint32 MakeWord(quint8 high, quint8 low);

// Only the ASCII letters change; accented and other characters stay as they are.
QString ToUpper(const QString& text);
QString ToLower(const QString& text);
