#include "SimInstrument.h"

#include "SimMemoryImage.h"
#include "shell/Bits.h"

#include <QJsonArray>
#include <QTimeZone>

namespace {

constexpr int EventLogBytes[] = {16, 3, 4, 2, 10}; // entry bytes of logs 0 to 4

// A field of hexadecimal digits; nullopt unless every character is one.
std::optional<int> HexField(const QByteArray& text)
{
    if (text.isEmpty())
        return std::nullopt;
    bool ok = false;
    for (char c : text)
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
    const int value = text.toInt(&ok, 16);
    return ok ? std::optional<int>(value) : std::nullopt;
}

// Hexadecimal digits only, of any length (a schedule block is 22 digits:
// more than one int holds).
bool HexBlock(const QByteArray& text)
{
    for (qsizetype i = 0; i < text.size(); i += 4)
        if (!HexField(text.mid(i, 4)))
            return false;
    return !text.isEmpty();
}

QByteArray HexBytes(const QByteArray& bytes) { return bytes.toHex().toUpper(); }
QByteArray Hex(qint64 value, int width) { return HexL(value, width).toLatin1(); }

// count bytes of an image from address as hexadecimal text; bytes past its
// end read as erased (FF). 109 bytes is the longest read a frame can carry back.
std::optional<QByteArray> ReadImage(const QByteArray& image, int address, int count)
{
    if (count < 1 || count > 109)
        return std::nullopt;
    QByteArray data;
    for (int a = address; a < address + count; ++a)
        data.append(a < image.size() ? image[a] : char(0xFF));
    return HexBytes(data);
}

QByteArray BcdText(int value) { return Hex(ToBcd(value), 2); }

} // namespace

SimInstrument::SimInstrument(const SimScenario& s, UtcClock utcNow)
    : band_(SimFirmwareBand::fromFirmwareString(s.firmware))
    , utcNow_(utcNow ? std::move(utcNow) : UtcClock([] { return QDateTime::currentDateTimeUtc(); }))
    , eeprom_(SimMemory::BuildEeprom(s, band_))
    , flash_(SimMemory::BuildFlash(s))
    , recordOffset_(s.recordOffset)
    , chipsOriginal_(s.framChipsOriginal)
    , framErrorsPersist_(s.framErrorsPersist)
    , scheduleBlock_(SimMemory::BuildScheduleBlock(s.schedule))
    , scheduleEnabled_(s.schedule.enabled)
    , forcedScheduleState_(s.schedule.state)
    , clockOffset_(s.clockOffsetSeconds)
    , clockZero_(s.clockZero)
{
    capacity_ = SimMemory::SlotCapacity(s);
    for (const SimSlotEntry& described : s.slots)
        if (slots_.size() < capacity_)
            slots_.append(EncodeSlot(described, band_));
    for (const SimEventLogEntry& e : s.eventLogs)
        eventLogs_.insert(e.log * 256 + e.entry, {e.time, e.bytes});
}

QDateTime SimInstrument::clock() const { return utcNow_().addSecs(clockOffset_); }

