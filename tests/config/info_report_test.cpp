#include "ConfigRig.h"
#include "QtPrinters.h"
#include "ScopedEnvironment.h"
#include "config/InfoReport.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

// 1 September 2026 10:30:00 UTC.
constexpr qint64 CalibratedAt = 1788258600;

tolviM::EventLogEntry Entry(const char* hexBytes, qint64 time = CalibratedAt)
{
    return tolviM::EventLogEntry{int32_t(time), QByteArray::fromHex(hexBytes)};
}

QStringList Details(EventLogKind kind, const char* hexBytes)
{
    QStringList lines = EventLogEntryLines(kind, 0, Entry(hexBytes));
    if (!lines.isEmpty())
        lines.removeFirst();
    for (QString& line : lines)
        line.remove(0, 1);   // the TAB every detail line begins with
    return lines;
}

QStringList FileLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("cannot open ") + path};
    const QString text = QString::fromUtf8(file.readAll());
    QStringList lines = text.split(QStringLiteral("\r\n"));
    if (!text.endsWith(QStringLiteral("\r\n")))
        lines << QStringLiteral("(no CR LF at the end)");
    return lines;
}

// An instrument with entries of every kind, some logs left empty, and
// special settings that show in the report's first lines.
SimScenario ReportScenario()
{
    SimScenario s;
    const auto hex = [](const char* text) { return QByteArray::fromHex(text); };
    s.eventLogs = {
        {0, 0, CalibratedAt, hex("0015012308000B009C4008000B00CB20")},
        {0, 3, CalibratedAt + 86400, hex("8116012304000B000FA004000B002710")},
        {1, 0, CalibratedAt + 600, hex("01F632")},
        {1, 1, CalibratedAt + 660, hex("070000")},
        {2, 0, CalibratedAt + 720, hex("010032FF")},
        {2, 7, CalibratedAt + 780, hex("020A1400")},
        {3, 0, CalibratedAt + 840, hex("0000")},
        {3, 1, CalibratedAt + 900, hex("FF38")},
        {3, 2, CalibratedAt + 960, hex("000C")},
        {4, 0, CalibratedAt + 1020, hex("107C0A01E002597C0000")},
    };
    s.eepromOverrides = {{0x0026, hex("00")}, {0x004D, hex("0F01")}};
    return s;
}

} // namespace

