#include "SimScenario.h"

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTimeZone>

#include <cctype>
#include <cmath>

namespace {

qint64 Utc(int y, int m, int d, int hh, int mm)
{
    return QDateTime(QDate(y, m, d), QTime(hh, mm), QTimeZone::utc()).toSecsSinceEpoch();
}

QByteArray Hex(const char* text) { return QByteArray::fromHex(text); }

bool IsWholeIn(double value, double low, double high)
{
    return value >= low && value <= high && value == std::floor(value);
}

// Reads the JSON object field by field, keeping the first error.
class Reader {
public:
    explicit Reader(QString* error) : error_(error) {}
    bool ok() const { return ok_; }
    bool fail(const QString& message)
    {
        if (ok_ && error_)
            *error_ = message;
        ok_ = false;
        return false;
    }

    void integer(const QJsonObject& o, const char* key, int& out, int low, int high)
    {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined())
            return;
        // The range is checked on the double itself: casting one outside
        // qint64 first is undefined.
        if (!v.isDouble() || !IsWholeIn(v.toDouble(), low, high))
            fail(QStringLiteral("\"%1\" must be a whole number from %2 to %3").arg(QLatin1String(key)).arg(low).arg(high));
        else
            out = v.toInt();
    }
    void boolean(const QJsonObject& o, const char* key, bool& out)
    {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined())
            return;
        if (!v.isBool())
            fail(QStringLiteral("\"%1\" must be true or false").arg(QLatin1String(key)));
        else
            out = v.toBool();
    }
    void number(const QJsonObject& o, const char* key, double& out)
    {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined())
            return;
        if (!v.isDouble())
            fail(QStringLiteral("\"%1\" must be a number").arg(QLatin1String(key)));
        else
            out = v.toDouble();
    }
    void text(const QJsonObject& o, const char* key, QString& out)
    {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined())
            return;
        if (!v.isString())
            fail(QStringLiteral("\"%1\" must be text").arg(QLatin1String(key)));
        else
            out = v.toString();
    }
    // Hexadecimal bytes; size -1 takes any even length.
    void hex(const QJsonObject& o, const char* key, QByteArray& out, int size = -1)
    {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined())
            return;
        QByteArray bytes;
        if (!hexBytes(v, bytes) || (size >= 0 && bytes.size() != size))
            fail(size >= 0 ? QStringLiteral("\"%1\" must be %2 bytes in hexadecimal").arg(QLatin1String(key)).arg(size)
                           : QStringLiteral("\"%1\" must be bytes in hexadecimal").arg(QLatin1String(key)));
        else
            out = bytes;
    }
    void date(const QJsonObject& o, const char* key, QDate& out)
    {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined())
            return;
        if (v.isNull()) {
            out = QDate();
            return;
        }
        const QDate d = QDate::fromString(v.toString(), Qt::ISODate);
        if (!d.isValid() || d.year() < 2000 || d.year() > 2099)
            fail(QStringLiteral("\"%1\" must be a date YYYY-MM-DD between 2000 and 2099, or null").arg(QLatin1String(key)));
        else
            out = d;
    }
    void time(const QJsonObject& o, const char* key, qint64& out)
    {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined())
            return;
        const auto t = SimTimeFromJson(v);
        if (!t)
            fail(QStringLiteral("\"%1\" must be a UTC time YYYY-MM-DDThh:mm:ssZ or seconds since 1970").arg(QLatin1String(key)));
        else
            out = *t;
    }

    // A part of the file that groups fields; absent reads as empty.
    QJsonObject section(const QJsonObject& o, const char* key)
    {
        const QJsonValue v = o.value(QLatin1String(key));
        if (!v.isUndefined() && !v.isObject())
            fail(QStringLiteral("\"%1\" must be an object").arg(QLatin1String(key)));
        return v.toObject();
    }
    // A list field; absent reads as empty.
    QJsonArray list(const QJsonObject& o, const char* key)
    {
        const QJsonValue v = o.value(QLatin1String(key));
        if (!v.isUndefined() && !v.isArray())
            fail(QStringLiteral("\"%1\" must be a list").arg(QLatin1String(key)));
        return v.toArray();
    }

    static bool hexBytes(const QJsonValue& v, QByteArray& out)
    {
        if (!v.isString())
            return false;
        QByteArray text = v.toString().toLatin1();
        text.replace(' ', "");
        if (text.size() % 2 != 0)
            return false;
        for (char c : text)
            if (!std::isxdigit(static_cast<unsigned char>(c)))
                return false;
        out = QByteArray::fromHex(text);
        return true;
    }

