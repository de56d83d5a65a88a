#include "SimFaults.h"

#include "SimSlots.h"

#include <QJsonArray>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

bool Fail(QString* error, const QString& message)
{
    if (error)
        *error = message;
    return false;
}

// A slot count, -1 for never; the range is checked on the double before it
// becomes an int.
bool CountFromJson(const QJsonObject& json, const char* name, int& count, QString* error)
{
    const QJsonValue v = json.value(QLatin1String(name));
    if (v.isUndefined())
        return true;
    const double value = v.toDouble();
    if (!v.isDouble() || !(value >= -1 && value <= std::numeric_limits<int>::max()) || value != std::floor(value))
        return Fail(error, QStringLiteral("\"%1\" must be a whole number of slots, or -1 for never").arg(QLatin1String(name)));
    count = v.toInt();
    return true;
}

bool RulesFromJson(const QJsonValue& value, const char* name, QList<SimFaultRule>& rules, QString* error)
{
    if (value.isUndefined())
        return true;
    if (!value.isArray())
        return Fail(error, QStringLiteral("faults.%1 must be a list").arg(QLatin1String(name)));
    for (const QJsonValue& item : value.toArray()) {
        SimFaultRule rule;
        if (item.isString()) {
            if (!ParseFaultRule(item.toString(), rule, error))
                return false;
        } else if (item.isObject()) {
            const QJsonObject o = item.toObject();
            rule.prefix = o.value(QLatin1String("prefix")).toString();
            rule.times = o.value(QLatin1String("times")).toInt(0);
            rule.delayMs = o.value(QLatin1String("delayMs")).toInt(rule.delayMs);
            rule.bytes = o.value(QLatin1String("text")).toString().toLatin1();
        } else {
            return Fail(error, QStringLiteral("faults.%1 holds an entry that is neither text nor object")
                                   .arg(QLatin1String(name)));
        }
        rules.append(rule);
    }
    return true;
}

QJsonArray RulesToJson(const QList<SimFaultRule>& rules)
{
    QJsonArray a;
    for (const auto& r : rules)
        a.append(QJsonObject{{QStringLiteral("prefix"), r.prefix}, {QStringLiteral("times"), r.times},
            {QStringLiteral("delayMs"), r.delayMs}, {QStringLiteral("text"), QString::fromLatin1(r.bytes)}});
    return a;
}

bool SlotSetFromJson(const QJsonValue& value, QSet<int>& slots, QString* error)
{
    if (value.isUndefined())
        return true;
    if (value.isString())
        return ParseSlotSet(value.toString(), slots, error);
    if (!value.isArray())
        return Fail(error, QStringLiteral("a slot list must be a list of numbers or a text like \"3,5-7\""));
    for (const QJsonValue& v : value.toArray())
        slots.insert(v.toInt());
    return true;
}

QJsonArray SlotSetToJson(const QSet<int>& slots)
{
    QList<int> sorted(slots.begin(), slots.end());
    std::sort(sorted.begin(), sorted.end());
    QJsonArray a;
    for (int s : sorted)
        a.append(s);
    return a;
}

} // namespace

bool SimFaults::any() const
{
    return !dropSlots.isEmpty() || !corruptSlots.isEmpty() || stopStreamAfter >= 0 || closeAfterSlots >= 0
        || muteAfterSlots >= 0 || floodAfterSlots >= 0 || !noReply.isEmpty() || !lateReply.isEmpty()
        || !corruptReply.isEmpty() || !garbage.isEmpty() || !wrongSlotReply.isEmpty() || switchOff.has_value();
}

bool ParseFaultRule(const QString& text, SimFaultRule& rule, QString* error)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    rule = {};
    rule.prefix = parts.value(0);
    if (parts.size() > 1 && !parts[1].isEmpty()) {
        bool ok = false;
        rule.times = parts[1].toInt(&ok);
        if (!ok || rule.times < 0)
            return Fail(error, QStringLiteral("\"%1\": the count after the command must be a number").arg(text));
    }
    if (parts.size() > 2) {
        const QString extra = parts.mid(2).join(QLatin1Char(':'));
        bool ok = false;
        const int ms = extra.toInt(&ok);
        if (ok)
            rule.delayMs = ms;
        rule.bytes = extra.toLatin1();
    }
    return true;
}

