#include "CliProcess.h"
#include "QtPrinters.h"
#include "SimHost.h"
#include "TempFolder.h"
#include "shell/Password.h"
#include "shell/TextFile.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>

// The Settings page's commands against the simulated instrument over TCP.
namespace {

struct CliRig {
    TempFolder folder;
    std::unique_ptr<SimHost> sim;

    explicit CliRig(SimScenario scenario = {})
    {
        SimHostOptions options;
        options.pty = false;
        options.tcp = true;
        sim = std::make_unique<SimHost>(std::move(scenario), options);
    }
    CliFinished run(QStringList arguments)
    {
        arguments = QStringList{"--data-dir", folder.path(), "--port", sim->networkAddress()} + arguments;
        QProcess process;
        process.start(BriskCli(), arguments);
        return FinishCli(process);
    }
    // The requests after the connection's reads: what the command itself sent.
    QStringList writes() const
    {
        QStringList list;
        for (const QByteArray& p : sim->engine().receivedPayloads())
            if (p.startsWith('B') || (p.startsWith('K') && p.size() > 1))
                list << QString::fromLatin1(p);
        return list;
    }
    QByteArray eeprom(int address, int count) const
    {
        return sim->engine().inspect([&](const SimInstrument& i) { return i.eeprom().mid(address, count); });
    }
    QString history() const
    {
        QFile f(folder.file(QStringLiteral("10234F/history.txt")));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
};

SimScenario WithEeprom(int address, const char* hex)
{
    SimScenario s;
    s.eepromOverrides.insert(address, QByteArray::fromHex(hex));
    return s;
}

} // namespace

TEST(SettingsCli, ValuesOutOfRangeAreRefusedBeforeAnythingIsSent)
{
    struct Case {
        QStringList arguments;
        const char* message;
    };
    const Case cases[] = {
        {{"pump-valve", "set", "--pump-start", "-12.9"}, "--pump-start takes a number from -12.8 to 12.7"},
        {{"pump-valve", "set", "--valve-start", "12.8"}, "--valve-start takes a number from -12.8 to 12.7"},
        {{"pump-valve", "set", "--pump-run", "25.6"}, "--pump-run takes a number from 0 to 25.5"},
        {{"pump-valve", "set", "--valve-run", "-0.1"}, "--valve-run takes a number from 0 to 25.5"},
        {{"pump-valve", "set", "--pump", "sometimes"}, "--pump takes never|timed|always"},
        {{"pump-valve", "set", "--sample-at", "noon"}, "--sample-at takes button|time-zero"},
        {{"pump-valve", "set"}, "pump-valve set needs at least one setting"},
        {{"alarm", "set", "--level", "2.56"}, "--level takes a number from 0 to 2.55"},
        {{"alarm", "set", "--duration", "256"}, "--duration takes a number from 0 to 255"},
        {{"alarm", "set", "--duration", "ten"}, "--duration takes a number from 0 to 255"},
        {{"alarm", "set", "--drive", "up"}, "--drive takes low|high"},
        // Between the steps the instrument holds: it would be sent as another value.
        {{"alarm", "set", "--duration", "2.5"}, "--duration takes steps of 1 s; 2.5 is not one"},
        {{"alarm", "set", "--level", "0.005"}, "--level takes steps of 0.01 ppm; 0.005 is not one"},
        {{"pump-valve", "set", "--valve-run", "0.05"}, "--valve-run takes steps of 0.1 s; 0.05 is not one"},
        {{"switches", "--key-lock", "maybe"}, "--key-lock takes off|on"},
        {{"switches"}, "switches needs at least one switch"},
        {{"settings", "list"}, "usage: tolvi-cli settings show [--json]"},
        {{"clock", "get"}, "usage: tolvi-cli clock set"},
    };
    CliRig rig;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const CliFinished run = rig.run(c.arguments);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains(QString::fromLatin1(c.message))) << run.err.toStdString();
        EXPECT_TRUE(rig.sim->engine().receivedPayloads().isEmpty());
    }
}

