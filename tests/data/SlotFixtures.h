#pragma once
#include "QtPrinters.h"
#include "instrument/DownloadTable.h"
#include "instrument/SlotRecord.h"

#include <QDateTime>
#include <QLocale>

// Small hand-made slots for the data tests.
namespace fixtures {

const QLocale english(QLocale::English, QLocale::UnitedKingdom);
const QLocale german(QLocale::German, QLocale::Germany);

inline SlotRecord slot(float reading, const QDateTime& when = QDateTime(QDate(2026, 12, 4), QTime(13, 5, 0)))
{
    SlotRecord s;
    s.Reading = reading;
    s.TimedReading = reading;
    s.ReadingMGM = reading < 0 ? -1.0f : reading * 1.2f;
    s.Temperature = 21.5f;
    s.Humidity = 40.0f;
    s.Limit = 1;
    s.SampleTime = when;
    s.TimeStamp = static_cast<int32_t>(when.toSecsSinceEpoch());
    s.RawHex = QStringLiteral("28123456789ABCDEF0123456789ABCDE");
    return s;
}

inline SlotRecord scheduled(float reading, bool first = false)
{
    SlotRecord s = slot(reading);
    s.Scheduled = true;
    s.FirstInSchedule = first;
    return s;
}

inline DownloadTable table(std::initializer_list<SlotRecord> slots)
{
    DownloadTable t;
    t.resize(static_cast<int>(slots.size()));
    int i = 1;
    for (const SlotRecord& s : slots)
        t[i++] = s;
    return t;
}

}
