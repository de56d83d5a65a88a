#include "instrument/NumberText.h"

#include <charconv>

namespace tolviM {

template <typename Real>
static QString ShortestText(Real value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QString::fromLatin1(buffer, static_cast<int>(result.ptr - buffer));
}

QString SingleText(float value) { return ShortestText(value); }
QString DoubleText(double value) { return ShortestText(value); }

QString BooleanText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

}