TEST(SettingsCli, ShowAsJson)
{
    SimScenario s = WithEeprom(0x0009, "34120A");
    s.eepromOverrides.insert(0x002E, QByteArray::fromHex("1001"));
    s.mgmFactorStep = 108;   // 640 / 512
    CliRig rig(s);
    const CliFinished run = rig.run({"settings", "show", "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject json = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_EQ(json["cycles"].toInt(), 4660);
    EXPECT_EQ(json["cyclePointer"].toInt(), 10);
    EXPECT_TRUE(json["keyLock"].toBool());
    EXPECT_TRUE(json["autoOffBlocked"].toBool());
    EXPECT_EQ(json["mgmCaption"].toString(), "Fixed (c=640)");
    EXPECT_EQ(json["pump"].toObject()["startSeconds"].toDouble(), -0.5);
    EXPECT_EQ(json["sampleAt"].toString(), "time-zero");
    EXPECT_TRUE(rig.writes().isEmpty());
}

TEST(SettingsCli, ChangesKeepWhatIsNotNamed)
{
    CliRig rig;
    // Demo instrument: valve timed 0.0 s for 5.0 s, pump timed -0.5 s for 5.0 s.
    CliFinished run = rig.run({"--yes", "--password", "x", "pump-valve", "set", "--pump-start", "-2.5"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("New Pump and Valve settings sent to instrument."));
    EXPECT_EQ(rig.eeprom(0x0042, 6), QByteArray::fromHex("01003201E7FF"));

    run = rig.run({"--password", "x", "alarm", "set", "--level", "1.25"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(rig.eeprom(0x0048, 4), QByteArray::fromHex("0000057D"));   // still off, 5 s

    run = rig.run({"--yes", "--password", "x", "switches", "--key-lock", "on", "--save-all", "off"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("Save All is already off.")) << run.out.toStdString();
    EXPECT_EQ(rig.eeprom(0x002E, 2), QByteArray::fromHex("0001"));
    // The alarm keeps its direction (over) as well.
    EXPECT_EQ(rig.writes(), (QStringList{"B002032", "B004201003201E7FF", "B000543", "B004800", "B004A05", "B004B7D",
                                "B0059FF", "B002E0001"}));
    EXPECT_TRUE(rig.history().contains("::: Flag settings changed by "));
}

TEST(SettingsCli, SwitchesAskThePasswordOnceAndNoticesAreNotes)
{
    CliRig rig;
    WriteFileAtomically(rig.folder.file("user.txt"),
        "[Password]\r\nValid=True\r\nValue=" + PasswordHash("right").toUtf8() + "\r\n");
    CliFinished run = rig.run({"--password", "right", "switches", "--key-lock", "on", "--auto-off-blocked", "on"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(rig.eeprom(0x002E, 2), QByteArray::fromHex("1001"));
    // Each password check logs its verdict once.
    QFile log(rig.folder.file("session.txt"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(log.readAll()).count("Same? "), 1);

    // The warning about the button press and the recalibration notice do not stop
    // the change: they are notes, not errors.
    run = rig.run({"--yes", "--password", "right", "pump-valve", "set", "--sample-at", "button"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("note: This is not the recommended 'Pump/Valve' setting")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("note: You must recalibrate the instrument")) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("tolvi-cli:")) << run.err.toStdString();
}

TEST(SettingsCli, WrongPasswordIsRefusedWithStatusFour)
{
    CliRig rig(WithEeprom(0x002E, "1001"));
    WriteFileAtomically(rig.folder.file("user.txt"),
        "[Password]\r\nValid=True\r\nValue=" + PasswordHash("right").toUtf8() + "\r\n");
    const CliFinished run = rig.run({"--password", "wrong", "switches", "--key-lock", "off"});
    EXPECT_EQ(run.exitCode, 4) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("That's the wrong password")) << run.err.toStdString();
    EXPECT_TRUE(rig.writes().isEmpty());
}

TEST(SettingsCli, ClockSetToThePcTime)
{
    SimScenario s;
    s.clockOffsetSeconds = 600;
    CliRig rig(s);
    const CliFinished run = rig.run({"clock", "set"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("Instrument clock set to local PC time."));
    EXPECT_EQ(rig.writes().size(), 1);
    EXPECT_TRUE(rig.history().contains("::: Instrument clock set by "));
}
