#include "instrument/Identity.h"
#include "instrument/EepromMap.h"

#include "instrument/InstrumentInfo.h"
#include "instrument/Procedure.h"
#include "instrument/Reply.h"
#include "instrument/RetriedRead.h"
#include "link/InstrumentLink.h"
#include "shell/Bits.h"
#include "shell/Picture.h"


namespace tolviM {

QString SerialNumberText(const QByteArray& reply)
{
    return SerialNumberText(int(HexUnsigned(ReplyText(reply, 7, 2))), HexUnsigned(ReplyText(reply, 9, 6)));
}

QString SerialNumberText(int typeByte, uint32_t number)
{
    const QString text = QString::number(number);
    switch (typeByte) {
    case 0x04: return text + QLatin1Char('F');
    case 0x05: return text + QLatin1Char('G');
    case 0xFF: return QStringLiteral("Unknown");
    default: return text;
    }
}

QString GetSerialNumber(InstrumentLink& link, Services& services)
{
    QString result;
    Guarded(services, "GetSerialNumber", [&] {
        Progress(services, QStringLiteral("Getting HHU serial number"));
        RetryBudget budget;
        const auto reply = RetriedRead(link, services.log, budget, MemoryRead('G', EepromMap::SerialNumber, 4));
        if (!reply)
            return;
        result = SerialNumberText(*reply);
        const uint32_t number = HexUnsigned(ReplyText(*reply, 9, 6));
        Progress(services, QStringLiteral("Serial number : ") + QString::fromLatin1(ReplyText(*reply, 7, 2))
                + QStringLiteral(" %1 : ").arg(number, 4, 10, QLatin1Char('0')) + result);
    });
    return result;
}

static int DateAddress(int selector)
{
    switch (selector) {
    case 1: return EepromMap::CalibrationDate;
    case 2: return EepromMap::ServiceDate;
    case 3: return EepromMap::FourthDate;
    default: return EepromMap::ManufactureDate;
    }
}

QDateTime GetSomeDate(InstrumentLink& link, Services& services, int selector, bool timeOfDay)
{
    QDateTime result = ZeroDate();
    Guarded(services, "GetSomeDate", [&] {
        Progress(services, QStringLiteral("Getting a date/time from the HHU"));
        RetryBudget budget;
        const auto reply = RetriedRead(link, services.log, budget, MemoryRead('G', DateAddress(selector), 3));
        if (!reply)
            return;
        const int a = DataBcd(*reply, 0), b = DataBcd(*reply, 1), c = DataBcd(*reply, 2);
        const QString selectorText = QStringLiteral(" (%1)").arg(selector);
        if (timeOfDay) {
            result = NormalisedDateTime(1899, 12, 30, a, b, c);
            Progress(services, FormatDate(result, QStringLiteral("hh:mm:ss AM/PM")) + selectorText);
        } else {
            result = QDateTime(NormalisedDate(2000 + c, b, a), QTime(0, 0));
            Progress(services, FormatDate(result, QStringLiteral("dd - MMM - YYYY")) + selectorText);
        }
    });
    return result;
}

QDateTime GetManDate(InstrumentLink& link, Services& services, InstrumentInfo& info)
{
    info.Manufactured = GetSomeDate(link, services, 0);
    return info.Manufactured;
}

QDateTime GetCalDate(InstrumentLink& link, Services& services, InstrumentInfo& info)
{
    info.Calibrated = GetSomeDate(link, services, 1);
    return info.Calibrated;
}

QDateTime GetSerDate(InstrumentLink& link, Services& services, InstrumentInfo& info)
{
    info.Serviced = GetSomeDate(link, services, 2);
    return info.Serviced;
}

QString CleanFirmwareText(const QByteArray& bytes)
{
    QString text;
    for (char byte : bytes) {
        const auto code = static_cast<unsigned char>(byte);
        if (code >= 32 && code <= 126)
            text += QLatin1Char(byte);
    }
    // Only blanks remain as white space, so simplified() trims and collapses exactly them.
    return text.simplified();
}

QString GetFirmwareID(InstrumentLink& link, Services& services, bool longForm)
{
    QString result;
    Guarded(services, "GetFirmwareID", [&] {
        Progress(services, QStringLiteral("Getting the HHU Frimware string"));
        RetryBudget budget;   // one budget for every block
        QByteArray hex;
        auto readBlocks = [&](FlashMap::Range range) {
            for (int address = range.begin; address < range.end; address += 6) {
                const auto reply = RetriedRead(link, services.log, budget, MemoryRead('E', address, 6));
                if (!reply)
                    return false;
                hex += ReplyText(*reply, 7, 12);
            }
            return true;
        };
        if (!readBlocks(FlashMap::FirmwareTextFirst))
            return;
        if (longForm && !readBlocks(FlashMap::FirmwareTextSecond))
            return;
        result = CleanFirmwareText(QByteArray::fromHex(hex));
        Progress(services, result);
    });
    return result;
}

int16_t GetUsage(InstrumentLink& link, Services& services)
{
    int16_t result = 0;
    Guarded(services, "GetUsage", [&] {
        Progress(services, QStringLiteral("Getting the HHU Usage Counter"));
        RetryBudget budget;
        const auto reply = RetriedRead(link, services.log, budget, MemoryRead('G', EepromMap::UsageCounter, 2));
        if (!reply)
            return;
        result = HexSigned16(ReplyText(*reply, 9, 2) + ReplyText(*reply, 7, 2));
        Progress(services, QString::number(result));
    });
    return result;
}

}
