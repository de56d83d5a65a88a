#include "config/Offsets.h"

#include "instrument/EepromAccess.h"
#include "instrument/EepromMap.h"
#include "shell/Bits.h"
#include "shell/Picture.h"
#include "shell/Prompts.h"
#include "shell/Services.h"
#include "shell/TextFile.h"

namespace {

int byteAt(const QByteArray& bytes, int k) { return static_cast<uint8_t>(bytes.at(k)); }

} // namespace

OffsetReadings ReadOffsets(InstrumentLink& link, Services& services)
{
    OffsetReadings r;
    if (const auto mode = tolviM::ReadEeprom(link, services.log, EepromMap::OffsetMode, 1, tolviM::OnlyOnce, tolviM::ReadCheck::LengthOnly))
        r.offsetMode = byteAt(*mode, 0);
    r.offset = tolviM::ReadEeprom(link, services.log, EepromMap::OffsetSetting, 2, tolviM::OnlyOnce, tolviM::ReadCheck::LengthOnly);
    r.zeroError = tolviM::ReadEeprom(link, services.log, EepromMap::ZeroError, 3, tolviM::OnlyOnce, tolviM::ReadCheck::LengthOnly);
    return r;
}

QString OffsetsText(const OffsetReadings& r)
{
    QString text;
    if (r.offsetMode)
        text = *r.offsetMode == 0 ? QStringLiteral("Fine") : QStringLiteral("Normal");
    if (r.offset) {
        text += byteAt(*r.offset, 0) == 0 ? QStringLiteral(" : -0.") : QStringLiteral(" : +0.");
        text += FormatNumber(byteAt(*r.offset, 1), QStringLiteral("000 ppm")) + QLatin1Char('.') + CrLf;
    }
    if (r.zeroError) {
        text += byteAt(*r.zeroError, 0) == 0 ? QStringLiteral("Zero Error = +") : QStringLiteral("Zero Error = -");
        text += FormatNumber(MakeWord(quint8(byteAt(*r.zeroError, 1)), quint8(byteAt(*r.zeroError, 2))),
                    QStringLiteral("0"))
            + QLatin1Char('.') + CrLf;
    }
    return text;
}

QString ShowOffsets(InstrumentLink& link, Services& services)
{
    const QString text = OffsetsText(ReadOffsets(link, services));
    services.prompts.message(Prompts::Icon::Information, text);
    return text;
}
