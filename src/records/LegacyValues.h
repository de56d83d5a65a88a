#pragma once
#include <QString>

class PerUserSettings;

// Values that an older generation of the program kept per instrument in the
// per-user application settings (section "Instrument\" + serial number).
// They are copied into the instrument's record files once, on its first
// connection, and then removed, so the move happens only once.
struct LegacyValues {
    bool present = false;   // "FC" held something other than "Never"
    QString firstConnected = QStringLiteral("Never");   // "FC"
    QString lastConnected = QStringLiteral("Never");    // "LC"
    QString firmware = QStringLiteral("Unknown");       // "FW"
    QString counter = QStringLiteral("Unknown");        // "PC"
    QString framResets = QStringLiteral("Unknown");     // "FRAMResets"
    QString mgmP = QStringLiteral("Unknown");           // "mgm_p"
    QString mgmM = QStringLiteral("Unknown");           // "mgm_m"
    QString mgmR = QStringLiteral("Unknown");           // "mgm_r"
    QString mgmK = QStringLiteral("Unknown");           // "mgm_k"
    // Only for "settings.txt": the FRAM reset count (default "0") and the
    // clock-setting flag (default "False").
    QString settingsFramResets = QStringLiteral("0");
    QString settingRtc = QStringLiteral("False");
};

// The per-user section that holds one instrument's legacy values.
QString LegacySection(const QString& serialNumber);

LegacyValues ReadLegacyValues(const PerUserSettings& perUser, const QString& serialNumber);

// Removes "FC", every other legacy value that is present, and the section itself.
void RemoveLegacyValues(PerUserSettings& perUser, const QString& serialNumber);
