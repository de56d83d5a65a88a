#include "CliSession.h"
#include "Commands.h"
#include "ExitCode.h"
#include "config/Offsets.h"

#include <cstdio>

// "Show Offsets": the offset mode, the offset and the zero error.
CliCommand OffsetsCommand()
{
    CliCommand command;
    command.name = QStringLiteral("offsets");
    command.summary = QStringLiteral("Show the offset mode, the offset and the zero error.");
    command.run = [](CliSession& session, const QStringList&, const QCommandLineParser&) {
        const int status = session.connect();
        if (status != ExitOk)
            return status;
        const QString text = OffsetsText(ReadOffsets(session.link(), session.services()));
        if (text.isEmpty()) {
            session.error(QStringLiteral("the instrument did not answer"));
            return int(ExitFailed);
        }
        std::fputs(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).toLocal8Bit().constData(), stdout);
        if (!text.endsWith(QStringLiteral("\r\n")))
            std::fputs("\n", stdout);
        return int(ExitOk);
    };
    return command;
}
