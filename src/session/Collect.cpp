#include "session/Collect.h"

#include "instrument/Ping.h"
#include "link/InstrumentLink.h"
#include "link/PortMap.h"
#include "records/ArchivedDownload.h"
#include "session/InstrumentSession.h"
#include "shell/AppPaths.h"
#include "shell/ForwardingPrompts.h"
#include "shell/Operation.h"
#include "shell/PerUserSettings.h"
#include "shell/Services.h"
#include "shell/SessionLog.h"
#include "shell/SettingsFile.h"
#include "shell/StartupFiles.h"

#include <QRegularExpression>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

namespace {
// How often the calling thread looks for a cancel while it waits.
constexpr std::chrono::milliseconds kCancelPollInterval{100};

// Why a listed entry is no bridge address; empty when it is one.
QString BridgeEntryProblem(const QString& entry)
{
    const std::optional<NetworkAddress> address = ParseNetworkEntry(entry);
    const bool usable = address && address->usable()
        && entry.mid(PortEntry::NetworkPrefix.size()).count(QLatin1Char(':')) == 1;
    return usable ? QString()
                  : QStringLiteral("not a network bridge address (the form is net://host:port) in section \"%1\" of"
                                   " app.txt")
                        .arg(CollectSection);
}

// A port or bridge to collect from.
struct CollectTarget {
    QString entry;      // "COM Port n" or the bridge's entry
    QString where;      // for the user: the device path or the bridge
    QString problem;    // why the entry cannot be tried; empty when it can
};

// What the collecting threads share.
struct CollectShared {
    Services& services;
    ForwardingPrompts& prompts;   // one question at a time
    PortMap& portMap;
    ProtocolTiming timing;
    const ArchiveStore& store;
};

// What became of the download on an instrument that was read.
void JudgeDownload(CollectedInstrument& collected, DownloadOutcome outcome, const DownloadContext& context)
{
    switch (outcome) {
    case DownloadOutcome::Completed:
    case DownloadOutcome::EmptyMemory:
        if (context.notArchived.isEmpty()) {
            collected.result = CollectedInstrument::Result::Archived;
            return;
        }
        collected.why = QStringLiteral("not archived: ") + context.notArchived;
        return;
    case DownloadOutcome::Incomplete:
        collected.result = CollectedInstrument::Result::Incomplete;
        collected.slotsAdded = 0;   // only a whole download is archived
        collected.why = context.report.message;
        return;
    case DownloadOutcome::Cancelled:
        collected.why = QStringLiteral("cancelled");
        return;
    case DownloadOutcome::NoInstrument:
        collected.why = QStringLiteral("the instrument stopped answering");
        return;
    case DownloadOutcome::Failed:
    case DownloadOutcome::NothingToDownload:
        break;
    }
    const QString problem = DownloadProblemText(outcome, context.report);
    collected.why = problem.isEmpty() ? QStringLiteral("the download failed (see the session log)") : problem;
}

// Reads the instrument that answered on the open link and downloads its new data.
void CollectFromOpenLink(InstrumentSession& session, CollectedInstrument& collected, const ArchiveStore& store,
    CancelToken& cancel)
{
    collected.answered = true;
    const ConnectionReport connection = session.readInstrument();
    collected.serial = session.instrument().SerialNumber;
    if (!connection.completed) {
        collected.why = QStringLiteral("the instrument could not be read (see the session log)");
        return;
    }
    OperationObserver quiet;   // several run at once: no progress line
    DownloadContext context = session.downloadContext(quiet, cancel);
    const DownloadOutcome outcome = DownloadNewData(context, store, &collected.slotsAdded);
    JudgeDownload(collected, outcome, context);
}

// Collects from one port or bridge on a link of its own (run on a thread of
// its own); nothing when it is a serial port where no instrument answers.
std::optional<CollectedInstrument> CollectFrom(const CollectTarget& target, const CollectShared& shared,
    CancelToken& cancel)
{
    CollectedInstrument collected;
    collected.where = target.where;
    collected.why = target.problem;
    if (!collected.why.isEmpty())
        return collected;
    // Per-user values through an object of this thread's own, on the same file.
    PerUserSettings perUser(shared.services.perUser.fileName());
    Services services{shared.services.log, shared.prompts, perUser, shared.services.paths, shared.services.appCaption};
    InstrumentLink link(services.log, shared.portMap);
    link.setPrompts(&shared.prompts);
    link.setTiming(shared.timing);
    link.StartComms();
    link.setCancelToken(&cancel);
    InstrumentSession session(services, link, PortScanSources{});
    const bool network = PortEntry::isNetwork(target.entry);
    const std::optional<int> opened = link.open(target.entry);
    if (opened && PingInstrument(link)) {
        CollectFromOpenLink(session, collected, shared.store, cancel);
    } else if (network) {
        collected.why = QStringLiteral("no instrument answered");
    } else {
        // A port that opens to silence holds no instrument; one another
        // program holds may well hold one, out of reach.
        const std::optional<QString> busy = opened ? std::nullopt : link.ports().busyText(target.where);
        if (busy)
            collected.why = *busy;
        else
            services.log.debugMessage(QStringLiteral("No instrument on ") + target.where, SessionLog::Info);
    }
    link.close();
    link.setCancelToken(nullptr);
    link.StopComms();
    if (!network && !collected.answered && collected.why.isEmpty())
        return std::nullopt;
    return collected;
}

// The serial ports of the port list, then the bridges.
std::vector<CollectTarget> CollectTargets(InstrumentSession& session, const QStringList& bridges)
{
    std::vector<CollectTarget> targets;
    QList<int> ports;
    const PortMap& portMap = session.link().ports().portMap();
    for (const QString& entry : session.scanPorts().entries) {
        const int port = PortEntry::portNumber(entry);
        if (port <= 0 || ports.contains(port))
            continue;
        ports << port;
        const QString device = portMap.devicePath(port);
        targets.push_back(CollectTarget{PortEntry::serial(port), device.isEmpty() ? PortEntry::serial(port) : device, {}});
    }
    for (const QString& bridge : bridges)
        targets.push_back(CollectTarget{bridge, bridge, BridgeEntryProblem(bridge)});
    return targets;
}

// One target's place in the run.
struct CollectSlot {
    CancelToken cancel;
    bool finished = false;
    std::optional<CollectedInstrument> result;
};
} // namespace