SimResponse SimInstrument::handle(const QByteArray& p)
{
    SimResponse r;
    auto reply = [&r](const QByteArray& payload) { r.replies.append(payload); };
    if (p.isEmpty())
        return r;
    switch (p[0]) {
    case 'S':
        if (p == "S")
            reply(status());
        else if (p == "S03")
            reply(memoryStatus());
        break;
    case 'G': {
        const auto address = HexField(p.mid(1, 4));
        const auto count = HexField(p.mid(5, 2));
        if (p.size() != 7 || !address || !count)
            break;
        if (*address >= 0x1000)
            reply(p + readEventLog(*address - 0x1000, *count));
        else if (const auto data = readEeprom(*address, *count))
            reply(p.left(5) + *data);
        break;
    }
    case 'B':
        if (const auto echo = writeEeprom(p))
            reply(*echo);
        break;
    case 'E': {
        const auto address = HexField(p.mid(1, 4));
        const auto count = HexField(p.mid(5, 2));
        if (p.size() == 7 && address && count)
            if (const auto data = readFlash(*address, *count))
                reply(p.left(5) + *data);
        break;
    }
    case 'J':
        return memory(p);
    case 'K':
        if (p.size() == 15 && setClock(p.mid(1)))
            reply(clockReading());
        else if (p == "K")
            reply(clockReading());
        break;
    case 'A':
        return schedule(p);
    case 'C': // ends a stream and the test mode alike; answers with the status
        if (p == "C") {
            r.endStream = true;
            testMode_ = false;
            reply(status());
        }
        break;
    case 'L':
        if (p == "L")
            keysLocked_ = true;
        break;
    case 'D':
        if (p == "D5C31A7F2") {
            testMode_ = true;
            testCycles_ = 0;
        }
        break;
    case 'O':
        if (p == "O" && testMode_)
            reply("O01" + Hex(testCycles_, 4));
        break;
    case 'P':
        if (p == "P" && testMode_)
            ++testCycles_;
        break;
    case 'U':
        if (p == "U")
            keysLocked_ = false;
        break;
    default:
        break;
    }
    return r;
}

QByteArray SimInstrument::slotPayload(int slot) const
{
    const QByteArray data = slot >= 1 && slot <= slots_.size() ? slots_[slot - 1] : QByteArray(16, char(0xFF));
    return "J03" + Hex(slot & 0xFFFF, 4) + HexBytes(data);
}

QByteArray SimInstrument::status() const
{
    // Flags, mode, limit, battery (mV), slots used, temperature (x400), humidity (%), keys.
    const int state = scheduleState();
    const int flags = (testMode_ ? 0x01 : 0) | ((state & 1) ? 0x02 : 0) | ((state & 2) ? 0x04 : 0)
        | (pausedUntil_.isValid() && clock() < pausedUntil_ ? 0x08 : 0) | (slotsUsed() >= capacity_ ? 0x10 : 0);
    return "S" + Hex(flags, 2) + Hex(quint8(eeprom_[0x21]), 2) + Hex(quint8(eeprom_[0x22]), 2) + Hex(3900, 4)
        + Hex(slotsUsed(), 4) + Hex(21 * 400, 4) + Hex(45, 2) + Hex(keysLocked_ ? 1 : 0, 2);
}

QByteArray SimInstrument::memoryStatus() const
{
    return "S03" + Hex(capacity_, 4) + "0000" + Hex(recordOffset_, 4) + Hex(slotsUsed(), 4);
}

std::optional<QByteArray> SimInstrument::readEeprom(int address, int count) const
{
    return ReadImage(eeprom_, address, count);
}

QByteArray SimInstrument::readEventLog(int log, int entry) const
{
    const int length = log >= 0 && log < 5 ? EventLogBytes[log] : 0;
    const auto it = eventLogs_.find(log * 256 + entry);
    if (it == eventLogs_.end())
        return Hex(0, 8) + QByteArray(length * 2, 'F');
    QByteArray bytes = it->bytes.left(length);
    bytes.append(QByteArray(length - bytes.size(), char(0xFF)));
    return Hex(quint32(it->time), 8) + HexBytes(bytes);
}

std::optional<QByteArray> SimInstrument::readFlash(int address, int count) const
{
    return ReadImage(flash_, address, count);
}

