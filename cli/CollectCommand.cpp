#include "ArchiveSelection.h"
#include "CliOutput.h"
#include "CliSession.h"
#include "Commands.h"
#include "ExitCode.h"
#include "MemoryCommands.h"
#include "session/Collect.h"
#include "shell/Operation.h"
#include "shell/Services.h"

namespace {
int CollectStatus(CollectVerdict verdict)
{
    switch (verdict) {
    case CollectVerdict::AllArchived:
        return ExitOk;
    case CollectVerdict::SomeIncomplete:
        return ExitIncomplete;
    case CollectVerdict::SomeFailed:
        return ExitFailed;
    case CollectVerdict::NoInstrument:
        break;
    }
    return ExitNoInstrument;
}

int runCollect(CliSession& session, const QStringList&, const QCommandLineParser& parser)
{
    if (!session.options().port.isEmpty() || session.options().autoConnect) {
        session.error(QStringLiteral("collect finds the instruments itself: --port and --auto do not go with it"));
        return ExitUsage;
    }
    const std::optional<ArchiveStore> store = ChosenArchiveStore(session, parser);
    if (!store)
        return ExitUsage;
    CancelToken cancel;
    const InterruptCancels interrupt(cancel);
    const std::vector<CollectedInstrument> collected = CollectNewData(session.instrumentSession(),
        CollectBridges(session.services().paths), *store, cancel,
        [](const CollectedInstrument& c) { PrintLine(CollectedLine(c)); });
    const CollectVerdict verdict = CollectionVerdict(collected);
    if (verdict == CollectVerdict::NoInstrument)
        session.error(QStringLiteral("no instrument found on the serial ports or on the network bridges listed in"
                                     " app.txt (section \"%1\", %2=net://host:port ...)")
                          .arg(CollectSection, CollectBridgesKey));
    return CollectStatus(verdict);
}
} // namespace

// "Download New Data" into the archive on every instrument found: a line each.
CliCommand CollectCommand()
{
    CliCommand command;
    command.name = QStringLiteral("collect");
    command.summary = QStringLiteral("Download New Data into the archive from every instrument on the serial ports and"
                                     " the bridges listed in app.txt.");
    command.options = {ArchiveDatabaseOption()};
    command.run = runCollect;
    return command;
}