private:
    QString* error_;
    bool ok_ = true;
};

SimSlotEntry SlotFromJson(Reader& r, const QJsonObject& o)
{
    SimSlotEntry s;
    r.hex(o, "raw", s.raw, 16);
    QString kind;
    r.text(o, "kind", kind);
    if (!kind.isEmpty()) {
        const auto k = SimSlotKindFromName(kind);
        if (!k)
            r.fail(QStringLiteral("unknown slot kind \"%1\"").arg(kind));
        else
            s.kind = *k;
    }
    r.time(o, "time", s.time);
    r.number(o, "ppm", s.ppm);
    r.integer(o, "mode", s.mode, 0, 3);
    r.integer(o, "limit", s.limit, 1, 4);
    r.number(o, "temperature", s.temperature);
    r.number(o, "humidity", s.humidity);
    r.number(o, "tenths", s.tenths);
    return s;
}

QList<int> IntList(Reader& r, const QJsonObject& o, const char* key, int low, int high)
{
    QList<int> list;
    for (const QJsonValue& item : r.list(o, key)) {
        if (!item.isDouble() || !IsWholeIn(item.toDouble(), low, high)) {
            r.fail(QStringLiteral("\"%1\" holds a value that is not a whole number from %2 to %3")
                       .arg(QLatin1String(key)).arg(low).arg(high));
            return {};
        }
        list.append(item.toInt());
    }
    return list;
}

SimSlotRun RunFromJson(Reader& r, const QJsonObject& o)
{
    SimSlotRun run;
    r.integer(o, "count", run.count, 0, 65535);
    r.time(o, "start", run.start);
    r.integer(o, "intervalSeconds", run.interval, 1, 86400 * 366);
    int seed = 1;
    r.integer(o, "seed", seed, 0, 1 << 30);
    run.seed = static_cast<unsigned>(seed);
    for (const QJsonValue& k : r.list(o, "kinds")) {
        const auto kind = SimSlotKindFromName(k.toString());
        if (!kind)
            r.fail(QStringLiteral("unknown slot kind \"%1\"").arg(k.toString()));
        else
            run.kinds.append(*kind);
    }
    run.modes = IntList(r, o, "modes", 0, 3);
    run.limits = IntList(r, o, "limits", 1, 4);
    return run;
}

void ReadSlots(Reader& r, const QJsonObject& scenario, QList<SimSlotEntry>& slots)
{
    for (const QJsonValue& item : r.list(scenario, "slots")) {
        const QJsonObject o = item.toObject();
        if (item.isString()) { // a raw slot, 32 hexadecimal digits
            SimSlotEntry s;
            if (!Reader::hexBytes(item, s.raw) || s.raw.size() != 16)
                r.fail(QStringLiteral("a raw slot must be 32 hexadecimal digits"));
            slots.append(s);
        } else if (!item.isObject()) {
            r.fail(QStringLiteral("each of \"slots\" must be a raw slot in hexadecimal or an object"));
        } else if (o.contains(QLatin1String("generate"))) {
            const QJsonObject run = r.section(o, "generate");
            if (r.ok())
                slots.append(GenerateSlots(RunFromJson(r, run)));
        } else {
            slots.append(SlotFromJson(r, o));
        }
        // More than an instrument holds would only cost memory: a few
        // generated runs could otherwise ask for gigabytes.
        if (slots.size() > MaxSimSlots)
            r.fail(QStringLiteral("\"slots\" holds more than %1 slots").arg(MaxSimSlots));
        if (!r.ok())
            return;
    }
}