std::optional<QByteArray> SimInstrument::writeEeprom(const QByteArray& p)
{
    const auto address = HexField(p.mid(1, 4));
    const QByteArray digits = p.mid(5);
    if (!address || digits.isEmpty() || digits.size() % 2 != 0)
        return std::nullopt;
    for (char c : digits)
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
    const QByteArray data = QByteArray::fromHex(digits);
    const int errorsBefore = quint8(eeprom_[SimMemory::ChipBlock + 3]);
    for (int i = 0; i < data.size(); ++i)
        if (*address + i < eeprom_.size())
            eeprom_[*address + i] = data[i];

    // Writing FF FF FF 00 over the chip block makes the instrument count its
    // chips again: all originally fitted chips come back, the errors go.
    if (*address == SimMemory::ChipBlock && data == QByteArray::fromHex("FFFFFF00")) {
        const int errors = framErrorsPersist_ ? errorsBefore : 0;
        const int map = (1 << qMin(chipsOriginal_, 8)) - 1;
        eeprom_[SimMemory::ChipBlock] = char(chipsOriginal_);
        eeprom_[SimMemory::ChipBlock + 1] = char(chipsOriginal_);
        eeprom_[SimMemory::ChipBlock + 2] = char(map);
        eeprom_[SimMemory::ChipBlock + 3] = char(errors);
        capacity_ = qMin(MaxSimSlots, qMax(capacity_, chipsOriginal_ * SimMemory::SlotsPerChip));
    }
    return p;
}

QByteArray SimInstrument::clockReading() const
{
    if (clockZero_)
        return "K" + QByteArray(14, '0');
    const QDateTime t = clock();
    const QDate d = t.date();
    const QTime h = t.time();
    return "K" + BcdText(d.year() - 2000) + BcdText(d.month()) + BcdText(d.day()) + BcdText(d.dayOfWeek())
        + BcdText(h.hour()) + BcdText(h.minute()) + BcdText(h.second());
}

bool SimInstrument::setClock(const QByteArray& digits)
{
    for (char c : digits)
        if (c < '0' || c > '9')
            return false;
    auto field = [&digits](int i) { return digits.mid(i * 2, 2).toInt(); };
    const QDate date(2000 + field(0), field(1), field(2));
    const QTime time(field(4), field(5), field(6));
    if (!date.isValid() || !time.isValid())
        return false;
    clockOffset_ = utcNow_().secsTo(QDateTime(date, time, QTimeZone::utc()));
    clockZero_ = false;
    return true;
}

bool SimInstrument::inScheduleWindow(const QDateTime& at) const
{
    const auto b = [this](int i) { return int(quint8(scheduleBlock_[i])); };
    const int start = b(3) * 256 + b(4);
    const int length = b(5) * 256 + b(6) - 1;
    const int minute = at.time().hour() * 60 + at.time().minute();
    // A window that crosses midnight belongs to the day it started on.
    const int sinceStart = ((minute - start) % 1440 + 1440) % 1440;
    const QDate day = minute >= start % 1440 ? at.date() : at.date().addDays(-1);
    const int dayBit = 7 - day.dayOfWeek(); // Sunday bit 0 ... Monday bit 6
    return length > 0 && sinceStart < length && (b(1) >> dayBit) & 1;
}

int SimInstrument::scheduleState() const
{
    if (forcedScheduleState_)
        return *forcedScheduleState_;
    const QDateTime now = clock();
    const bool paused = pausedUntil_.isValid() && now < pausedUntil_;
    const bool running = scheduleEnabled_ && !paused && inScheduleWindow(now);
    return (scheduleEnabled_ ? 1 : 0) | (running ? 2 : 0);
}

SimResponse SimInstrument::schedule(const QByteArray& p)
{
    SimResponse r;
    const QByteArray command = p.left(3);
    if (command == "A00" && p.size() == 3) {
        r.replies.append("A01" + HexBytes(scheduleBlock_));
    } else if (command == "A01" && p.size() == 3 + 22 && HexBlock(p.mid(3))) {
        scheduleBlock_ = QByteArray::fromHex(p.mid(3));
        SimMemory::PutScheduleCopy(eeprom_, scheduleBlock_, scheduleEnabled_);
        r.replies.append(p);
    } else if ((command == "A02" || command == "A03" || command == "A04") && p.size() == 3) {
        if (command != "A04") {
            scheduleEnabled_ = command == "A02";
            forcedScheduleState_.reset();
            SimMemory::PutScheduleCopy(eeprom_, scheduleBlock_, scheduleEnabled_);
        }
        r.replies.append("A00" + Hex(scheduleState(), 2));
    } else if (command == "A05") {
        // Pause: "A05" + seconds; "A050000" ends it; "A05" alone asks for the time left.
        const QDateTime now = clock();
        if (p.size() == 7) {
            const auto seconds = HexField(p.mid(3));
            if (!seconds)
                return r;
            pausedUntil_ = *seconds ? now.addSecs(*seconds) : QDateTime();
            r.replies.append(p);
        } else if (p.size() == 3) {
            const qint64 left = pausedUntil_.isValid() ? qMax<qint64>(0, now.secsTo(pausedUntil_)) : 0;
            r.replies.append("A05" + Hex(qMin<qint64>(left, 0xFFFF), 4));
        }
    }
    return r;
}

