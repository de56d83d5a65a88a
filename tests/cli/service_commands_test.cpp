#include "CliProcess.h"
#include "QtPrinters.h"
#include "SimHost.h"
#include "TempFolder.h"
#include "shell/TextFile.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

std::unique_ptr<SimHost> SimOnTcp(SimScenario scenario = {})
{
    SimHostOptions options;
    options.pty = false;
    options.tcp = true;
    return std::make_unique<SimHost>(std::move(scenario), options);
}

QStringList Received(SimHost& sim)
{
    QStringList payloads;
    for (const QByteArray& p : sim.engine().receivedPayloads())
        payloads << QString::fromLatin1(p);
    return payloads;
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(cannot open)");
}

} // namespace

TEST(CliService, HelpListsTheServiceCommands)
{
    TempFolder folder;
    const CliFinished run = RunCliWithData(folder.path(), {QStringLiteral("--help")});
    EXPECT_EQ(run.exitCode, 0);
    for (const char* name : {"refresh-sensor", "report", "offsets"})
        EXPECT_TRUE(run.out.contains(QString::fromLatin1(name))) << name;
}

TEST(CliService, RefreshSensorRunsTheCyclesAndRestores)
{
    auto sim = SimOnTcp();
    TempFolder folder;
    WriteFileAtomically(folder.file(QStringLiteral("app.txt")), "[Refresh]\r\nCycles=2\r\nPRT=10\r\nLength=0.2\r\n");
    const CliFinished run = RunCliWithData(folder.path(),
        {QStringLiteral("--port"), sim->networkAddress(), QStringLiteral("--yes"), QStringLiteral("refresh-sensor")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts),
        (QStringList{"Refreshing the sensor...", "Refreshing the sensor... [Cycle 1 of 2]",
            "Refreshing the sensor... [Cycle 2 of 2]", "Refreshing the sensor... [Done]"}));
    EXPECT_TRUE(run.err.contains(QStringLiteral("The sensor has been refreshed"))) << run.err.toStdString();
    const QStringList sent = Received(*sim);
    // After connection control's reads: the save of the pump and valve bytes.
    const qsizetype start = sent.indexOf(QStringLiteral("G004205")) - 1;
    ASSERT_GE(start, 0);
    EXPECT_EQ(sent.mid(start), (QStringList{"G002001", "G004205", "B00200A", "B004201000A", "L", "D5C31A7F2", "O", "P",
                                   "P", "C", "B002032", "B004201003201FB", "U"}));
}

TEST(CliService, RefreshSensorWithoutConfirmationSendsNothing)
{
    auto sim = SimOnTcp();
    TempFolder folder;
    const CliFinished run = RunCliWithData(folder.path(),
        {QStringLiteral("--port"), sim->networkAddress(), QStringLiteral("refresh-sensor")});
    EXPECT_EQ(run.exitCode, 4) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("not confirmed"))) << run.err.toStdString();
    EXPECT_FALSE(Received(*sim).contains(QStringLiteral("G004205")));
    // The parameters used are in the settings file for the next time.
    EXPECT_TRUE(ReadAll(folder.file(QStringLiteral("app.txt"))).contains("[Refresh]\r\nCycles=10\r\nPRT=10\r\nLength=20\r\n"));
}

TEST(CliService, ReportToStandardOutputAndToAFile)
{
    auto sim = SimOnTcp(DefaultSimScenario());
    TempFolder folder;
    const QStringList connect{QStringLiteral("--port"), sim->networkAddress(), QStringLiteral("report")};
    const CliFinished toOutput = RunCliWithData(folder.path(), connect);
    EXPECT_EQ(toOutput.exitCode, 0) << toOutput.err.toStdString();
    EXPECT_TRUE(toOutput.out.startsWith(QStringLiteral("Settings and Event logs.\r\n\r\n\r\nArea runs from 30 s to 60 s.")))
        << toOutput.out.toStdString();
    for (const char* kind : {"Calibration", "Pump", "Valve", "Offset", "Schedule"})
        EXPECT_TRUE(toOutput.out.contains(QStringLiteral("* %1 settings at ").arg(QLatin1String(kind)))) << kind;

    const QString file = folder.file(QStringLiteral("report.txt"));
    const CliFinished toFile = RunCliWithData(folder.path(), connect + QStringList{QStringLiteral("-o"), file});
    EXPECT_EQ(toFile.exitCode, 0) << toFile.err.toStdString();
    EXPECT_TRUE(toFile.out.isEmpty());
    EXPECT_EQ(QString::fromUtf8(ReadAll(file)), toOutput.out);

    // A file that cannot be written is refused before the instrument is asked.
    const qsizetype asked = sim->engine().receivedPayloads().size();
    const CliFinished refused = RunCliWithData(folder.path(),
        connect + QStringList{QStringLiteral("-o"), folder.file(QStringLiteral("no/such/folder/report.txt"))});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("no such folder"))) << refused.err.toStdString();
    EXPECT_EQ(sim->engine().receivedPayloads().size(), asked);
}

TEST(CliService, Offsets)
{
    SimScenario scenario;
    scenario.eepromOverrides = {{0x0040, QByteArray::fromHex("000C")}, {0x0050, QByteArray::fromHex("000102")}};
    auto sim = SimOnTcp(scenario);
    TempFolder folder;
    const CliFinished run = RunCliWithData(folder.path(),
        {QStringLiteral("--port"), sim->networkAddress(), QStringLiteral("offsets")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("Fine : -0.012 ppm.\nZero Error = +258.\n"));
}
