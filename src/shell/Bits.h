#pragma once
#include <QString>

// Upper-case hexadecimal, padded on the left with "0" to at least width digits (never cut).
QString HexL(qint64 value, int width);
