#pragma once
#include "instrument/InstrumentInfo.h"
#include "shell/Password.h"

#include <QString>
#include <cstdint>
#include <optional>

class CancelToken;
class InstrumentLink;
class OperationObserver;
struct Services;

// What the Settings page's procedures are given: the shared services, the
// open link, the connected instrument's record, where status texts go, and
// how the password dialog is shown (empty: through the prompts), and the
// cancel request of the running procedure (none: it cannot be cancelled).
struct SettingsContext {
    Services& services;
    InstrumentLink& link;
    InstrumentInfo& info;
    OperationObserver& observer;
    PasswordDialogRunner passwordDialog;
    CancelToken* cancel = nullptr;
};

// What one refresh of the Settings page read from the instrument. The record
// is copied after the reads, so a read that failed leaves its fields as they
// were; the other values say when their read failed.
struct SettingsReading {
    InstrumentInfo info;
    double clockErrorDays = 0;
    std::optional<uint16_t> switches;   // control switches word
    bool saveAll = false;               // remote FRAM save flag (false when the read failed)
    QString mode, limit, gate;          // empty when their read failed
    int32_t mgmFactor = 0;              // fixed step, -1 dynamic, 0 when the read failed
    std::optional<int> cycles;          // signed 16-bit cycle count at 0x0009
    std::optional<int> cyclePointer;    // byte at 0x000B
    bool fakeMode = false;
    std::optional<bool> dataDump;       // data-dump byte at 0x004F armed
};

// The page's refresh: clock (status panel 2, and the balloon for an error of
// two minutes or more), pump and valve, mode, limit and gate texts, mg/m^3
// factor, "Save All", the switches, alarm, calibration, the cycle counter and
// pointer, the fake-mode marker and the data-dump state, read in that order.
SettingsReading UpdateSettingsPage(SettingsContext& context);

// The data-dump byte, read in one exchange; nothing when it failed.
std::optional<bool> ReadDataDumpState(SettingsContext& context);
