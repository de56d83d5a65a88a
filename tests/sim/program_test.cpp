#include "SimTestSupport.h"
#include "TempFolder.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <gtest/gtest.h>

using namespace simtest;

namespace {

QString ProgramPath() { return QStringLiteral(TOLVI_BINARY_DIR "/sim/tolvi-sim"); }

bool ProgramBuilt() { return QFile::exists(ProgramPath()); }

// Runs tolvi-sim as a user would: options, the address it prints, frames
// over TCP, then a stop request; the state file and frame log it leaves.
TEST(SimProgram, ServesTcpAndLeavesStateAndLogOnExit)
{
    if (!ProgramBuilt())
        GTEST_SKIP() << "tolvi-sim is not built";
    TempFolder tmp;
    const QString state = tmp.file(QStringLiteral("state.json"));
    const QString log = tmp.file(QStringLiteral("frames.txt"));
    QProcess sim;
    sim.start(ProgramPath(), {QStringLiteral("--tcp"), QStringLiteral("0"), QStringLiteral("--baud"), QStringLiteral("0"),
                                 QStringLiteral("--slots"), QStringLiteral("5"), QStringLiteral("--firmware"),
                                 QStringLiteral("V1.43"), QStringLiteral("--state-out"), state, QStringLiteral("--log"), log});
    ASSERT_TRUE(sim.waitForStarted(5000));
    QByteArray printed;
    const QRegularExpression tcpLine(QStringLiteral("tcp: 127\\.0\\.0\\.1:(\\d+)"));
    QRegularExpressionMatch match;
    while (!(match = tcpLine.match(QString::fromLatin1(printed))).hasMatch() && sim.waitForReadyRead(5000))
        printed += sim.readAllStandardOutput();
    ASSERT_TRUE(match.hasMatch()) << printed.constData();

    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), quint16(match.captured(1).toUInt()));
    ASSERT_TRUE(socket.waitForConnected(5000));
    auto ask = [&socket](const QByteArray& payload) {
        socket.write(ComposeMessage(payload));
        socket.waitForBytesWritten(5000);
        QByteArray reply;
        while (!reply.contains('\r') && socket.waitForReadyRead(5000))
            reply += socket.readAll();
        return PayloadOf(SplitFrames(reply).value(0));
    };
    EXPECT_EQ(ask("J00"), QByteArray("J040005"));
    EXPECT_EQ(ask("E003006"), QByteArray("E0030") + QByteArray("V1.43 ").toHex().toUpper());
    EXPECT_EQ(ask("B0048FF"), QByteArray("B0048FF"));

    sim.terminate();
    ASSERT_TRUE(sim.waitForFinished(5000));
    EXPECT_EQ(sim.exitCode(), 0) << sim.readAllStandardError().constData();

    QFile stateFile(state);
    ASSERT_TRUE(stateFile.open(QIODevice::ReadOnly));
    const QJsonObject saved = QJsonDocument::fromJson(stateFile.readAll()).object();
    EXPECT_EQ(saved.value(QLatin1String("eepromImage")).toString().mid(0x48 * 2, 2), QStringLiteral("FF"));
    EXPECT_EQ(saved.value(QLatin1String("slots")).toArray().size(), 5);

    QFile logFile(log);
    ASSERT_TRUE(logFile.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = logFile.readAll().split('\n');
    EXPECT_EQ(lines.size(), 7); // three received, three sent, the empty rest after the last CR LF
    EXPECT_TRUE(lines.value(0).contains("\tRX\t") && lines.value(0).endsWith(Body("J00") + "\r"));
}

TEST(SimProgram, BadOptionsAreRefusedWithAMessage)
{
    if (!ProgramBuilt())
        GTEST_SKIP() << "tolvi-sim is not built";
    const QStringList cases[] = {
        {QStringLiteral("--baud"), QStringLiteral("fast")},
        {QStringLiteral("--scenario"), QStringLiteral("/nonexistent/scenario.json")},
        {QStringLiteral("--drop-slots"), QStringLiteral("5-3")},
        {QStringLiteral("--no-reply"), QStringLiteral("S:many")},
        {QStringLiteral("--switch-off-at"), QStringLiteral("P:soon")},
        {QStringLiteral("--port-number"), QStringLiteral("300")},
        {QStringLiteral("stray")},
    };
    for (const QStringList& args : cases) {
        QProcess sim;
        sim.start(ProgramPath(), args);
        ASSERT_TRUE(sim.waitForFinished(10000)) << args.join(' ').toStdString();
        EXPECT_EQ(sim.exitCode(), 2) << args.join(' ').toStdString();
        EXPECT_TRUE(sim.readAllStandardError().startsWith("tolvi-sim: ")) << args.join(' ').toStdString();
    }
}

TEST(SimProgram, SwitchOffFaultFromTheCommandLine)
{
    if (!ProgramBuilt())
        GTEST_SKIP() << "tolvi-sim is not built";
    QProcess sim;
    sim.start(ProgramPath(), {QStringLiteral("--switch-off-at"), QStringLiteral("C:2"), QStringLiteral("--print-scenario")});
    ASSERT_TRUE(sim.waitForFinished(10000));
    EXPECT_EQ(sim.exitCode(), 0) << sim.readAllStandardError().constData();
    const QJsonObject faults =
        QJsonDocument::fromJson(sim.readAllStandardOutput()).object().value(QLatin1String("faults")).toObject();
    const QJsonObject rule = faults.value(QLatin1String("switchOffAt")).toObject();
    EXPECT_EQ(rule.value(QLatin1String("prefix")).toString(), QStringLiteral("C"));
    EXPECT_EQ(rule.value(QLatin1String("times")).toInt(), 2);
}

} // namespace
