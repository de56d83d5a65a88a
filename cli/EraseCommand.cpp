#include "ArchiveSelection.h"
#include "CliSession.h"
#include "Commands.h"
#include "MemoryCommands.h"
#include "ExitCode.h"
#include "records/ArchivedErase.h"

#include <cstdio>

namespace {
int runErase(CliSession& session, const QStringList&, const QCommandLineParser& parser)
{
    const bool all = parser.isSet(QStringLiteral("all"));
    const bool portion = parser.isSet(QStringLiteral("to"));
    bool ok = false;
    const int last = parser.value(QStringLiteral("to")).toInt(&ok);
    // Slots 1 to 1 would send an erase of no slots (the count sent is M - 1).
    if (all == portion || (portion && (!ok || last < 2))) {
        session.error(QStringLiteral("erase needs --all or --to M (slots 1 to M, M at least 2)"));
        return ExitUsage;
    }
    // The archive tells which slots were never downloaded.
    const std::optional<ArchiveStore> store = ChosenArchiveStore(session, parser);
    if (!store)
        return ExitUsage;
    const int status = ConnectForSlots(session, portion ? last : 0);
    if (status != ExitOk)
        return status;
    InstrumentInfo& info = session.instrument();
    TerminalProgress progress;
    EraseContext context{session.services(), session.link(), info, session.downloads(), progress, {}};
    const EraseOutcome outcome
        = all ? EraseAllMemoryChecked(context, store) : EraseMemoryPortionChecked(context, 1, last - 1, store);
    switch (outcome) {
    case EraseOutcome::Erased:
        std::fputs(QStringLiteral("Erased; %1 slots still hold data.\n").arg(info.SlotsUsed).toLocal8Bit().constData(),
            stdout);
        return ExitOk;
    case EraseOutcome::NotAllowed:
        return session.failureStatus(ExitRefused);
    case EraseOutcome::NothingToErase:
        return ExitUsage;
    case EraseOutcome::NoInstrument:
        return ExitNoInstrument;
    case EraseOutcome::Failed:
        break;
    }
    return ExitFailed;   // the reason is already on stderr
}
}

// Erases all of the memory or its first M slots, after the password and a confirmation.
CliCommand EraseCommand()
{
    CliCommand command;
    command.name = QStringLiteral("erase");
    command.summary = QStringLiteral("Erase the whole memory (--all) or slots 1 to M (--to M).");
    // --to M is the option the download command declares; here it names the last slot erased.
    command.options = {QCommandLineOption(QStringLiteral("all"), QStringLiteral("erase: every slot.")),
        ArchiveDatabaseOption()};
    command.run = runErase;
    return command;
}
