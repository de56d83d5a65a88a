#pragma once
#include <QString>

// Number texts of the instrument procedures' log and history lines.
namespace tolviM {

// The shortest decimal text that reads back as the same number: a single
// gives "-0.5" or "12.7" rather than its double expansion.
QString SingleText(float value);
QString DoubleText(double value);
// "True" or "False".
QString BooleanText(bool value);

}
