#include "config/RefreshParameters.h"

#include "link/SettingsStore.h"

#include <QRegularExpression>
#include <cmath>
#include <stdexcept>

namespace {

// What a key reads when it is missing from the file.
const QString MissingValue = QStringLiteral("-1");

struct Key {
    const char* name;
    const char* defaultText;
};
constexpr Key CyclesKey{"Cycles", "10"};
constexpr Key PrtKey{"PRT", "10"};
constexpr Key LengthKey{"Length", "20"};

QString readKey(const QString& file, const Key& key)
{
    const QString name = QString::fromLatin1(key.name);
    QString text = StoreReadText(file, RefreshSection, name, MissingValue);
    if (text == MissingValue) {
        text = QString::fromLatin1(key.defaultText);
        StoreWrite(file, RefreshSection, name, QStringLiteral("S"), text);
    }
    return text;
}

[[noreturn]] void refuse(const Key& key, const QString& text, const char* range)
{
    throw std::overflow_error(QStringLiteral("Overflow: \"%1\" in section \"%2\" of the settings file is \"%3\"; "
                                             "it must be %4")
                                  .arg(QLatin1String(key.name), RefreshSection, text, QLatin1String(range))
                                  .toStdString());
}

// A byte value: the number rounded to the nearest whole number (ties to even).
int byteValue(const Key& key, const QString& text)
{
    const double value = std::nearbyint(LeadingDecimal(text));
    if (!(value >= 0 && value <= 255))
        refuse(key, text, "0 to 255");
    return int(value);
}

} // namespace

double LeadingDecimal(QStringView text)
{
    static const QRegularExpression number(QStringLiteral(R"(^\s*([+-]?(?:\d+(?:\.\d*)?|\.\d+)))"));
    const QRegularExpressionMatch match = number.match(text.toString());
    if (!match.hasMatch())
        return 0;
    bool ok = false;
    const double value = match.captured(1).toDouble(&ok);
    return ok ? value : 0;
}

RefreshParameters ReadRefreshParameters(const QString& settingsFile)
{
    const QString cycles = readKey(settingsFile, CyclesKey);
    const QString prt = readKey(settingsFile, PrtKey);
    const QString length = readKey(settingsFile, LengthKey);

    RefreshParameters parameters;
    parameters.cycles = byteValue(CyclesKey, cycles);
    parameters.pumpRunTenths = byteValue(PrtKey, prt);
    parameters.cycleSeconds = double(float(LeadingDecimal(length)));   // kept as a single
    if (!(parameters.cycleSeconds >= 0 && parameters.cycleSeconds <= MaxCycleSeconds))
        refuse(LengthKey, length, "0 to 86400 seconds");
    return parameters;
}

QString RefreshQuestion(const RefreshParameters& parameters)
{
    // Whole minutes, not the minutes of the hour: a run of over an hour is
    // announced as, say, 85 minutes rather than 25.
    const qint64 seconds = std::llround(parameters.cycles * parameters.cycleSeconds);
    return QStringLiteral("Are you sure, the procedure will take about %1 minutes and %2 seconds to complete...")
        .arg(seconds / 60)
        .arg(seconds % 60);
}
