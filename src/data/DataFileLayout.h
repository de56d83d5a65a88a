#pragma once
#include "data/DataFormat.h"
#include "link/FirmwareFlags.h"

#include <QLocale>
#include <QString>

struct SlotRecord;

// The lines of a delimited data file (dated, UTC or Comprehensive layout):
// the header line and one line per record. Numbers and dates follow the given
// locale; fields are joined by the separator the save dialog chose.
struct DataFileLayout {
    DataFormat format = DataFormat::AllDayMonthName;
    QString sep = QStringLiteral(",");
    bool singleColumn = true;       // date and time in one column (dated layouts)
    QLocale locale;
    FirmwareFlags flags;

    QString header() const;
    // number counts the written records from 1 (Comprehensive's first column).
    QString row(const SlotRecord& slot, int number) const;
    // The verbose layouts log every line they write; Comprehensive logs only
    // its header and metadata.
    bool logsRows() const { return DataFormats::layout(format) != DataFormats::Layout::Comprehensive; }

private:
    QString datedRow(const SlotRecord& slot) const;
    QString utcRow(const SlotRecord& slot) const;
    QString comprehensiveRow(const SlotRecord& slot, int number) const;
};

// A slot's local sample time; the empty record of a failed read has none
// and shows the zero date.
QDateTime SampleTimeOf(const SlotRecord& slot);

// Shortest decimal text that reads back as the same single-precision value,
// with the locale's decimal separator ("1.5", "0.1", "101.325").
QString ShortestSingleText(float value, const QLocale& locale);
