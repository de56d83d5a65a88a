#pragma once
#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>

// The concentrations of a summary's JSON as the printed report writes them
// (three decimals): the figures of both units, the highest rolling averages
// and the days' means and maxima.
inline QStringList ReportFigures(const QJsonObject& json)
{
    QStringList figures;
    const auto number = [&figures](const QJsonValue& v) {
        if (v.isDouble())
            figures << QString::number(v.toDouble(), 'f', 3);
    };
    for (const char* unit : {"ppm", "mgPerCubicMetre"}) {
        const QJsonObject u = json[QLatin1String(unit)].toObject();
        number(u[QStringLiteral("minimum")][QStringLiteral("value")]);
        number(u[QStringLiteral("maximum")][QStringLiteral("value")]);
        for (const char* key : {"mean", "median", "percentile95", "standardDeviation", "timeWeightedMean"})
            number(u[QLatin1String(key)]);
        for (const QJsonValue& w : u[QStringLiteral("windows")].toArray())
            number(w[QStringLiteral("highest")]);
    }
    for (const QJsonValue& d : json[QStringLiteral("days")].toArray()) {
        for (const char* key : {"meanPpm", "maxPpm", "meanMgPerCubicMetre", "maxMgPerCubicMetre"})
            number(d[QLatin1String(key)]);
    }
    return figures;
}