bool ParseSlotSet(const QString& text, QSet<int>& slots, QString* error)
{
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList ends = part.trimmed().split(QLatin1Char('-'));
        bool okFirst = false, okLast = true;
        const int first = ends.value(0).toInt(&okFirst);
        const int last = ends.size() > 1 ? ends[1].toInt(&okLast) : first;
        // Slot numbers end where the memory does; a range past it would
        // only fill memory (and one up to the largest int never ended).
        if (!okFirst || !okLast || ends.size() > 2 || last < first || first < 1 || last > MaxSimSlots)
            return Fail(error, QStringLiteral("\"%1\" is not a slot number or range from 1 to %2")
                                   .arg(part).arg(MaxSimSlots));
        for (int s = first; s <= last; ++s)
            slots.insert(s);
    }
    return true;
}

bool SimFaultsFromJson(const QJsonObject& json, SimFaults& faults, QString* error)
{
    if (!SlotSetFromJson(json.value(QLatin1String("dropSlots")), faults.dropSlots, error)
        || !SlotSetFromJson(json.value(QLatin1String("corruptSlots")), faults.corruptSlots, error))
        return false;
    const QJsonValue switchOff = json.value(QLatin1String("switchOffAt"));
    if (!switchOff.isUndefined() && !switchOff.isNull()) {
        QList<SimFaultRule> rules;
        if (!RulesFromJson(QJsonArray{switchOff}, "switchOffAt", rules, error))
            return false;
        faults.switchOff = rules.value(0);
    }
    return CountFromJson(json, "stopStreamAfter", faults.stopStreamAfter, error)
        && CountFromJson(json, "closeAfterSlots", faults.closeAfterSlots, error)
        && CountFromJson(json, "muteAfterSlots", faults.muteAfterSlots, error)
        && CountFromJson(json, "floodAfterSlots", faults.floodAfterSlots, error)
        && RulesFromJson(json.value(QLatin1String("wrongSlotReply")), "wrongSlotReply", faults.wrongSlotReply, error)
        && RulesFromJson(json.value(QLatin1String("noReply")), "noReply", faults.noReply, error)
        && RulesFromJson(json.value(QLatin1String("lateReply")), "lateReply", faults.lateReply, error)
        && RulesFromJson(json.value(QLatin1String("corruptReply")), "corruptReply", faults.corruptReply, error)
        && RulesFromJson(json.value(QLatin1String("garbage")), "garbage", faults.garbage, error);
}

QJsonObject SimFaultsToJson(const SimFaults& faults)
{
    QJsonObject json{{QStringLiteral("dropSlots"), SlotSetToJson(faults.dropSlots)},
        {QStringLiteral("corruptSlots"), SlotSetToJson(faults.corruptSlots)},
        {QStringLiteral("stopStreamAfter"), faults.stopStreamAfter},
        {QStringLiteral("closeAfterSlots"), faults.closeAfterSlots},
        {QStringLiteral("muteAfterSlots"), faults.muteAfterSlots},
        {QStringLiteral("floodAfterSlots"), faults.floodAfterSlots},
        {QStringLiteral("wrongSlotReply"), RulesToJson(faults.wrongSlotReply)},
        {QStringLiteral("noReply"), RulesToJson(faults.noReply)},
        {QStringLiteral("lateReply"), RulesToJson(faults.lateReply)},
        {QStringLiteral("corruptReply"), RulesToJson(faults.corruptReply)},
        {QStringLiteral("garbage"), RulesToJson(faults.garbage)}};
    if (faults.switchOff)
        json.insert(QStringLiteral("switchOffAt"), RulesToJson({*faults.switchOff}).at(0));
    return json;
}
