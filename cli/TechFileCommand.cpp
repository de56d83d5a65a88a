#include "CliSession.h"
#include "Commands.h"
#include "ExitCode.h"
#include "MemoryCommands.h"
#include "records/TechnicalFile.h"
#include "session/MainModel.h"
#include "shell/OutputFile.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

namespace {
int runTechFile(CliSession& session, const QStringList&, const QCommandLineParser& parser)
{
    // -o is the option the download command declares; here it names the archive.
    const QString output = parser.value(QStringLiteral("o"));
    if (!output.isEmpty()) {
        if (const QString problem = OutputProblem(output); !problem.isEmpty()) {
            session.error(problem);
            return ExitUsage;
        }
    }
    const int status = session.connect();
    if (status != ExitOk)
        return status;
    MainModel& model = session.model();
    TerminalProgress progress;
    TechnicalFileContext context{session.services(), session.link(), model.instrument(), model.downloads(), progress,
        ThisSoftware(QCoreApplication::arguments().mid(1))};
    const bool toStdout = IsStandardOutput(output);
    if (!output.isEmpty())
        context.archivePath = toStdout ? output : QDir::current().absoluteFilePath(output);
    context.offerToOpenFolder = false;
    const TechnicalFileResult result = GenerateTechnicalFile(context);
    progress.finish();
    if (!result.generated) {
        session.error(QStringLiteral("the technical file could not be written to ") + result.archivePath);
        return ExitFailed;
    }
    // With -o - standard output carries the archive alone.
    if (!toStdout)
        std::fputs((QDir::toNativeSeparators(result.archivePath) + QLatin1Char('\n')).toLocal8Bit().constData(), stdout);
    return ExitOk;
}
}

// Gathers the technical file about the instrument and this PC and prints its path.
CliCommand TechFileCommand()
{
    CliCommand command;
    command.name = QStringLiteral("techfile");
    command.summary = QStringLiteral("Write the technical file for service (-o PATH, default "
                                     "TechnicalFile_SERIAL_YYYYMMDD.tolvi in the documents folder; - for standard "
                                     "output) and print its path.");
    command.run = runTechFile;
    return command;
}
