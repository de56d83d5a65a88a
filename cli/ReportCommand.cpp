#include "CliSession.h"
#include "Commands.h"
#include "ExitCode.h"
#include "MemoryCommands.h"
#include "config/InfoReport.h"
#include "link/InstrumentLink.h"
#include "shell/OutputFile.h"

#include <cstdio>

namespace {

int runReport(CliSession& session, const QStringList&, const QCommandLineParser& parser)
{
    // -o is the option the download command declares; without it the report goes to standard output.
    const QString given = parser.value(QStringLiteral("output"));
    const QString output = given.isEmpty() ? StandardOutputName : given;
    if (const QString problem = OutputProblem(output); !problem.isEmpty()) {
        session.error(problem);
        return ExitUsage;
    }
    const int status = session.connect();
    if (status != ExitOk)
        return status;
    CancelToken cancel;
    TerminalProgress progress;
    InfoReportReadings readings;
    {
        InterruptCancels interrupt(cancel);
        session.link().setCancelToken(&cancel);
        readings = ReadInfoReport(session.link(), session.services(), progress, cancel);
        session.link().setCancelToken(nullptr);
    }
    progress.finish();
    if (readings.cancelled) {
        session.error(QStringLiteral("report cancelled"));
        return ExitFailed;
    }
    const QByteArray text = InfoReportText(readings);
    if (!WriteOutputFile(output, text)) {
        session.error(QStringLiteral("cannot write ") + output);
        return ExitFailed;
    }
    return ExitOk;
}

} // namespace

// The "Show More Info" report: special settings and the five event logs.
CliCommand ReportCommand()
{
    CliCommand command;
    command.name = QStringLiteral("report");
    command.summary = QStringLiteral("Write the settings and event logs report to -o FILE or standard output.");
    command.run = runReport;
    return command;
}
