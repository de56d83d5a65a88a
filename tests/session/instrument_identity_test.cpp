#include "instrument/InstrumentInfo.h"
#include "session/InstrumentIdentity.h"

#include <QLocale>
#include <functional>
#include <gtest/gtest.h>

namespace {
InstrumentInfo Connected()
{
    InstrumentInfo info;
    info.SerialNumber = QStringLiteral("10234F");
    info.FirmwareID = QStringLiteral("HHU V2.31 Tolvi");
    info.Manufactured = QDateTime(QDate(2020, 3, 1), QTime(0, 0));
    info.Calibrated = QDateTime(QDate(2025, 11, 20), QTime(0, 0));
    info.UsageCounter = 417;
    info.SlotsUsed = 273;
    info.SlotsTotal = 8192;
    info.PCTime = QDateTime(QDate(2026, 12, 4), QTime(13, 5, 3));
    info.RTCLocal = QDateTime(QDate(2026, 12, 4), QTime(13, 5, 0));
    return info;
}

QString ValueOf(const QList<IdentityRow>& rows, const QString& name)
{
    for (const IdentityRow& row : rows)
        if (row.name == name)
            return row.value;
    return QStringLiteral("<no row>");
}
} // namespace

// The Configure page's identity rows: what was read, "Unknown" for what a
// failed read left (empty text, the zero date, no capacity), "Not read" for
// the memory and clock that terminal debug mode does not read.
TEST(InstrumentIdentity, RowsShowWhatWasReadAndSayWhatWasNot)
{
    const QLocale english(QLocale::English, QLocale::UnitedKingdom);
    struct Case { const char* name; bool stateRead; std::function<void(InstrumentInfo&)> change; const char* row; const char* value; };
    const Case cases[] = {
        {"serial number", true, [](InstrumentInfo&) {}, "Serial number", "10234F"},
        {"firmware", true, [](InstrumentInfo&) {}, "Firmware", "HHU V2.31 Tolvi"},
        {"manufactured", true, [](InstrumentInfo&) {}, "Manufactured", "01-Mar-2020"},
        {"service date never read", true, [](InstrumentInfo&) {}, "Serviced", "Unknown"},
        {"usage", true, [](InstrumentInfo&) {}, "Usage counter", "417"},
        {"memory", true, [](InstrumentInfo&) {}, "Memory", "273 of 8192 slots used (3%)"},
        {"memory size unknown", true, [](InstrumentInfo& i) { i.SlotsTotal = 0; }, "Memory", "Unknown"},
        {"clock 3 s slow", true, [](InstrumentInfo&) {}, "Clock error", "+00:00:03"},
        {"clock right", true, [](InstrumentInfo& i) { i.RTCLocal = i.PCTime; }, "Clock error", "None"},
        {"clock never read", true, [](InstrumentInfo& i) { i.RTCLocal = ZeroDate(); }, "Clock error", "Unknown"},
        {"no serial number", true, [](InstrumentInfo& i) { i.SerialNumber.clear(); }, "Serial number", "Unknown"},
        {"terminal mode memory", false, [](InstrumentInfo&) {}, "Memory", "Not read"},
        {"terminal mode clock", false, [](InstrumentInfo&) {}, "Clock error", "Not read"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InstrumentInfo info = Connected();
        c.change(info);
        EXPECT_EQ(ValueOf(InstrumentIdentityRows(info, c.stateRead, english), QString::fromLatin1(c.row)),
            QString::fromLatin1(c.value));
    }
    const QString text = InstrumentIdentityText(InstrumentIdentityRows(Connected(), true, english));
    EXPECT_EQ(text.count(QLatin1Char('\n')), 7);
    EXPECT_TRUE(text.startsWith(QStringLiteral("Serial number: 10234F\nFirmware: HHU V2.31 Tolvi\n")));
}
