#include "QtPrinters.h"
#include "../instrument/ZoneForTest.h"
#include "ServicesRig.h"
#include "instrument/InstrumentInfo.h"
#include "records/InstrumentRecords.h"
#include "records/LegacyValues.h"
#include "records/RecordFiles.h"
#include "shell/PerUserSettings.h"
#include "shell/Services.h"
#include "shell/SessionLog.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

QStringList fileLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray all = f.readAll();
    EXPECT_TRUE(all.isEmpty() || all.endsWith("\r\n")) << path.toStdString();
    QStringList lines = QString::fromUtf8(all).split(QStringLiteral("\r\n"));
    lines.removeLast();
    return lines;
}

// The text of each history line (after the UTC stamp and the TAB).
QStringList historyTexts(const QString& folder)
{
    QStringList texts;
    for (const QString& line : fileLines(QDir(folder).filePath(QStringLiteral("history.txt")))) {
        const qsizetype tab = line.indexOf(QLatin1Char('\t'));
        EXPECT_GT(tab, 0) << line.toStdString();
        texts << line.mid(tab + 1);
    }
    return texts;
}

struct RecordsFixture : ServicesRig {
    InstrumentInfo info;
    QDateTime now{QDate(2026, 12, 10), QTime(12, 0, 0), Qt::UTC};

    RecordsFixture()
    {
        info.SerialNumber = QStringLiteral("12345");
        info.FirmwareID = QStringLiteral("HHU V2.31");
        info.UsageCounter = 321;
        info.FRAMMap = 5;
        info.Mode = 1;
        info.Limit = 2;
        info.CalibrationValid = true;
        info.PeakValue = 0.5f;
        info.PumpMode = 1;
        info.PumpTimed = true;
        info.PumpTime = 2.5f;
        info.PumpDelta = -0.1f;
        info.ValveMode = 2;
        info.ValveAlways = true;
        for (int i = 1; i <= 20; ++i)
            info.FlashLimits[i] = uint8_t(i);
    }

    RecordStepResult connect() { return WriteConnectionRecords(services, info, now, QStringLiteral("1.2.3")); }
    QString file(const QString& name) const { return QDir(data.file(info.SerialNumber)).filePath(name); }
};

} // namespace

TEST(InstrumentRecords, FirstAndSecondConnection)
{
    RecordsFixture f;
    const RecordStepResult first = f.connect();
    EXPECT_TRUE(first.newInstrument);
    EXPECT_TRUE(first.filesWritten);
    EXPECT_EQ(first.folder, f.data.file(QStringLiteral("12345")));

    const QStringList initial = fileLines(f.file(QStringLiteral("initial.txt")));
    ASSERT_EQ(initial.size(), 52);
    EXPECT_EQ(initial[3], QStringLiteral(";") + QString(32, QLatin1Char(' ')));
    EXPECT_TRUE(initial[6].startsWith(QStringLiteral("FirstSeen=")) && initial[6].endsWith(QStringLiteral(" GMT")));
    EXPECT_EQ(initial[7], QStringLiteral("Counter=321"));
    EXPECT_EQ(initial[8], QStringLiteral("String=?"));
    EXPECT_EQ(initial.mid(16, 9), (QStringList{"[LimitBank]", "1=0x010203:0D0E", "2=0x040506:0F10",
                                      "3=0x070809:1112", "4=0x0A0B0C:1314", "A=N/A", "B=N/A", "C=N/A", "D=N/A"}));
    EXPECT_EQ(initial[27], QStringLiteral("ID=HHU V2.31"));
    EXPECT_EQ(initial.mid(29, 12),
        (QStringList{"[Setup]", "Mode=1", "Limit=2", "Calibrated=True", "PeakCal=0.5", "AreaCal=0", "PumpMode=Timed",
            "PumpTime=2.5", "PumpDelta=-0.1", "ValveMode=Always", "ValveTime=0", "ValveDelta=0"}));
    EXPECT_EQ(initial.mid(42),
        (QStringList{"[OldReg]", "FirstConnected=Never", "LastConnected=Never", "Firmware=Unknown", "Counter=Unknown",
            "FRAMReset=Unknown", "MGM:P=Unknown", "MGM:M=Unknown", "MGM:R=Unknown", "MGM:K=Unknown"}));

    const QStringList settings = fileLines(f.file(QStringLiteral("settings.txt")));
    ASSERT_EQ(settings.size(), 13);
    EXPECT_EQ(settings.mid(6, 5), (QStringList{"[FRAM]", "x=0", "", "[RTC]", "x=False"}));
    EXPECT_EQ(settings.last(), QStringLiteral("; END"));

    QStringList history = historyTexts(first.folder);
    ASSERT_EQ(history.size(), 12);
    EXPECT_EQ(history.mid(0, 3),
        (QStringList{"Instrument 12345 History.", "initial.txt and settings.txt files created", "==="}));
    EXPECT_TRUE(history[3].startsWith(QStringLiteral("Connected at ")));
    EXPECT_EQ(history[4], QStringLiteral("\t: S/W          = 1.2.3"));
    EXPECT_EQ(history[5], QStringLiteral("\t: F/W          = HHU V2.31"));
    EXPECT_EQ(history[9], QStringLiteral("\t: Counter      = 321"));
    EXPECT_EQ(history[10], QStringLiteral("\t: Chipmap      = 00000101"));
    EXPECT_EQ(history[11], QString());

    // A second connection adds only its block; the snapshot files stay as written.
    f.info.UsageCounter = 400;
    const RecordStepResult second = f.connect();
    EXPECT_FALSE(second.newInstrument);
    history = historyTexts(second.folder);
    ASSERT_EQ(history.size(), 21);
    EXPECT_EQ(history[18], QStringLiteral("\t: Counter      = 400"));
    EXPECT_EQ(fileLines(f.file(QStringLiteral("initial.txt"))), initial);
}

