#include "CliSession.h"
#include "Commands.h"
#include "ExitCode.h"
#include "shell/ForwardingPrompts.h"
#include "session/UpdateCheck.h"
#include "shell/Operation.h"
#include "shell/Services.h"

#include <QDir>
#include <cstdio>

namespace {

void printLine(const QString& text)
{
    std::fputs((CliPrompts::oneLine(text) + QLatin1Char('\n')).toLocal8Bit().constData(), stdout);
}

// The check's status texts, one line each.
class StatusLines : public OperationObserver {
public:
    void statusText(int panel, const QString& text) override
    {
        if (panel == 1)
            printLine(text);
    }
};

// The terminal's prompts for the update check: its results arrive as
// balloons, so they are printed; a package is saved under the name the list
// proposes in the proposed folder once confirmed; what the desktop would
// open is printed for the user to open.
class UpdatePrompts : public ForwardingPrompts {
public:
    using ForwardingPrompts::ForwardingPrompts;

    void balloon(const QString& text, const QString& title, Icon icon, int timeoutMs) override
    {
        ForwardingPrompts::balloon(text, title, icon, timeoutMs);
        printLine(text);
    }
    std::optional<FileChosen> chooseSaveFile(const FileChoice& choice) override
    {
        const QString path = QDir(choice.folder).filePath(choice.proposedName);
        if (askYesNo(choice.title + QStringLiteral(" as ") + path + QLatin1Char('?'), {}, Icon::Question) != Answer::Yes)
            return std::nullopt;
        QDir().mkpath(choice.folder);
        return FileChosen{path, 0};
    }
    bool openPath(const QString& path, OpenVerb verb) override
    {
        ForwardingPrompts::openPath(path, verb);
        printLine(QStringLiteral("To open: ") + path);
        return true;
    }
};

int runUpdate(CliSession& session, const QStringList&, const QCommandLineParser& parser)
{
    Services& shared = session.services();
    UpdatePrompts prompts(session.prompts());
    Services services{shared.log, prompts, shared.perUser, shared.paths, shared.appCaption};
    UpdateCheckOptions options =
        UpdateOptionsFor(services, QStringLiteral(TOLVI_VERSION), parser.value(QStringLiteral("server")));
    options.dryRun = parser.isSet(QStringLiteral("dry-run"));
    if (options.server.trimmed().isEmpty()) {
        session.error(NoUpdateServerText + QStringLiteral(" (or give --server URL)"));
        return ExitUsage;
    }
    StatusLines status;
    UpdateCheckContext context{services, status, nullptr};
    const UpdateOutcome outcome = CheckForUpdates(context, options);
    for (const QString& line : outcome.plan)
        printLine(line);
    switch (outcome.end) {
    case UpdateOutcome::End::NoServer:
        return ExitUsage;
    case UpdateOutcome::End::Finished:
        if (outcome.restartRequested)
            printLine(QStringLiteral("Start the program again to use the updated files."));
        return outcome.failedTransfers > 0 ? ExitFailed : ExitOk;
    case UpdateOutcome::End::ListFailed:
    case UpdateOutcome::End::Failed:
    case UpdateOutcome::End::Cancelled:
        break;
    }
    return session.failureStatus(ExitFailed);
}

} // namespace

// Checks the update server for newer files of this program.
CliCommand UpdateCommand()
{
    CliCommand command;
    command.name = QStringLiteral("update");
    command.summary = QStringLiteral("Check the update server for newer program files (--server URL, --dry-run).");
    command.options = {
        QCommandLineOption(QStringLiteral("server"),
            QStringLiteral("update: the server's base address instead of \"Server\" in the \"Update\" section of app.txt."),
            QStringLiteral("URL")),
        QCommandLineOption(QStringLiteral("dry-run"), QStringLiteral("update: only print what would be done.")),
    };
    command.run = runUpdate;
    return command;
}
