#include "SimFirmware.h"

namespace {

// The version: up to five characters after the first "V", trimmed, as a
// decimal number; a string without "V" is read from its first character.
double VersionOf(const QString& firmware)
{
    const int v = firmware.indexOf(QLatin1Char('V'));
    const QString text = firmware.mid(v < 0 ? 0 : v + 1, 5).trimmed();
    // Take the leading number only ("2.31b" reads as 2.31).
    int end = 0;
    while (end < text.size() && (text[end].isDigit() || text[end] == QLatin1Char('.')))
        ++end;
    return text.left(end).toDouble();
}

bool Between(double v, double low, double high) { return v >= low - 1e-9 && v <= high + 1e-9; }

} // namespace

SimFirmwareBand SimFirmwareBand::fromFirmwareString(const QString& firmware)
{
    SimFirmwareBand band;
    const double v = VersionOf(firmware);
    band.version = v;
    const bool oldStatus = Between(v, 1.30, 1.99);
    band.newStatus = Between(v, 1.44, 1.99) || v >= 2.16 - 1e-9;
    band.statusBit = oldStatus || band.newStatus;
    band.firstInSchedule = Between(v, 1.47, 1.99) || v >= 2.19 - 1e-9;
    band.memoryFullInverted = Between(v, 1.61, 1.99) || v >= 2.26 - 1e-9;
    band.framReplyBug = Between(v, 1.08, 1.08) || Between(v, 1.09, 1.09);
    return band;
}
