#pragma once
#include "SimFirmware.h"
#include "SimScenario.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <functional>
#include <optional>

// What the instrument does with one request.
struct SimResponse {
    QList<QByteArray> replies;   // reply payloads, in order
    struct Stream {
        int first = 1;           // first slot number
        int count = 0;           // slots to stream
    };
    std::optional<Stream> stream; // start streaming these slots (replacing any stream)
    bool endStream = false;       // stop a running stream
};

// The instrument's behaviour and state, free of framing, timing and I/O:
// one request payload in, reply payloads out. Holds the EEPROM and flash
// images, the sample memory, the schedule, the clock and the test mode.
class SimInstrument {
public:
    using UtcClock = std::function<QDateTime()>;

    explicit SimInstrument(const SimScenario& scenario, UtcClock utcNow = {});

    SimResponse handle(const QByteArray& payload);
    // The payload of the message carrying slot n ("J03" + slot + 32 digits).
    QByteArray slotPayload(int slot) const;

    const SimFirmwareBand& band() const { return band_; }
    const QByteArray& eeprom() const { return eeprom_; }
    const QByteArray& flash() const { return flash_; }
    const QList<QByteArray>& slots() const { return slots_; }
    int slotsUsed() const { return int(slots_.size()); }
    int capacity() const { return capacity_; }
    QByteArray scheduleBlock() const { return scheduleBlock_; }
    int scheduleState() const;
    bool testMode() const { return testMode_; }
    int testCycles() const { return testCycles_; }
    // The instrument's clock (UTC).
    QDateTime clock() const;

    // The state as a scenario (JSON) that starts the same instrument again.
    QJsonObject stateJson(const SimScenario& base) const;

private:
    QByteArray status() const;
    QByteArray memoryStatus() const;
    std::optional<QByteArray> readEeprom(int address, int count) const;
    QByteArray readEventLog(int log, int entry) const;
    std::optional<QByteArray> readFlash(int address, int count) const;
    std::optional<QByteArray> writeEeprom(const QByteArray& payload);
    QByteArray clockReading() const;
    bool setClock(const QByteArray& digits);
    SimResponse schedule(const QByteArray& payload);
    SimResponse memory(const QByteArray& payload);
    bool inScheduleWindow(const QDateTime& at) const;

    SimFirmwareBand band_;
    UtcClock utcNow_;
    QByteArray eeprom_;
    QByteArray flash_;
    QList<QByteArray> slots_;
    int capacity_ = 0;
    int recordOffset_ = 0;
    int chipsOriginal_ = 0;
    bool framErrorsPersist_ = false;
    QByteArray scheduleBlock_;
    bool scheduleEnabled_ = false;
    std::optional<int> forcedScheduleState_;
    QDateTime pausedUntil_;
    qint64 clockOffset_ = 0;
    bool clockZero_ = false;
    struct LogEntry {
        qint64 time = 0;
        QByteArray bytes;
    };
    QMap<int, LogEntry> eventLogs_; // key log * 256 + entry
    bool testMode_ = false;
    bool keysLocked_ = false;
    int testCycles_ = 0;
};