SimResponse SimInstrument::memory(const QByteArray& p)
{
    SimResponse r;
    if (p == "J00") {
        r.replies.append("J04" + Hex(slotsUsed(), 4));
    } else if (p.startsWith("J01") && p.size() == 11) {
        const auto first = HexField(p.mid(3, 4));
        const auto count = HexField(p.mid(7, 4));
        if (!first || !count)
            return r;
        if (*count <= 1)
            r.replies.append(slotPayload(*first));
        else
            r.stream = SimResponse::Stream{*first, qMin(*count, 0x10000 - *first)};
    } else if (p.startsWith("J02") && p.size() == 7) {
        // Erases count slots from the oldest on.
        const auto count = HexField(p.mid(3, 4));
        if (!count)
            return r;
        const int erased = qMin(*count, slotsUsed());
        slots_.remove(0, erased);
        recordOffset_ = capacity_ ? (recordOffset_ + erased) % capacity_ : 0;
        SimMemory::PutRecords(eeprom_, slotsUsed(), recordOffset_);
        r.replies.append("J04" + Hex(slotsUsed(), 4));
    }
    return r;
}

QJsonObject SimInstrument::stateJson(const SimScenario& base) const
{
    QJsonArray slots;
    for (const QByteArray& s : slots_)
        slots.append(QString::fromLatin1(HexBytes(s)));
    QJsonArray logs;
    for (auto it = eventLogs_.begin(); it != eventLogs_.end(); ++it)
        logs.append(QJsonObject{{QStringLiteral("log"), it.key() / 256}, {QStringLiteral("entry"), it.key() % 256},
            {QStringLiteral("time"), it->time}, {QStringLiteral("bytes"), QString::fromLatin1(HexBytes(it->bytes))}});
    QJsonObject schedule{{QStringLiteral("block"), QString::fromLatin1(HexBytes(scheduleBlock_))},
        {QStringLiteral("enabled"), scheduleEnabled_}};
    if (forcedScheduleState_)
        schedule.insert(QStringLiteral("state"), *forcedScheduleState_);
    return {
        {QStringLiteral("identity"), QJsonObject{{QStringLiteral("firmware"), base.firmware},
                                         {QStringLiteral("firmwareLong"), base.firmwareLong}}},
        {QStringLiteral("eepromImage"), QString::fromLatin1(HexBytes(eeprom_))},
        {QStringLiteral("flashImage"), QString::fromLatin1(HexBytes(flash_))},
        {QStringLiteral("fram"), QJsonObject{{QStringLiteral("original"), chipsOriginal_},
                                     {QStringLiteral("capacity"), capacity_},
                                     {QStringLiteral("recordOffset"), recordOffset_},
                                     {QStringLiteral("errorsPersist"), framErrorsPersist_}}},
        {QStringLiteral("slots"), slots},
        {QStringLiteral("eventLogs"), logs},
        {QStringLiteral("schedule"), schedule},
        {QStringLiteral("clock"), QJsonObject{{QStringLiteral("offsetSeconds"), clockOffset_},
                                      {QStringLiteral("zero"), clockZero_}}},
        {QStringLiteral("timing"), QJsonObject{{QStringLiteral("baud"), base.timing.baud},
                                       {QStringLiteral("slotDelayMs"), base.timing.slotDelayMs},
                                       {QStringLiteral("replyDelayMs"), base.timing.replyDelayMs}}},
        {QStringLiteral("faults"), SimFaultsToJson(base.faults)},
    };
}
