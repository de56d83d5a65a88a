#pragma once
#include "SimFaults.h"
#include "SimSlots.h"

#include <QByteArray>
#include <QDate>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>
#include <optional>

// The calibration record the instrument keeps in its EEPROM.
struct SimCalibration {
    bool calibrated = true;
    int timeToPeakTenths = 123;     // 12.3 s
    int peakGainMantissa = 0x0800;
    int peakGainExponent = 11;      // gain 1.0
    int peakValue = 40000;          // au
    int temperature = 21;           // degrees Celsius
    int areaGainMantissa = 0x0800;
    int areaGainExponent = 11;
    int areaValue = 52000;          // au
};

struct SimSchedule {
    int config = 0x10;
    int weekMask = 124;             // Monday to Friday
    int frequency = 10;             // minutes between samples
    int startMinutes = 8 * 60;      // UTC
    int lengthMinutes = 10 * 60;    // the sampling window; stored plus one
    int counter = 0;
    bool enabled = false;
    std::optional<int> state;       // forces the "A04" state byte (e.g. 2: running but not enabled)
    QByteArray block;               // when 11 bytes, the stored block as it is
};

struct SimEventLogEntry {
    int log = 0;    // 0 calibration, 1 pump, 2 valve, 3 offset, 4 schedule
    int entry = 0;  // 0 to 7
    qint64 time = 0;
    QByteArray bytes;
};

struct SimTiming {
    int baud = 0;          // line pacing (9600: 960 bytes a second); 0 sends at once
    int slotDelayMs = 0;   // extra pause between streamed slots
    int replyDelayMs = 0;  // pause before every reply
};

// Everything that describes one simulated instrument: identity, settings,
// sample memory, event logs, clock, timing and faults.
struct SimScenario {
    // Identity
    QString firmware = QStringLiteral("V2.31");
    QString firmwareLong = QStringLiteral("Karvex HHU 2026-05-14 build 412");
    quint32 serial = 10234;
    int serialType = 0x04;          // 0x04: "F" suffix, 0x05: "G", 0xFF: unknown
    QDate manufactured = QDate(2021, 3, 12);
    QDate calibrated = QDate(2026, 9, 1);
    QDate serviced = QDate(2026, 9, 1);
    QDate fourthDate;               // invalid: erased (FF FF FF)
    int usage = 1234;

    // Measurement configuration
    int mode = 1;                   // 0 timed, 1 peak, 2 area
    int limit = 1;                  // 1 to 4
    std::optional<int> mgmFactorStep; // fixed mg/m^3 factor (step 0-255), else dynamic
    SimCalibration calibration;
    QByteArray limitTable;          // 20 bytes; empty: a built-in table

    // Sample memory
    int framChipsOriginal = 4;
    int framChipsFitted = 4;
    int framMap = 0x0F;
    int framErrors = 0;
    bool framErrorsPersist = false; // the error count survives the chip-block reset
    std::optional<int> capacity;    // slots; default 2048 per fitted chip
    int recordOffset = 0;           // where the oldest slot sits (moves on with erases)
    QList<SimSlotEntry> slots;

    // Schedule and switches
    SimSchedule schedule;
    bool memoryFullStop = true;
    bool shortSensor = false;
    bool remoteSave = false;
    bool parkSensor = true;

    // Clock: the PC's UTC clock plus this offset; clockZero reads all zeros until set.
    qint64 clockOffsetSeconds = 0;
    bool clockZero = false;

    QList<SimEventLogEntry> eventLogs;
    QByteArray eepromImage;         // when 1024 bytes: the whole image (saved state)
    QByteArray flashImage;          // when present: the whole flash (saved state)
    QMap<int, QByteArray> eepromOverrides; // address -> bytes, applied last

    SimTiming timing;
    SimFaults faults;
};

// The demo instrument: a few hundred varied slots, event logs, a weekday
// schedule, streamed slots 15 ms apart.
SimScenario DefaultSimScenario();
// count samples of every kind, mode and limit, ten minutes apart from start.
QList<SimSlotEntry> VariedSlots(int count, qint64 start);

// A scenario from JSON text; fields left out keep their defaults (an empty
// memory). Returns nullopt with a message naming the bad field.
std::optional<SimScenario> SimScenarioFromJson(const QByteArray& json, QString* error);
std::optional<SimScenario> LoadSimScenario(const QString& path, QString* error);

// Parses "YYYY-MM-DDThh:mm:ssZ" or a number of seconds since 1970 (UTC).
std::optional<qint64> SimTimeFromJson(const QJsonValue& value);
