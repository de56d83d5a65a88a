// tolvi-sim: the simulated instrument as a program of its own, for trying
// the system or training without an instrument.
#include "SimHost.h"
#include "SimPortsFile.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QJsonDocument>
#include <QTextStream>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <pthread.h>

namespace {

int Fail(const QString& message)
{
    std::cerr << "tolvi-sim: " << message.toStdString() << std::endl;
    return 2;
}

// "--tcp 8899" takes an optional port; the parser wants options with fixed
// arity, so a number right after --tcp becomes --tcp-port.
QStringList WithTcpPort(QStringList args)
{
    for (int i = 1; i + 1 < args.size(); ++i) {
        bool number = false;
        args[i + 1].toInt(&number);
        if (args[i] == QLatin1String("--tcp") && number)
            args[i + 1] = QStringLiteral("--tcp-port=") + args[i + 1];
    }
    return args;
}

bool ParseInt(const QCommandLineParser& p, const QString& name, int& out, int low, int high, QString* error)
{
    if (!p.isSet(name))
        return true;
    bool ok = false;
    const int v = p.value(name).toInt(&ok);
    if (!ok || v < low || v > high) {
        *error = QStringLiteral("--%1 needs a number from %2 to %3").arg(name).arg(low).arg(high);
        return false;
    }
    out = v;
    return true;
}

bool ParseRules(const QCommandLineParser& p, const QString& name, QList<SimFaultRule>& rules, QString* error)
{
    for (const QString& text : p.values(name)) {
        SimFaultRule rule;
        if (!ParseFaultRule(text, rule, error))
            return false;
        rules.append(rule);
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tolvi-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TOLVI_VERSION));

    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "A simulated hand-held gas-concentration meter. It answers the instrument's framed requests\n"
        "(status, EEPROM and flash reads and writes, sample memory, clock, schedule, event logs,\n"
        "test mode) over a pseudo-terminal, a TCP port (the network serial bridge), or both.\n"
        "It runs until interrupted (Ctrl+C).\n\n"
        "Faults take PREFIX[:N]: requests whose payload begins with PREFIX (e.g. S, J00, G0109), only\n"
        "the first N of them when N is given. Slot lists take 3,5,9-12."));
    p.addHelpOption();
    p.addVersionOption();
    const QList<QCommandLineOption> options = {
        {QStringLiteral("tcp"), QStringLiteral("Serve TCP as the network serial bridge: --tcp [PORT], port 8899 unless given; 0 picks a free port.")},
        {QStringLiteral("tcp-port"), QStringLiteral("The TCP port (same as the number after --tcp)."), QStringLiteral("PORT"), QStringLiteral("8899")},
        {QStringLiteral("listen-any"), QStringLiteral("Listen on every network interface, not only the loopback.")},
        {QStringLiteral("pty"), QStringLiteral("Serve a pseudo-terminal and print its path (the default without --tcp).")},
        {QStringLiteral("ports-file"), QStringLiteral("Enter the pseudo-terminal as N=/path in the \"Ports\" section of this app.txt."), QStringLiteral("FILE")},
        {QStringLiteral("port-number"), QStringLiteral("The port number for --ports-file (default 99)."), QStringLiteral("N"), QStringLiteral("99")},
        {QStringLiteral("scenario"), QStringLiteral("The instrument described by a JSON scenario file (default: the demo instrument)."), QStringLiteral("FILE")},
        {QStringLiteral("firmware"), QStringLiteral("The firmware string, e.g. V1.08, V1.43, V2.20, V2.31."), QStringLiteral("TEXT")},
        {QStringLiteral("serial"), QStringLiteral("The serial number."), QStringLiteral("N")},
        {QStringLiteral("slots"), QStringLiteral("Fill the sample memory with N generated slots of every kind."), QStringLiteral("N")},
        {QStringLiteral("baud"), QStringLiteral("Line pacing in baud: 9600 sends 960 bytes a second; 0 sends at once (default 9600)."), QStringLiteral("RATE")},
        {QStringLiteral("slot-delay"), QStringLiteral("Extra pause between streamed slots in milliseconds."), QStringLiteral("MS")},
        {QStringLiteral("reply-delay"), QStringLiteral("Pause before every reply in milliseconds."), QStringLiteral("MS")},
        {QStringLiteral("clock-offset"), QStringLiteral("The instrument clock runs this many seconds ahead of the PC's UTC clock."), QStringLiteral("SECONDS")},
        {QStringLiteral("drop-slots"), QStringLiteral("Leave these slots out of streamed reads."), QStringLiteral("LIST")},
        {QStringLiteral("corrupt-slots"), QStringLiteral("Send these streamed slots with a wrong checksum."), QStringLiteral("LIST")},
        {QStringLiteral("stop-stream-after"), QStringLiteral("End every stream after K slots."), QStringLiteral("K")},
        {QStringLiteral("close-after-slots"), QStringLiteral("Close the TCP connection after K streamed slots."), QStringLiteral("K")},
        {QStringLiteral("mute-after-slots"), QStringLiteral("Go silent for good after K streamed slots, the line still up."), QStringLiteral("K")},
        {QStringLiteral("flood-after-slots"), QStringLiteral("After K streamed slots, send characters without an end character until the next request."), QStringLiteral("K")},
        {QStringLiteral("wrong-slot-reply"), QStringLiteral("Answer matching single-slot reads with another slot (repeatable)."), QStringLiteral("PREFIX[:N]")},
        {QStringLiteral("no-reply"), QStringLiteral("Ignore matching requests (repeatable)."), QStringLiteral("PREFIX[:N]")},
        {QStringLiteral("late-reply"), QStringLiteral("Answer matching requests 6 s late, or MS late (repeatable)."), QStringLiteral("PREFIX[:N[:MS]]")},
        {QStringLiteral("corrupt-reply"), QStringLiteral("Answer matching requests with a wrong checksum (repeatable)."), QStringLiteral("PREFIX[:N]")},
        {QStringLiteral("garbage"), QStringLiteral("Send these characters before every reply frame."), QStringLiteral("TEXT")},
        {QStringLiteral("switch-off-at"), QStringLiteral("Go silent for good at the Nth matching request (the first by default)."), QStringLiteral("PREFIX[:N]")},
        {QStringLiteral("state-out"), QStringLiteral("On exit, write the instrument's state as a scenario to FILE."), QStringLiteral("FILE")},
        {QStringLiteral("log"), QStringLiteral("Append every frame received (RX) and sent (TX) to FILE."), QStringLiteral("FILE")},
        {QStringLiteral("print-scenario"), QStringLiteral("Print the starting state as a scenario (a template to edit) and exit.")},
        {QStringLiteral("exit-after"), QStringLiteral("Stop after this many seconds."), QStringLiteral("SECONDS")},
    };
    p.addOptions(options);
    p.process(WithTcpPort(app.arguments()));
    if (!p.positionalArguments().isEmpty())
        return Fail(QStringLiteral("unexpected argument \"%1\" (see --help)").arg(p.positionalArguments().first()));

    QString error;
    SimScenario scenario;
    if (p.isSet(QStringLiteral("scenario"))) {
        auto loaded = LoadSimScenario(p.value(QStringLiteral("scenario")), &error);
        if (!loaded)
            return Fail(error);
        scenario = *loaded;
    } else {
        scenario = DefaultSimScenario();
        scenario.timing.baud = 9600;
    }
    if (p.isSet(QStringLiteral("firmware")))
        scenario.firmware = p.value(QStringLiteral("firmware"));
    int serial = int(scenario.serial), slots = -1, tcpPort = 8899, portNumber = 99, exitAfter = 0, offset = 0;
    SimFaults& f = scenario.faults;
    if (!ParseInt(p, QStringLiteral("serial"), serial, 0, 0xFFFFFF, &error)
        || !ParseInt(p, QStringLiteral("slots"), slots, 0, 0xFFFF, &error)
        || !ParseInt(p, QStringLiteral("tcp-port"), tcpPort, 0, 65535, &error)
        || !ParseInt(p, QStringLiteral("port-number"), portNumber, 1, 256, &error)
        || !ParseInt(p, QStringLiteral("baud"), scenario.timing.baud, 0, 1000000, &error)
        || !ParseInt(p, QStringLiteral("slot-delay"), scenario.timing.slotDelayMs, 0, 600000, &error)
        || !ParseInt(p, QStringLiteral("reply-delay"), scenario.timing.replyDelayMs, 0, 600000, &error)
        || !ParseInt(p, QStringLiteral("clock-offset"), offset, -2000000000, 2000000000, &error)
        || !ParseInt(p, QStringLiteral("stop-stream-after"), f.stopStreamAfter, 0, 0xFFFF, &error)
        || !ParseInt(p, QStringLiteral("close-after-slots"), f.closeAfterSlots, 0, 0xFFFF, &error)
        || !ParseInt(p, QStringLiteral("mute-after-slots"), f.muteAfterSlots, 0, 0xFFFF, &error)
        || !ParseInt(p, QStringLiteral("flood-after-slots"), f.floodAfterSlots, 0, 0xFFFF, &error)
        || !ParseInt(p, QStringLiteral("exit-after"), exitAfter, 0, 100000000, &error)
        || (p.isSet(QStringLiteral("drop-slots")) && !ParseSlotSet(p.value(QStringLiteral("drop-slots")), f.dropSlots, &error))
        || (p.isSet(QStringLiteral("corrupt-slots")) && !ParseSlotSet(p.value(QStringLiteral("corrupt-slots")), f.corruptSlots, &error))
        || !ParseRules(p, QStringLiteral("no-reply"), f.noReply, &error)
        || !ParseRules(p, QStringLiteral("late-reply"), f.lateReply, &error)
        || !ParseRules(p, QStringLiteral("corrupt-reply"), f.corruptReply, &error)
        || !ParseRules(p, QStringLiteral("wrong-slot-reply"), f.wrongSlotReply, &error))
        return Fail(error);
    scenario.serial = quint32(serial);
    if (p.isSet(QStringLiteral("clock-offset")))
        scenario.clockOffsetSeconds = offset;
    if (slots >= 0)
        scenario.slots = VariedSlots(slots, QDateTime::currentSecsSinceEpoch() - qint64(slots) * 600);
    if (p.isSet(QStringLiteral("switch-off-at"))) {
        SimFaultRule rule;
        if (!ParseFaultRule(p.value(QStringLiteral("switch-off-at")), rule, &error))
            return Fail(error);
        f.switchOff = rule;
    }
    for (const QString& text : p.values(QStringLiteral("garbage")))
        f.garbage.append(SimFaultRule{QString(), 0, 0, text.toLatin1()});

    if (p.isSet(QStringLiteral("print-scenario"))) {
        SimEngine engine(scenario);
        std::cout << QJsonDocument(engine.stateJson()).toJson().toStdString();
        return 0;
    }

    // SIGINT and SIGTERM end the run; they are taken by sigwait below, so
    // every thread (the simulator's too) must have them blocked.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    if (exitAfter > 0)
        sigaddset(&stopSignals, SIGALRM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    SimHostOptions hostOptions;
    hostOptions.tcp = p.isSet(QStringLiteral("tcp"));
    hostOptions.pty = p.isSet(QStringLiteral("pty")) || !hostOptions.tcp;
    hostOptions.tcpPort = quint16(tcpPort);
    hostOptions.tcpAnyAddress = p.isSet(QStringLiteral("listen-any"));
    std::unique_ptr<SimHost> host;
    try {
        host = std::make_unique<SimHost>(scenario, hostOptions);
    } catch (const std::exception& e) {
        return Fail(QString::fromLocal8Bit(e.what()));
    }
    if (p.isSet(QStringLiteral("log")) && !host->engine().setLogFile(p.value(QStringLiteral("log"))))
        return Fail(QStringLiteral("cannot open the log file %1").arg(p.value(QStringLiteral("log"))));
    if (p.isSet(QStringLiteral("ports-file"))
        && !WritePortToPortsFile(p.value(QStringLiteral("ports-file")), portNumber, host->ptyPath(), &error))
        return Fail(error);

    std::cout << "tolvi-sim: instrument " << scenario.serial << " (" << scenario.firmware.toStdString() << "), "
              << host->engine().inspect([](const SimInstrument& i) { return i.slotsUsed(); }) << " slots\n";
    if (!host->ptyPath().isEmpty())
        std::cout << "pty: " << host->ptyPath().toStdString() << "\n";
    if (host->tcpPort())
        std::cout << "tcp: " << (hostOptions.tcpAnyAddress ? "0.0.0.0" : "127.0.0.1") << ":" << host->tcpPort() << "\n";
    if (p.isSet(QStringLiteral("ports-file")))
        std::cout << "port " << portNumber << " entered in " << p.value(QStringLiteral("ports-file")).toStdString() << "\n";
    std::cout.flush();

    if (exitAfter > 0)
        alarm(unsigned(exitAfter));
    int signal = 0;
    sigwait(&stopSignals, &signal);
    int status = 0;
    if (p.isSet(QStringLiteral("state-out")) && !host->engine().writeState(p.value(QStringLiteral("state-out")), &error))
        status = Fail(error);
    host.reset();
    return status;
}