TEST(InstrumentRecords, LegacyValuesMoveIntoTheFilesOnce)
{
    RecordsFixture f;
    const QString section = LegacySection(QStringLiteral("12345"));
    const QMap<QString, QString> legacy{{"FC", "01/02/2009"}, {"LC", "03/04/2010"}, {"FW", "V1.43"}, {"PC", "77"},
        {"FRAMResets", "3"}, {"mgm_p", "1.1"}, {"mgm_k", "4.4"}, {"SettingRTC", "True"}};
    for (auto it = legacy.begin(); it != legacy.end(); ++it)
        f.perUser.setValue(section, it.key(), it.value());

    f.connect();
    const QStringList initial = fileLines(f.file(QStringLiteral("initial.txt")));
    ASSERT_EQ(initial.size(), 52);
    EXPECT_EQ(initial.mid(43),
        (QStringList{"FirstConnected=01/02/2009", "LastConnected=03/04/2010", "Firmware=V1.43", "Counter=77",
            "FRAMReset=3", "MGM:P=1.1", "MGM:M=Unknown", "MGM:R=Unknown", "MGM:K=4.4"}));
    const QStringList settings = fileLines(f.file(QStringLiteral("settings.txt")));
    EXPECT_EQ(settings[7], QStringLiteral("x=3"));
    EXPECT_EQ(settings[10], QStringLiteral("x=True"));

    // Gone afterwards: the section and the moved values.
    EXPECT_FALSE(f.perUser.contains(section, QStringLiteral("FC")));
    EXPECT_FALSE(f.perUser.contains(section, QStringLiteral("mgm_p")));
    EXPECT_TRUE(f.perUser.keys(section).isEmpty());

    // A record folder removed by the user makes the instrument new again,
    // now with the default settings.
    QDir(f.data.file(QStringLiteral("12345"))).removeRecursively();
    f.connect();
    EXPECT_EQ(fileLines(f.file(QStringLiteral("settings.txt")))[7], QStringLiteral("x=0"));
    EXPECT_EQ(fileLines(f.file(QStringLiteral("initial.txt")))[43], QStringLiteral("FirstConnected=Never"));
}

TEST(InstrumentRecords, PumpAndValveModeLines)
{
    struct Case { bool always, never, timed; uint8_t raw; const char* text; };
    const Case cases[] = {{true, false, false, 2, "Always"}, {false, true, false, 0, "Never"},
        {false, false, true, 1, "Timed"}, {false, false, false, 7, "7; Other"}};
    for (const Case& c : cases) {
        InstrumentInfo info;
        info.PumpAlways = info.ValveAlways = c.always;
        info.PumpNever = info.ValveNever = c.never;
        info.PumpTimed = info.ValveTimed = c.timed;
        info.PumpMode = info.ValveMode = c.raw;
        const QStringList lines = InitialFileLines(info, LegacyValues{}, QDateTime::currentDateTimeUtc());
        EXPECT_EQ(lines[35], QStringLiteral("PumpMode=") + QString::fromLatin1(c.text));
        EXPECT_EQ(lines[38], QStringLiteral("ValveMode=") + QString::fromLatin1(c.text));
    }
}

TEST(InstrumentRecords, ClockReadingIsWrittenAsLocalTime)
{
    ZoneForTest zone("UTC-2"); // two hours east of UTC
    InstrumentInfo info;
    info.RTCSeconds = QDateTime(QDate(2026, 12, 10), QTime(10, 30, 0), Qt::UTC).toSecsSinceEpoch();
    const QStringList lines = InitialFileLines(info, LegacyValues{}, QDateTime::currentDateTimeUtc());
    const QString line = lines.filter(QStringLiteral("RTCSetting=")).value(0);
    EXPECT_TRUE(line.contains(QStringLiteral("12:30:00"))) << line.toStdString();
    EXPECT_TRUE(line.endsWith(QStringLiteral(" GMT"))) << line.toStdString();
}

TEST(InstrumentRecords, NoSerialNumberWritesNothing)
{
    RecordsFixture f;
    f.info.SerialNumber.clear();
    const RecordStepResult result = f.connect();
    EXPECT_TRUE(result.folder.isEmpty());
    EXPECT_FALSE(result.filesWritten);
    EXPECT_FALSE(QFile::exists(f.data.file(QStringLiteral("history.txt"))));
}