QStringList CollectBridges(const AppPaths& paths)
{
    static const QRegularExpression separators(QStringLiteral("[,\\s]+"));
    const QString listed = ReadSettingsText(AppSettingsPath(paths), CollectSection, CollectBridgesKey, QString());
    QStringList bridges;
    for (const QString& entry : listed.split(separators, Qt::SkipEmptyParts))
        if (!bridges.contains(entry))
            bridges << entry;
    return bridges;
}

CollectVerdict CollectionVerdict(const std::vector<CollectedInstrument>& collected)
{
    const auto any = [&collected](auto condition) { return std::any_of(collected.begin(), collected.end(), condition); };
    if (!any([](const CollectedInstrument& c) { return c.answered; }))
        return CollectVerdict::NoInstrument;
    if (any([](const CollectedInstrument& c) { return c.result == CollectedInstrument::Result::Failed; }))
        return CollectVerdict::SomeFailed;
    if (any([](const CollectedInstrument& c) { return c.result == CollectedInstrument::Result::Incomplete; }))
        return CollectVerdict::SomeIncomplete;
    return CollectVerdict::AllArchived;
}

QString CollectedLine(const CollectedInstrument& collected)
{
    const QString who = collected.serial.isEmpty() ? collected.where
                                                   : collected.serial + QStringLiteral(" on ") + collected.where;
    switch (collected.result) {
    case CollectedInstrument::Result::Archived:
        return who
            + (collected.slotsAdded == 1 ? QStringLiteral(": 1 slot added")
                                         : QStringLiteral(": %1 slots added").arg(collected.slotsAdded));
    case CollectedInstrument::Result::Incomplete:
        return who + QStringLiteral(": incomplete, nothing added: ") + collected.why;
    case CollectedInstrument::Result::Failed:
        break;
    }
    return who + QStringLiteral(": not collected: ") + collected.why;
}

std::vector<CollectedInstrument> CollectNewData(InstrumentSession& session, const QStringList& bridges,
    const ArchiveStore& store, CancelToken& cancel, const std::function<void(const CollectedInstrument&)>& done)
{
    SessionLog& log = session.services().log;
    session.link().close();
    const std::vector<CollectTarget> targets = CollectTargets(session, bridges);
    log.debugMessage(QStringLiteral("Collecting new data: %1 ports and bridges.").arg(targets.size()), SessionLog::Info);
    ForwardingPrompts prompts(session.services().prompts);
    const CollectShared shared{session.services(), prompts, session.link().ports().portMap(), session.link().timing(),
        store};

    std::mutex mutex;
    std::condition_variable changed;
    std::deque<CollectSlot> slots(targets.size());
    size_t nextToStart = 0;
    const auto work = [&] {
        for (;;) {
            size_t i = 0;
            {
                const std::lock_guard lock(mutex);
                if (nextToStart == targets.size())
                    return;
                i = nextToStart++;
            }
            std::optional<CollectedInstrument> result;
            if (!slots[i].cancel.isRequested())
                result = CollectFrom(targets[i], shared, slots[i].cancel);
            {
                const std::lock_guard lock(mutex);
                slots[i].result = std::move(result);
                slots[i].finished = true;
            }
            changed.notify_all();
        }
    };
    std::vector<std::thread> threads;
    for (size_t t = 0; t < std::min(targets.size(), size_t(CollectAtOnce)); ++t)
        threads.emplace_back(work);

    // Each result in order as soon as it and those before it are in; a
    // cancel is passed on to every target.
    std::vector<CollectedInstrument> collected;
    bool cancelPassedOn = false;
    std::unique_lock lock(mutex);
    for (size_t next = 0; next < targets.size();) {
        changed.wait_for(lock, kCancelPollInterval, [&] { return slots[next].finished; });
        if (cancel.isRequested() && !cancelPassedOn) {
            cancelPassedOn = true;
            for (CollectSlot& slot : slots)
                slot.cancel.request();
        }
        for (; next < targets.size() && slots[next].finished; ++next) {
            if (!slots[next].result)
                continue;
            const CollectedInstrument c = *slots[next].result;
            lock.unlock();
            log.debugMessage(CollectedLine(c), SessionLog::Info);
            if (done)
                done(c);
            collected.push_back(c);
            lock.lock();
        }
    }
    lock.unlock();
    for (std::thread& thread : threads)
        thread.join();
    return collected;
}