TEST(InfoReport, EntriesOfEveryKind)
{
    struct Case {
        const char* name;
        EventLogKind kind;
        const char* bytes;
        QStringList details;
    };
    const Case cases[] = {
        {"calibration without error flags", EventLogKind::Calibration, "0015012308000B009C4008000B00CB20",
            {"Temperature : 21°C", "Target was  : 10.000 ppm", "Peak Value  : 40000au at 12.3 sec",
                "Peak Gain   : 1.00000 or 02048/E11", "Area Value  : 52000au", "Area Gain   : 1.00000 or 02048/E11"}},
        {"calibration flags 0x81", EventLogKind::Calibration, "8116012304000B000FA004000B002710",
            {"Temperature : 22°C", "Target was  : 0.500 ppm", "Error in calibration", "Status      : R______L",
                "Peak Value  : 4000au at 12.3 sec", "Peak Gain   : 0.50000 or 01024/E11", "Area Value  : 10000au",
                "Area Gain   : 0.50000 or 01024/E11"}},
        {"calibration entry one byte short", EventLogKind::Calibration, "FF0000000000000000000000000000", {}},
        {"pump timed, starting early", EventLogKind::Pump, "01F632",
            {"Pump is in mode 'Timed', starts at -01.0 seconds and runs for +05.0 seconds."}},
        {"pump in an unknown mode, zero times", EventLogKind::Pump, "070000",
            {"Pump is in mode '?007?', starts at   0.0 seconds and runs for   0.0 seconds."}},
        {"valve always, at a button press", EventLogKind::Valve, "020A1400",
            {"Valve is in mode 'Always', starts at +01.0 seconds and runs for +02.0 seconds.",
                "Sample starts at 'Button Press'."}},
        {"valve never, at time zero", EventLogKind::Valve, "00000001",
            {"Valve is in mode 'Never', starts at   0.0 seconds and runs for   0.0 seconds.",
                "Sample starts at 'Time Zero'."}},
        {"zero offset", EventLogKind::Offset, "0000", {"Offset is  -OFF-"}},
        {"negative offset", EventLogKind::Offset, "FF38", {"Offset is -0.200"}},
        {"positive offset", EventLogKind::Offset, "000C", {"Offset is +0.012"}},
        {"weekday schedule", EventLogKind::Schedule, "107C0A01E002597C0000",
            {"Configuration is l___-___ (0b00010000)", "Starting Weekmask is ssFTWTM_ (0b01111100)",
                "Ending Weekmask is ssFTWTM_ (0b01111100)",
                "Schedule starts at 08:00, runs for 10:00 and samples every 10minutes.",
                "Schedule Loop Counter is 0"}},
        {"looping weekend schedule", EventLogKind::Schedule, "01830002D0003D03012C",
            {"Configuration is L_______ (0b00000001)", "Starting Weekmask is SSftwtm- (0b10000011)",
                "Ending Weekmask is SSftwtm_ (0b00000011)",
                "Schedule starts at 12:00, runs for 01:00 and samples every 0minutes.",
                "Schedule Loop Counter is 300"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Details(c.kind, c.bytes), c.details) << c.name;
}

TEST(InfoReport, HeaderLineOfAnEntry)
{
    ScopedEnvironment zone("TZ", "UTC-2");   // two hours east of UTC
    EXPECT_EQ(EventLogEntryLines(EventLogKind::Offset, 6, Entry("0000")).first(),
        QStringLiteral("* Offset settings at 01-Sep-2026 12:30:00, log number 6"));
    EXPECT_EQ(CalibrationFlagsText(0xFF), QStringLiteral("R-APMTNL"));
    EXPECT_EQ(CalibrationFlagsText(0x00), QStringLiteral("________"));
}

TEST(InfoReport, AreaPeriodLine)
{
    struct Case {
        const char* name;
        const char* bytes;
        std::optional<int> negatives;
        const char* line;
    };
    const Case cases[] = {
        {"30 to 60 s ignoring negatives", "2C015802", 0, "Area runs from 30 s to 60 s ignoring negatives."},
        {"negatives counted", "2C015802", 1, "Area runs from 30 s to 60 s."},
        {"negatives byte not read", "2C015802", std::nullopt, "Area runs from 30 s to 60 s."},
        {"signed 16-bit values", "F6FF0080", 0, "Area runs from -1 s to -3276.8 s ignoring negatives."},
        {"tenths", "0100FF7F", 1, "Area runs from 0.1 s to 3276.7 s."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AreaPeriodLine(QByteArray::fromHex(c.bytes), c.negatives), QString::fromLatin1(c.line)) << c.name;
}

TEST(InfoReport, SilentInstrumentStillGivesEveryLogItsSeparators)
{
    const QStringList lines = InfoReportLines(InfoReportReadings{});
    QStringList expected{"Settings and Event logs.", "", "", "Could not retrieve Area period.", "",
        "On-board event logs...", ""};
    for (int log = 0; log < EventLogCount; ++log)
        expected << "" << "";
    EXPECT_EQ(lines, expected);
}

TEST(InfoReport, ReportFromTheInstrumentMatchesTheExpectedFile)
{
    ScopedEnvironment zone("TZ", "UTC");
    ConfigRig rig;
    ASSERT_TRUE(rig.start(ReportScenario()));
    const QString path = ShowMoreInfo(rig.link, rig.services, rig.observer, rig.cancel);
    ASSERT_FALSE(path.isEmpty());
    EXPECT_TRUE(path.endsWith(QStringLiteral(".txt")));
    EXPECT_EQ(rig.prompts.openedPaths, QStringList{path});
    // The report is the only file left behind.
    EXPECT_FALSE(QFile::exists(path.chopped(3) + QStringLiteral("tmp")));

    const QStringList actual = FileLines(path);
    const QStringList expected = FileLines(QStringLiteral(TOLVI_SOURCE_DIR "/tests/config/expected/info-report.txt"));
    for (qsizetype i = 0; i < std::max(actual.size(), expected.size()); ++i)
        EXPECT_EQ(actual.value(i, QStringLiteral("(missing)")), expected.value(i, QStringLiteral("(missing)")))
            << "line " << i + 1;
    QFile::remove(path);

    // Every read is one exchange; the event logs come after the three settings.
    const QStringList sent = rig.payloads();
    ASSERT_GE(sent.size(), 3 + EventLogCount * EventLogEntries);
    EXPECT_EQ(sent.mid(0, 4), (QStringList{"G01F504", "G002601", "G004D02", "G100000"}));
    EXPECT_EQ(sent.last(), QStringLiteral("G100407"));
}

TEST(InfoReport, CancelStopsTheReadingAndWritesNothing)
{
    ConfigRig rig;
    ASSERT_TRUE(rig.start(ReportScenario()));
    rig.observer.onText = [&](const QString& text) {
        if (text.startsWith(ReadingEventLogsText + QStringLiteral(" 10%")))
            rig.cancel.request();
    };
    EXPECT_TRUE(ShowMoreInfo(rig.link, rig.services, rig.observer, rig.cancel).isEmpty());
    EXPECT_TRUE(rig.prompts.openedPaths.isEmpty());
    EXPECT_LT(rig.payloads().size(), 3 + 10);
}
