#include "CliSession.h"
#include "Commands.h"
#include "ExitCode.h"
#include "MemoryCommands.h"
#include "records/TechnicalFile.h"
#include "session/MainModel.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

namespace {
int runTechFile(CliSession& session, const QStringList&, const QCommandLineParser& parser)
{
    const int status = session.connect();
    if (status != ExitOk)
        return status;
    MainModel& model = session.model();
    TerminalProgress progress;
    TechnicalFileContext context{session.services(), session.link(), model.instrument(), model.downloads(), progress,
        ThisSoftware(QCoreApplication::arguments().mid(1))};
    // -o is the option the download command declares; here it names the archive.
    if (parser.isSet(QStringLiteral("o")))
        context.archivePath = QDir::current().absoluteFilePath(parser.value(QStringLiteral("o")));
    context.offerToOpenFolder = false;
    const TechnicalFileResult result = GenerateTechnicalFile(context);
    progress.finish();
    if (!result.generated) {
        session.error(QStringLiteral("the technical file could not be written to ") + result.archivePath);
        return ExitFailed;
    }
    std::fputs((QDir::toNativeSeparators(result.archivePath) + QLatin1Char('\n')).toLocal8Bit().constData(), stdout);
    return ExitOk;
}
}

// Gathers the technical file about the instrument and this PC and prints its path.
CliCommand TechFileCommand()
{
    CliCommand command;
    command.name = QStringLiteral("techfile");
    command.summary = QStringLiteral("Write the technical file for service (-o PATH, default TechnicalFile.tolvi in "
                                     "the documents folder) and print its path.");
    command.run = runTechFile;
    return command;
}