void ReadSchedule(Reader& r, const QJsonObject& o, SimSchedule& s)
{
    r.integer(o, "config", s.config, 0, 255);
    r.integer(o, "weekMask", s.weekMask, 0, 255);
    r.integer(o, "frequency", s.frequency, 0, 255);
    r.integer(o, "startMinutes", s.startMinutes, 0, 65535);
    r.integer(o, "lengthMinutes", s.lengthMinutes, -1, 65534);
    r.integer(o, "counter", s.counter, -32768, 65535);
    r.boolean(o, "enabled", s.enabled);
    if (o.contains(QLatin1String("state"))) {
        int state = 0;
        r.integer(o, "state", state, 0, 255);
        s.state = state;
    }
    r.hex(o, "block", s.block, 11);
}

void ReadEventLogs(Reader& r, const QJsonObject& scenario, QList<SimEventLogEntry>& logs)
{
    for (const QJsonValue& item : r.list(scenario, "eventLogs")) {
        if (!item.isObject()) {
            r.fail(QStringLiteral("each of \"eventLogs\" must be an object"));
            return;
        }
        const QJsonObject o = item.toObject();
        SimEventLogEntry e;
        r.integer(o, "log", e.log, 0, 4);
        r.integer(o, "entry", e.entry, 0, 7);
        r.time(o, "time", e.time);
        r.hex(o, "bytes", e.bytes);
        logs.append(e);
    }
}

void ReadEepromOverrides(Reader& r, const QJsonValue& v, QMap<int, QByteArray>& overrides)
{
    if (v.isUndefined())
        return;
    if (!v.isObject()) {
        r.fail(QStringLiteral("\"eeprom\" must map addresses to hexadecimal bytes"));
        return;
    }
    const QJsonObject o = v.toObject();
    for (auto it = o.begin(); it != o.end(); ++it) {
        bool ok = false;
        QString key = it.key();
        if (key.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
            key = key.mid(2);
        const int address = key.toInt(&ok, 16);
        QByteArray bytes;
        if (!ok || address < 0 || address > 0x3FF || !Reader::hexBytes(it.value(), bytes))
            r.fail(QStringLiteral("\"eeprom\": \"%1\" must be an address 0000-03FF with hexadecimal bytes").arg(it.key()));
        else
            overrides.insert(address, bytes);
    }
}

} // namespace

std::optional<qint64> SimTimeFromJson(const QJsonValue& value)
{
    // Seconds up to the last second of year 9999, checked before the cast.
    constexpr double latest = 253402300799.0;
    if (value.isDouble()) {
        const double seconds = value.toDouble();
        if (!(std::fabs(seconds) <= latest))
            return std::nullopt;
        return static_cast<qint64>(seconds);
    }
    QDateTime t = QDateTime::fromString(value.toString(), Qt::ISODate);
    if (!t.isValid())
        return std::nullopt;
    if (t.timeSpec() == Qt::LocalTime)
        t.setTimeZone(QTimeZone::utc());
    return t.toSecsSinceEpoch();
}

