#pragma once
#include <QByteArray>
#include <QString>
#include <optional>

struct Services;
class InstrumentLink;

// "Show Offsets": the offset mode, the offset and the zero error, each
// read with one exchange; a read that fails leaves its part out.
struct OffsetReadings {
    std::optional<int> offsetMode;       // the byte at 0x0023
    std::optional<QByteArray> offset;    // sign byte (0 negative), thousandths of a ppm
    std::optional<QByteArray> zeroError; // sign byte (0 positive), 16-bit value high byte first
};

OffsetReadings ReadOffsets(InstrumentLink& link, Services& services);
// "Fine : +0.012 ppm.\r\nZero Error = +3.\r\n"
QString OffsetsText(const OffsetReadings& readings);
// Reads the three settings and shows the text in an information box; returns the text.
QString ShowOffsets(InstrumentLink& link, Services& services);
