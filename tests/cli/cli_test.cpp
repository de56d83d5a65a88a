#include "CliProcess.h"
#include "QtPrinters.h"
#include "SilentLine.h"
#include "SimHost.h"
#include "TempFolder.h"
#include "link/SerialPermission.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Runs the built tolvi-cli with its data in folder.
CliFinished runCli(const TempFolder& folder, QStringList arguments)
{
    arguments.prepend(folder.path());
    arguments.prepend(QStringLiteral("--data-dir"));
    QProcess process;
    process.start(BriskCli(), arguments);
    return FinishCli(process);
}

quint16 closedTcpPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}

void writeFile(const QString& path, const QByteArray& content)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
}

std::unique_ptr<SimHost> simOnTcp(SimScenario scenario = {})
{
    SimHostOptions options;
    options.pty = false;
    options.tcp = true;
    return std::make_unique<SimHost>(std::move(scenario), options);
}

} // namespace

TEST(Cli, UsageErrorsAreOneLineAndStatusOne)
{
    struct Case { QStringList arguments; const char* message; };
    const Case cases[] = {
        {{}, "no command given"},
        {{"frobnicate"}, "unknown command: frobnicate"},
        {{"--bogus", "ports"}, "Unknown option 'bogus'"},
        {{"send"}, "usage: tolvi-cli [options] send PAYLOAD"},
        {{"ports", "extra"}, "usage: tolvi-cli [options] ports"},
        {{"info"}, "no instrument port given"},
        {{"--port", "7", "--auto", "info"}, "--port and --auto exclude each other"},
        {{"--port", "/no/such/device", "info"}, "no such port: /no/such/device"},
        {{"--port", "300", "info"}, "no such port: 300"},
        {{"--port", "COM0", "info"}, "no such port: COM0"},
        {{"--auto", "send", "S"}, "use --port or --demo"},
        {{"--port", "7", "collect"}, "collect finds the instruments itself: --port and --auto do not go with it"},
        {{"--auto", "collect"}, "collect finds the instruments itself: --port and --auto do not go with it"},
        {{"--port", "7", "send", "G00\x02" "2001"}, "the payload may not contain STX (0x02) or CR (0x0D)"},
        {{"--port", "7", "send", "S\r"}, "the payload may not contain STX (0x02) or CR (0x0D)"},
    };
    for (const Case& c : cases) {
        TempFolder folder;
        const CliFinished run = runCli(folder, c.arguments);
        EXPECT_EQ(run.exitCode, 1) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(run.err.startsWith(QStringLiteral("tolvi-cli: "))) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QString::fromLatin1(c.message))) << run.err.toStdString();
        EXPECT_EQ(run.err.count(QLatin1Char('\n')), 1) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
}

TEST(Cli, HelpListsEveryCommand)
{
    TempFolder folder;
    const CliFinished run = runCli(folder, {QStringLiteral("--help")});
    EXPECT_EQ(run.exitCode, 0);
    for (const char* text : {"ports", "info", "send PAYLOAD", "--port", "--auto", "--demo", "--data-dir", "--yes",
             "--password", "TOLVI_PASSWORD", "4 refused", "5 done in part"})
        EXPECT_TRUE(run.out.contains(QString::fromLatin1(text))) << text;
}

TEST(Cli, InfoOverTcpAndOverAPseudoTerminal)
{
    SimScenario scenario;
    scenario.firmware = QStringLiteral("V2.20");
    SimHostOptions both;
    both.tcp = true;
    SimHost sim(scenario, both);
    for (const QString& port : {sim.networkAddress(), sim.ptyPath()}) {
        TempFolder folder;
        const CliFinished run = runCli(folder, {QStringLiteral("--port"), port, QStringLiteral("info")});
        EXPECT_EQ(run.exitCode, 0) << port.toStdString() << run.err.toStdString();
        const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        ASSERT_GE(lines.size(), 12) << run.out.toStdString();
        EXPECT_EQ(lines[0], QStringLiteral("Serial number: 10234F"));
        EXPECT_EQ(lines[1], QStringLiteral("Firmware: V2.20"));
        EXPECT_EQ(lines[2], QStringLiteral("Manufactured: 12-Mar-2021"));
        EXPECT_EQ(lines[5], QStringLiteral("Usage counter: 1234"));
        EXPECT_TRUE(run.out.contains(QStringLiteral("Schedule: Disabled")));
        // Records and the session log are written as the desktop program writes them.
        EXPECT_TRUE(QFile::exists(folder.file(QStringLiteral("10234F/initial.txt"))));
        QFile log(folder.file(QStringLiteral("session.txt")));
        ASSERT_TRUE(log.open(QIODevice::ReadOnly));
        EXPECT_TRUE(log.readAll().contains("Instrument replied."));
    }
}