std::optional<SimScenario> SimScenarioFromJson(const QByteArray& json, QString* error)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (doc.isNull() || !doc.isObject()) {
        if (error)
            *error = doc.isNull() ? QStringLiteral("not valid JSON: %1 at offset %2")
                                        .arg(parseError.errorString()).arg(parseError.offset)
                                  : QStringLiteral("the scenario must be a JSON object");
        return std::nullopt;
    }
    const QJsonObject o = doc.object();
    SimScenario s;
    Reader r(error);

    const QJsonObject id = r.section(o, "identity");
    r.text(id, "firmware", s.firmware);
    r.text(id, "firmwareLong", s.firmwareLong);
    int serial = int(s.serial);
    r.integer(id, "serial", serial, 0, 0xFFFFFF);
    s.serial = quint32(serial);
    r.integer(id, "serialType", s.serialType, 0, 255);
    r.integer(id, "usage", s.usage, -32768, 65535);

    const QJsonObject dates = r.section(o, "dates");
    r.date(dates, "manufactured", s.manufactured);
    r.date(dates, "calibrated", s.calibrated);
    r.date(dates, "serviced", s.serviced);
    r.date(dates, "fourth", s.fourthDate);

    const QJsonObject m = r.section(o, "measurement");
    r.integer(m, "mode", s.mode, 0, 255);
    r.integer(m, "limit", s.limit, 0, 255);
    if (m.contains(QLatin1String("mgmFactorStep")) && !m.value(QLatin1String("mgmFactorStep")).isNull()) {
        int step = 0;
        r.integer(m, "mgmFactorStep", step, 0, 255);
        s.mgmFactorStep = step;
    }

    const QJsonObject c = r.section(o, "calibration");
    r.boolean(c, "calibrated", s.calibration.calibrated);
    r.integer(c, "timeToPeakTenths", s.calibration.timeToPeakTenths, 0, 9999);
    r.integer(c, "peakGainMantissa", s.calibration.peakGainMantissa, 0, 0xFFFF);
    r.integer(c, "peakGainExponent", s.calibration.peakGainExponent, 0, 255);
    r.integer(c, "peakValue", s.calibration.peakValue, 0, 0xFFFFFF);
    r.integer(c, "temperature", s.calibration.temperature, 0, 255);
    r.integer(c, "areaGainMantissa", s.calibration.areaGainMantissa, 0, 0xFFFF);
    r.integer(c, "areaGainExponent", s.calibration.areaGainExponent, 0, 255);
    r.integer(c, "areaValue", s.calibration.areaValue, 0, 0xFFFFFF);
    r.hex(o, "limitTable", s.limitTable, 20);

    const QJsonObject f = r.section(o, "fram");
    r.integer(f, "original", s.framChipsOriginal, 0, 255);
    r.integer(f, "fitted", s.framChipsFitted, 0, 255);
    r.integer(f, "map", s.framMap, 0, 255);
    r.integer(f, "errors", s.framErrors, 0, 255);
    r.boolean(f, "errorsPersist", s.framErrorsPersist);
    if (f.contains(QLatin1String("capacity"))) {
        int capacity = 0;
        r.integer(f, "capacity", capacity, 0, MaxSimSlots);
        s.capacity = capacity;
    }
    r.integer(f, "recordOffset", s.recordOffset, 0, 0xFFFF);
    ReadSlots(r, o, s.slots);

    ReadSchedule(r, r.section(o, "schedule"), s.schedule);
    const QJsonObject sw = r.section(o, "switches");
    r.boolean(sw, "memoryFullStop", s.memoryFullStop);
    r.boolean(sw, "shortSensor", s.shortSensor);
    r.boolean(sw, "remoteSave", s.remoteSave);
    r.boolean(sw, "parkSensor", s.parkSensor);

    const QJsonObject clock = r.section(o, "clock");
    r.time(clock, "offsetSeconds", s.clockOffsetSeconds);
    r.boolean(clock, "zero", s.clockZero);

    ReadEventLogs(r, o, s.eventLogs);
    r.hex(o, "eepromImage", s.eepromImage, 1024);
    r.hex(o, "flashImage", s.flashImage);
    ReadEepromOverrides(r, o.value(QLatin1String("eeprom")), s.eepromOverrides);

    const QJsonObject t = r.section(o, "timing");
    r.integer(t, "baud", s.timing.baud, 0, 1000000);
    r.integer(t, "slotDelayMs", s.timing.slotDelayMs, 0, 600000);
    r.integer(t, "replyDelayMs", s.timing.replyDelayMs, 0, 600000);

    const QJsonObject faults = r.section(o, "faults");
    QString faultError;
    if (r.ok() && o.contains(QLatin1String("faults")) && !SimFaultsFromJson(faults, s.faults, &faultError))
        r.fail(QStringLiteral("faults: ") + faultError);
    if (!r.ok())
        return std::nullopt;
    return s;
}

