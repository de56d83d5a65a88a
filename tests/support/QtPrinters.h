#pragma once
#include <QString>
#include <ostream>

// Shows QStrings as text (not as code units) in test failure messages.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
