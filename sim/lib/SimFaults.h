#pragma once
#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QSet>
#include <QString>
#include <optional>

// A fault that applies to requests whose payload begins with prefix (every
// request when empty), the first `times` of them (every one when 0).
struct SimFaultRule {
    QString prefix;
    int times = 0;
    int delayMs = 6000;  // late replies: how late
    QByteArray bytes;    // garbage: what is sent before the frame

    static SimFaultRule on(const QString& prefix, int times = 0)
    {
        SimFaultRule rule;
        rule.prefix = prefix;
        rule.times = times;
        return rule;
    }

    bool operator==(const SimFaultRule&) const = default;
};

// Faults the simulated instrument can show. All optional; none by default.
struct SimFaults {
    QSet<int> dropSlots;      // streamed slots left out of a stream
    QSet<int> corruptSlots;   // streamed slots sent with a wrong checksum
    int stopStreamAfter = -1; // a stream ends after this many slots
    int closeAfterSlots = -1; // the connection is closed after this many streamed slots
    int muteAfterSlots = -1;  // silent for good after this many streamed slots, the line still up
    int floodAfterSlots = -1; // after this many streamed slots, characters without an end character until the next request
    QList<SimFaultRule> noReply;
    QList<SimFaultRule> lateReply;
    QList<SimFaultRule> corruptReply;
    QList<SimFaultRule> garbage;
    // A matching single-slot read is answered with another slot (the next,
    // or the one before for the last).
    QList<SimFaultRule> wrongSlotReply;
    // The instrument is switched off at the `times`-th request (the first
    // when 0) that begins with prefix: that request and every later one go
    // unanswered and change nothing.
    std::optional<SimFaultRule> switchOff;

    bool any() const;
};

// "PREFIX" or "PREFIX:N" (the first N matching requests). Garbage takes
// "PREFIX:N:TEXT" too, late replies "PREFIX:N:MS". Returns false with a
// message on a malformed text.
bool ParseFaultRule(const QString& text, SimFaultRule& rule, QString* error);
// "3,5,9-12" into slot numbers.
bool ParseSlotSet(const QString& text, QSet<int>& slots, QString* error);

bool SimFaultsFromJson(const QJsonObject& json, SimFaults& faults, QString* error);
QJsonObject SimFaultsToJson(const SimFaults& faults);
