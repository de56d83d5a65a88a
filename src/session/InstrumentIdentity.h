#pragma once
#include <QList>
#include <QLocale>
#include <QString>

struct InstrumentInfo;

// What the Configure page shows about the connected instrument: one named
// value per row, built from the instrument record.
struct IdentityRow {
    QString name;
    QString value;
    bool operator==(const IdentityRow&) const = default;
};

// Serial number, firmware, the three dates, the usage counter, the memory
// use and the clock error. stateRead: whether the memory and the clock were
// read (not in terminal debug mode, where they show "Not read").
QList<IdentityRow> InstrumentIdentityRows(const InstrumentInfo& info, bool stateRead,
    const QLocale& locale = QLocale::system());

// The rows as lines of "name: value".
QString InstrumentIdentityText(const QList<IdentityRow>& rows);
