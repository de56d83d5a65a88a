#pragma once
#include <QList>
#include <QString>
#include <QVariant>
#include <functional>

class PerUserSettings;

// One way to read and write named settings, wherever they live. The first
// argument of every operation names the store: a hive name ("HKCR", "HKCU",
// "HKLM", "HKU", "HKCC", "HKDD", any case) or the path of an existing
// sectioned text file (see IniFile). Anything else is no store: every
// operation returns StoreNoStore and changes nothing.
//
// Hives: "HKLM" key "HARDWARE\DEVICEMAP\SERIALCOMM" lists the serial devices
// present (value name the device path with "\" separators, beginning with
// "\"; value data "COM" + port number), read-only. Every other hive key maps
// to the per-user settings, group "<hive>/<key path>". Hive operations return
// 0 or an error code (StoreMissing: key or value missing).
//
// Types: "S" text, "B" boolean, "D" 32-bit number. Text files hold text only.
// No operation throws; on failure the result or text keeps its default or
// previous content.

enum StoreStatus : qint32 {
    StoreOk = 0,
    StoreMissing = 2,       // key or value missing
    StoreAccessDenied = 5,  // a read-only key
    StoreInvalidData = 13,  // a value of the wrong type for the request
    StoreNoStore = 99,      // the store name is neither a hive nor an existing file
};

enum class StoreHandle { None, TextFile, ClassesRoot, CurrentUser, LocalMachine, Users, CurrentConfig, DynamicData };

// A serial device present on this machine, as port discovery finds it.
struct PresentSerialDevice {
    QString devicePath;  // e.g. "/dev/ttyUSB0"
    int portNumber = 0;  // the "COM" number the program uses for it
};

// What stands in for the registry hives. Without a per-user store the
// settings hives have no keys; without a device list the serial device key
// is missing.
struct StoreHives {
    PerUserSettings* perUser = nullptr;
    std::function<QList<PresentSerialDevice>()> serialDevices;
};

// Values longer than this are cut to it when a text file entry is read.
constexpr int StoreMaxTextLength = 255;
// The size of the buffer a text-file section is returned in, NULs included.
constexpr int StoreSectionBufferLength = 8192;

StoreHandle StoreHive(const QString& store);

// result is first set to defaultValue.
// Text file, type "S": the entry's text (at most 255 characters) or the
// default; the status is the length of the text in result.
// Text file, other types: result keeps the default; the status is the entry's
// integer value (leading digits, 0 when missing or not a number).
// Hive: the value as QString, bool or qint32; status 0 or an error code.
qint32 StoreRead(const QString& store, const QString& section, const QString& name, const QString& type,
    const QVariant& defaultValue, QVariant& result, const StoreHives& hives = {});

// Text file: only type "S" is written (entry created or replaced, section
// created when missing, every other line kept byte for byte); status 1 on
// success, 0 when nothing was written (wrong type, a name or value that
// cannot be stored, a read-only or unwritable file: the file keeps its
// previous content). Hive: status 0 or an error code.
qint32 StoreWrite(const QString& store, const QString& section, const QString& name, const QString& type,
    const QVariant& value, const StoreHives& hives = {});

// Every value of a key or section as name + "=" + data, each pair followed
// by a NUL, then a closing NUL; an empty list is two NULs.
// Hive: text values as text, numbers and booleans as decimal numbers; status
// 0 or an error code (StoreMissing: text left unchanged).
// Text file: the section's entries, as many whole pairs as fit in
// StoreSectionBufferLength characters; the status is the number of
// characters before the closing NUL (0 for an empty section).
qint32 StoreReadAll(const QString& store, const QString& section, QString& text, const StoreHives& hives = {});

// Shorthand for the common case: an "S" entry, or fallback.
QString StoreReadText(const QString& store, const QString& section, const QString& name, const QString& fallback,
    const StoreHives& hives = {});
