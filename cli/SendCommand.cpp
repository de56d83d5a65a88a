#include "CliSession.h"
#include "Commands.h"
#include "ExitCode.h"
#include "link/InstrumentLink.h"
#include "link/Terminal.h"

#include <cstdio>

// A raw request for service work: the link is opened without any other
// request, the payload is framed and sent, and the exchange is printed as
// the service terminal shows it.
CliCommand SendCommand()
{
    CliCommand command;
    command.name = QStringLiteral("send");
    command.arguments = QStringLiteral("PAYLOAD");
    command.summary = QStringLiteral("Frame PAYLOAD (e.g. G002001), send it without connecting first, and print "
                                     "the request and the reply or [No Reply].");
    command.minArguments = command.maxArguments = 1;
    command.run = [](CliSession& session, const QStringList& arguments, const QCommandLineParser&) {
        if (!TerminalSession::FitsOneFrame(arguments.first())) {
            session.error(QStringLiteral("the payload may not contain STX (0x02) or CR (0x0D)"));
            return int(ExitUsage);
        }
        const int status = session.openLink();
        if (status != ExitOk)
            return status;
        TerminalSession terminal(LinkExchange(session.link()));
        terminal.queue(arguments.first());
        TerminalReply reply;
        for (const TranscriptLine& line : terminal.exchange(terminal.pending(), &reply))
            std::fputs((line.plainText() + QLatin1Char('\n')).toLocal8Bit().constData(), stdout);
        switch (reply.result) {
        case InstrumentLink::ReplyOk:
            return int(ExitOk);
        case InstrumentLink::NoReply:
            return int(ExitNoInstrument);
        default:
            session.error(QStringLiteral("the request was not sent or its reply was rejected"));
            return int(ExitFailed);
        }
    };
    return command;
}