TEST(Cli, DemoInstrument)
{
    TempFolder folder;
    const CliFinished run = runCli(folder, {QStringLiteral("--demo"), QStringLiteral("info")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith(QStringLiteral("Serial number: "))) << run.out.toStdString();
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
}

TEST(Cli, NoInstrumentAnswering)
{
    TempFolder folder;
    const QString closed = QStringLiteral("net://127.0.0.1:%1").arg(closedTcpPort());
    const CliFinished run = runCli(folder, {QStringLiteral("--port"), closed, QStringLiteral("info")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, QStringLiteral("tolvi-cli: Sorry, failed to find any instruments on ") + closed
            + QStringLiteral(": Please check the connection cable and that the instrument is turned on.\n"));

    // "com200" names port 200, whose device does not exist here.
    const CliFinished named = runCli(folder, {QStringLiteral("--port"), QStringLiteral("com200"), QStringLiteral("info")});
    EXPECT_EQ(named.exitCode, 2);
    EXPECT_TRUE(named.err.startsWith(QStringLiteral("tolvi-cli: Sorry, failed to find any instruments on COM Port 200:")))
        << named.err.toStdString();

    SilentLine silent;
    const CliFinished send = runCli(folder, {QStringLiteral("--port"), silent.path(), QStringLiteral("send"), QStringLiteral("S")});
    EXPECT_EQ(send.exitCode, 2);
    const QStringList lines = send.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("\t>>>\t!S0C")));
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("\t!!!\t[No Reply]")));
}

TEST(Cli, SendPrintsTheExchangeAndFailsOnARejectedReply)
{
    auto sim = simOnTcp();
    TempFolder folder;
    const CliFinished good = runCli(folder, {QStringLiteral("--port"), sim->networkAddress(), QStringLiteral("send"),
                                        QStringLiteral("g002001")});
    EXPECT_EQ(good.exitCode, 0) << good.err.toStdString();
    const QStringList lines = good.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("\t>>>\t'G0020016F")));
    EXPECT_TRUE(lines[1].contains(QStringLiteral("\t<<<\t'G0020")));
    // Nothing but the one request reached the instrument.
    EXPECT_EQ(sim->engine().receivedPayloads(), QList<QByteArray>{"G002001"});

    SimScenario corrupt;
    SimFaultRule rule;
    rule.prefix = QStringLiteral("G");
    corrupt.faults.corruptReply << rule;
    auto bad = simOnTcp(corrupt);
    const CliFinished rejected = runCli(folder, {QStringLiteral("--port"), bad->networkAddress(), QStringLiteral("send"),
                                            QStringLiteral("G002001")});
    EXPECT_EQ(rejected.exitCode, 3);
    EXPECT_EQ(rejected.err.count(QLatin1Char('\n')), 1);
}

TEST(Cli, PortsListsMappedDevicesAndTheLastBridge)
{
    TempFolder folder;
    SilentLine line;
    writeFile(folder.file(QStringLiteral("app.txt")),
        "; === Application Settings ===\r\n[Ports]\r\n1=/no/such/device\r\n9=" + line.path().toLocal8Bit() + "\r\n");
    writeFile(folder.file(QStringLiteral("user.txt")),
        "; === User Settings ===\r\n[LastRemote]\r\nAddress=10.1.2.3\r\nPort=8899\r\n");
    const CliFinished run = runCli(folder, {QStringLiteral("ports")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_TRUE(lines.contains(QStringLiteral("COM Port 9 - ") + line.path())) << run.out.toStdString();
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines.last(), QStringLiteral("net://10.1.2.3:8899"));
    EXPECT_EQ(lines[lines.size() - 2], QStringLiteral("----------------------------"));
}

// A serial device this user may not open (a pseudo-terminal closed to its
// own user, its group free to read and write): "ports" marks it, a
// command on it says why and how to fix it, and the session log holds the
// same text. Root opens every device, so this skips as root.
TEST(Cli, DeviceWithoutPermissionIsMarkedAndExplained)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may open every device";
    TempFolder folder;
    SilentLine line;
    ASSERT_FALSE(line.path().isEmpty());
    ASSERT_EQ(::chmod(line.path().toLocal8Bit().constData(), 0060), 0);
    writeFile(folder.file(QStringLiteral("app.txt")),
        "; === Application Settings ===\r\n[Ports]\r\n99=" + line.path().toLocal8Bit() + "\r\n");
    const QString text = SerialPermissionText(line.path());
    ASSERT_TRUE(text.startsWith(QStringLiteral("Permission denied on ") + line.path())) << text.toStdString();

    const CliFinished ports = runCli(folder, {QStringLiteral("ports")});
    EXPECT_EQ(ports.exitCode, 0) << ports.err.toStdString();
    EXPECT_TRUE(ports.out.split(QLatin1Char('\n')).contains(
        QStringLiteral("COM Port 99 (%1: no permission)").arg(line.path())))
        << ports.out.toStdString();
    EXPECT_TRUE(ports.err.contains(text)) << ports.err.toStdString();

    struct Case { const char* name; QStringList arguments; int exitCode; };
    const Case cases[] = {
        {"ConnectingCommand", {"--port", line.path(), "info"}, 2},
        {"RawSend", {"--port", line.path(), "send", "S"}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CliFinished run = runCli(folder, c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(text)) << run.err.toStdString();
        QFile log(folder.file(QStringLiteral("session.txt")));
        ASSERT_TRUE(log.open(QIODevice::ReadOnly));
        EXPECT_TRUE(QString::fromLocal8Bit(log.readAll()).contains(text));
    }
}

// --version: one fact a line, the data folder the one this run would use.
TEST(Cli, VersionShowsBuildQtAndDataFolder)
{
    TempFolder folder;
    const CliFinished run = runCli(folder, {QStringLiteral("--version")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4) << run.out.toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("tolvi-cli " TOLVI_VERSION));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Built: \\d{4}-\\d{2}-\\d{2}$")).match(lines[1]).hasMatch())
        << lines[1].toStdString();
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("Qt: ") + QLatin1String(qVersion()))) << lines[2].toStdString();
    EXPECT_EQ(lines[3], QStringLiteral("Data folder: ") + QDir(folder.path()).absolutePath());
}