std::optional<SimScenario> LoadSimScenario(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    QString why;
    auto scenario = SimScenarioFromJson(file.readAll(), &why);
    if (!scenario && error)
        *error = path + QStringLiteral(": ") + why;
    return scenario;
}

QList<SimSlotEntry> VariedSlots(int count, qint64 start)
{
    using K = SimSlotKind;
    SimSlotRun run;
    run.count = count;
    run.start = start;
    run.interval = 600;
    run.kinds = {K::FirstInSchedule, K::Scheduled, K::Scheduled, K::Scheduled, K::Manual, K::Remote, K::Scheduled,
        K::NoReading, K::Scheduled, K::LowBattery, K::Scheduled, K::Uncalibrated, K::Manual, K::Limit4};
    run.modes = {1, 1, 0, 1, 2};
    run.limits = {1, 1, 2, 1, 3, 1, 4};
    run.seed = 5;
    return GenerateSlots(run);
}

SimScenario DefaultSimScenario()
{
    SimScenario s;
    s.schedule.enabled = true;
    // Streamed slots 15 ms apart: a download shows its progress, and a
    // serial reader, which keeps one message at a time, loses none.
    s.timing.slotDelayMs = 15;
    using K = SimSlotKind;

    // A week of scheduled sampling, each run of twelve opened by its first sample.
    SimSlotRun scheduled;
    scheduled.count = 120;
    scheduled.start = Utc(2026, 11, 2, 8, 0);
    scheduled.interval = 600;
    scheduled.kinds = {K::FirstInSchedule};
    for (int i = 0; i < 11; ++i)
        scheduled.kinds.append(K::Scheduled);
    scheduled.seed = 11;

    // Spot checks by hand in all three sample modes.
    SimSlotRun manual;
    manual.count = 60;
    manual.start = Utc(2026, 11, 9, 9, 15);
    manual.interval = 3600;
    manual.modes = {0, 1, 2};
    manual.seed = 23;

    // The odd ones: remote starts, missing readings, a tired battery, an
    // uncalibrated spell, every limit including limit 4.
    SimSlotRun mixed;
    mixed.count = 40;
    mixed.start = Utc(2026, 11, 12, 7, 30);
    mixed.interval = 1800;
    mixed.kinds = {K::Remote, K::Manual, K::NoReading, K::LowBattery, K::Uncalibrated, K::Limit4};
    mixed.limits = {1, 2, 3, 4};
    mixed.seed = 37;

    // A second scheduled week in area mode.
    SimSlotRun area = scheduled;
    area.count = 80;
    area.start = Utc(2026, 11, 16, 8, 0);
    area.modes = {2};
    area.seed = 41;

    for (const SimSlotRun& run : {scheduled, manual, mixed, area})
        s.slots.append(GenerateSlots(run));
    // One sample whose mode the instrument did not know.
    SimSlotEntry unknown;
    unknown.time = Utc(2026, 11, 20, 12, 0);
    unknown.ppm = 0.5;
    unknown.mode = 3;
    s.slots.append(unknown);

    const qint64 calibratedAt = Utc(2026, 9, 1, 10, 30);
    s.eventLogs = {
        {0, 0, calibratedAt, Hex("0015012308000B009C4008000B00CB20")},
        {1, 0, calibratedAt + 600, Hex("01FB32")},
        {2, 0, calibratedAt + 660, Hex("010032FF")},
        {3, 0, calibratedAt + 720, Hex("0000")},
        {4, 0, Utc(2026, 10, 30, 16, 0), Hex("107C0A01E002597C0000")},
    };
    return s;
}

