#include "MainModel.h"

#include "link/InstrumentLink.h"
#include "link/PortMap.h"
#include "link/SerialPermission.h"
#include "session/InstrumentIdentity.h"
#include "session/KeepAlive.h"
#include "link/SettingsStore.h"
#include "shell/Prompts.h"
#include "shell/Services.h"
#include "shell/SessionLog.h"

namespace {

const QString CheckCableText = QStringLiteral("Please check the connection cable and that the ");
const QString TurnedOnText = QStringLiteral("instrument is turned on.");

const QString ScheduleBlank = QStringLiteral("Schedule:");
const QString ClockBlank = QStringLiteral("Clock Error:");
const QString MemoryBlank = QStringLiteral("Memory Used:");

template <typename T>
bool assign(QMutex& mutex, T& field, const T& value)
{
    QMutexLocker lock(&mutex);
    if (field == value)
        return false;
    field = value;
    return true;
}

} // namespace

MainModel::MainModel(Services& services, InstrumentLink& link, PortScanSources portSources, RemoteMemory remote,
    QObject* parent)
    : QObject(parent), services_(services), link_(link), portSources_(std::move(portSources)),
      remote_(std::move(remote))
{
    panels_[StatusPanel::Message - 1] = SelectPortText;
    panels_[StatusPanel::Clock - 1] = ClockBlank;
    panels_[StatusPanel::Schedule - 1] = ScheduleBlank;
    panels_[StatusPanel::Memory - 1] = MemoryBlank;
}

MainModel::RemoteMemory MainModel::settingsFileMemory(const QString& userFile)
{
    const QString section = QStringLiteral("LastRemote");
    return RemoteMemory{
        [userFile, section](const QString& key) {
            return StoreReadText(userFile, section, key, QStringLiteral("Unknown"));
        },
        [userFile, section](const QString& key, const QString& value) {
            StoreWrite(userFile, section, key, QStringLiteral("S"), value);
        }};
}

// --- State ---

QStringList MainModel::portEntries() const { QMutexLocker l(&mutex_); return entries_; }
QString MainModel::portEditText() const { QMutexLocker l(&mutex_); return editText_; }
QString MainModel::statusPanel(int panel) const
{
    QMutexLocker l(&mutex_);
    return panel >= 1 && panel <= StatusPanel::Count ? panels_[panel - 1] : QString();
}
QString MainModel::connectionLabel() const { QMutexLocker l(&mutex_); return label_; }
bool MainModel::upgradeNotice() const { QMutexLocker l(&mutex_); return upgrade_; }
MainModel::Buttons MainModel::buttons() const { QMutexLocker l(&mutex_); return buttons_; }
MainModel::TrayMenu MainModel::trayMenu() const { QMutexLocker l(&mutex_); return tray_; }
MainModel::StatusPicture MainModel::statusPicture() const { QMutexLocker l(&mutex_); return picture_; }
MainModel::LinkState MainModel::linkState() const { QMutexLocker l(&mutex_); return linkState_; }
bool MainModel::keepAliveEnabled() const { QMutexLocker l(&mutex_); return keepAlive_; }
int MainModel::connectedPort() const { QMutexLocker l(&mutex_); return port_; }
bool MainModel::connectionComplete() const { QMutexLocker l(&mutex_); return complete_; }
QString MainModel::instrumentIdentity() const { QMutexLocker l(&mutex_); return identity_; }

void MainModel::setPortList(const PortList& list)
{
    {
        QMutexLocker l(&mutex_);
        entries_ = list.entries;
        editText_ = list.editText;
    }
    Q_EMIT portListChanged(list.entries, list.editText);
}

void MainModel::setPortEditText(const QString& text)
{
    if (assign(mutex_, editText_, text))
        Q_EMIT portListChanged(portEntries(), text);
}

void MainModel::setStatus(int panel, const QString& text)
{
    if (assign(mutex_, panels_[panel - 1], text))
        Q_EMIT statusPanelChanged(panel, text);
}

void MainModel::setLabel(const QString& text, bool upgrade)
{
    bool changed = assign(mutex_, label_, text);
    changed = assign(mutex_, upgrade_, upgrade) || changed;
    if (changed)
        Q_EMIT connectionLabelChanged(text, upgrade);
}

void MainModel::setButtons(const Buttons& b)
{
    if (assign(mutex_, buttons_, b))
        Q_EMIT buttonsChanged(b);
}

void MainModel::setTrayMenu(const TrayMenu& m)
{
    if (assign(mutex_, tray_, m))
        Q_EMIT trayMenuChanged(m);
}

void MainModel::setPicture(StatusPicture p)
{
    if (assign(mutex_, picture_, p))
        Q_EMIT statusPictureChanged(p);
}

void MainModel::setLinkState(LinkState s)
{
    if (assign(mutex_, linkState_, s))
        Q_EMIT linkStateChanged(s);
}

void MainModel::setKeepAlive(bool on)
{
    if (assign(mutex_, keepAlive_, on))
        Q_EMIT keepAliveEnabledChanged(on);
}

void MainModel::showIdentity(bool connected)
{
    const QString text = connected ? InstrumentIdentityText(InstrumentIdentityRows(info_, !terminalDebug_)) : QString();
    if (assign(mutex_, identity_, text))
        Q_EMIT instrumentIdentityChanged(text);
}

void MainModel::recordReadAgain()
{
    showIdentity(linkState() == LinkState::Connected);
}

ConnectionContext MainModel::context()
{
    return ConnectionContext{services_, link_, info_, downloads_, terminalDebug_};
}

// --- Actions ---

void MainModel::rescanPorts()
{
    setPortList(ScanForPorts(1, 256, portSources_, services_));
}

void MainModel::closeLinkAndRescan()
{
    int none = 0;
    link_.PickComms(none);
    rescanPorts();
}

bool MainModel::autoConnect()
{
    SessionLog& log = services_.log;
    Q_EMIT busyChanged(true);
    closeLinkAndRescan();
    link_.setUseNetwork(false);
    log.debugMessage(QStringLiteral("Auto-connection to instrument."), SessionLog::Info);
    setStatus(StatusPanel::Message, ConnectingText);

    const QStringList entries = portEntries();
    QStringList busy;   // ports other programs hold: never asked
    for (int i = 0; i < entries.size(); ++i) {
        setPortEditText(entries[i]);
        const int port = PortEntry::portNumber(entries[i]);
        int opened = port;
        link_.PickComms(opened);
        if (opened < 0) {
            if (const auto text = link_.ports().busyText(link_.ports().portMap().devicePath(port)))
                busy << *text;
        }
        log.debugMessage(QStringLiteral("Trying on connection %1").arg(i), SessionLog::Spinner);
        if (PingInstrument(link_)) {
            log.debugMessage(QStringLiteral("...Connection OK!"), SessionLog::Info);
            // The port actually opened: PickComms may have fallen back to another.
            connected(opened);
            Q_EMIT busyChanged(false);
            if (windowHidden_)
                services_.prompts.balloon(QStringLiteral("Connected to ") + info_.SerialNumber
                        + QStringLiteral(" on COM") + QString::number(opened),
                    services_.appCaption, Prompts::Icon::Information, 30000);
            return true;
        }
        log.debugMessage(QStringLiteral("...Connection BAD"), SessionLog::Info);
        int none = 0;
        link_.PickComms(none);
    }

    services_.prompts.balloon(QStringLiteral("Sorry, autoscan failed to find any instruments.") + QLatin1Char(' ')
            + CheckCableText.trimmed() + QLatin1Char(' ') + TurnedOnText,
        services_.appCaption, Prompts::Icon::Critical, 10000);
    // Ports this user may not open are not in the list at all: say why and how to fix it.
    if (const QList<DeniedPort> denied = DeniedSerialPorts(link_.ports().portMap()); !denied.isEmpty())
        services_.prompts.message(Prompts::Icon::Exclamation, denied.first().text, services_.appCaption);
    if (!busy.isEmpty())
        services_.prompts.message(Prompts::Icon::Exclamation, busy.join(QStringLiteral("\r\n")), services_.appCaption);
    Q_EMIT busyChanged(false);
    closeLinkAndRescan();
    setStatus(StatusPanel::Message, SelectPortText);
    log.debugMessage(QStringLiteral("Connection failed on all ports!"), SessionLog::Info);
    return false;
}

bool MainModel::connectSelected()
{
    const QString entry = portEditText();
    if (entry == PortEntry::PleaseSelect || entry.isEmpty()) {
        services_.log.debugMessage(QStringLiteral("Attempting to connect to instrument but no port selected."),
            SessionLog::Info);
        services_.prompts.message(Prompts::Icon::Information, QStringLiteral("Please select a port first."),
            services_.appCaption);
        return false;
    }
    if (PortEntry::isNetwork(entry))
        return connectNetworkEntry(entry);
    return connectSerialEntry(entry);
}

bool MainModel::connectSerialEntry(const QString& entry)
{
    link_.setUseNetwork(false);
    int none = 0;
    link_.PickComms(none);
    const int port = PortEntry::portNumber(entry);
    int opened = port;
    link_.PickComms(opened);
    services_.log.debugMessage(QStringLiteral("Attempting to connect to instrument (manual port selection)."),
        SessionLog::Info);
    setStatus(StatusPanel::Message, ConnectingText);
    if (!PingInstrument(link_)) {
        // Named as "COM Port n", without the description the list adds.
        failManualConnect(PortEntry::serial(port));
        return false;
    }
    // The port actually opened: PickComms may have fallen back to another.
    instrumentReplied(opened);
    return true;
}

bool MainModel::connectNetworkEntry(const QString& entry)
{
    link_.setUseNetwork(true);
    const NetworkAddress address = ParseNetworkEntry(entry).value_or(NetworkAddress{});
    services_.log.debugMessage(QStringLiteral("Attempting to connect to network instrument (manual port selection)."),
        SessionLog::Info);
    setStatus(StatusPanel::Message, ConnectingText);
    if (!link_.network().connectToBridge(address.host, address.port)) {
        link_.setUseNetwork(false);
        failManualConnect(entry);
        return false;
    }
    if (!PingInstrument(link_)) {
        failManualConnect(entry);
        return false;
    }
    instrumentReplied(0);
    return true;
}

void MainModel::failManualConnect(const QString& where)
{
    const QString device = PortEntry::isNetwork(where)
        ? QString()
        : link_.ports().portMap().devicePath(PortEntry::portNumber(where));
    // A device held by another program was never asked: say that, not that no instrument answered.
    if (const auto busy = link_.ports().busyText(device)) {
        services_.prompts.message(Prompts::Icon::Exclamation,
            *busy + QStringLiteral("\r\nClose that program, or choose another port, and connect again."),
            services_.appCaption);
    } else {
        // A device this user may not open needs the fix, not the cable hint.
        const auto denied = device.isEmpty() ? std::nullopt : SerialAccessProblem(device);
        services_.prompts.message(Prompts::Icon::Exclamation,
            QStringLiteral("Sorry, failed to find any instruments on ") + where + QStringLiteral(":\r\n")
                + denied.value_or(CheckCableText + TurnedOnText),
            services_.appCaption);
    }
    int none = 0;
    link_.PickComms(none);
    link_.network().close();
    setStatus(StatusPanel::Message, SelectPortText);
    services_.log.debugMessage(QStringLiteral("Connection failed!"), SessionLog::Info);
}

bool MainModel::connectNewNetwork(const QString& host, int port)
{
    SessionLog& log = services_.log;
    log.debugMessage(QStringLiteral("Attempting to connect to instrument (new network connection)."), SessionLog::Info);
    setStatus(StatusPanel::Message, ConnectingText);
    if (link_.network().connectToBridge(host, port)) {
        link_.setUseNetwork(true);
        if (PingInstrument(link_)) {
            remote_.write(QStringLiteral("Address"), host);
            remote_.write(QStringLiteral("Port"), QString::number(port));
            // The list keeps the bridge used last, and the box names the one in use.
            setPortList(WithNetworkEntry(PortList{portEntries(), portEditText()},
                PortEntry::network(host, QString::number(port))));
            instrumentReplied(0);
            return true;
        }
    }
    link_.setUseNetwork(false);
    services_.prompts.message(Prompts::Icon::Exclamation,
        QStringLiteral("Sorry, failed to find any instruments on ") + host + QLatin1Char(':') + QString::number(port)
            + QStringLiteral("\r\n") + CheckCableText + TurnedOnText,
        services_.appCaption);
    link_.network().close();
    closeLinkAndRescan();
    setStatus(StatusPanel::Message, SelectPortText);
    log.debugMessage(QStringLiteral("Connection failed!"), SessionLog::Info);
    return false;
}

void MainModel::instrumentReplied(int port)
{
    services_.log.debugMessage(QStringLiteral("Instrument replied."), SessionLog::Info);
    connected(port);
}

void MainModel::connected(int port)
{
    {
        QMutexLocker l(&mutex_);
        port_ = port;
    }
    Buttons b = buttons();
    b.selectPort = b.autoSelect = b.rescanPorts = b.useNetwork = false;
    setButtons(b);

    ConnectionContext c = context();
    const ConnectionReport report = ConnectionControl(c);
    {
        QMutexLocker l(&mutex_);
        complete_ = report.completed;
    }
    if (report.completed) {
        setLabel(report.label, report.upgradeNotice);
        setStatus(StatusPanel::Message, report.label);
        if (!terminalDebug_) {
            b.calibrate = b.diagnose = b.restoreDefaultEE = b.pageTabs = true;
            Q_EMIT downloadsCleared();
            const QString memory = MemoryUsedText(info_);
            if (!memory.isEmpty())
                setStatus(StatusPanel::Memory, memory);
            setStatus(StatusPanel::Schedule, ScheduleStateText(info_));
            setStatus(StatusPanel::Clock, ClockErrorText(ClockErrorDays(info_)));
            Q_EMIT instrumentRefreshed();
        }
        showIdentity(true);
    }
    // Even when the steps were cut short the link is open: disconnect stays
    // possible so the user is never left without a way back.
    b.disconnect = true;
    setButtons(b);
    setTrayMenu(TrayMenu{false, true, true, true});
    setLinkState(LinkState::Connected);
    if (terminalDebug_)
        Q_EMIT terminalScanChanged(true);
    else
        setKeepAlive(true);
}

void MainModel::keepAliveTick()
{
    const StatusPicture next[] = {StatusPicture::Activity1, StatusPicture::Activity2, StatusPicture::Activity3,
        StatusPicture::Activity1, StatusPicture::Activity1};
    setPicture(next[int(statusPicture())]);

    ConnectionContext c = context();
    const KeepAliveOutcome outcome = KeepAliveTick(c, now_());
    switch (outcome.kind) {
    case KeepAliveOutcome::Kind::Idle:
        return;
    case KeepAliveOutcome::Kind::Answered:
        if (statusPanel(StatusPanel::Message) == LinkLostText) {
            setStatus(StatusPanel::Message, FoundAgainText);
            services_.prompts.balloon(FoundAgainText, services_.appCaption, Prompts::Icon::Information, 1);
        } else {
            setStatus(StatusPanel::Message, connectionLabel());
        }
        if (!outcome.memoryText.isEmpty())
            setStatus(StatusPanel::Memory, outcome.memoryText);
        setStatus(StatusPanel::Schedule, outcome.scheduleText);
        setStatus(StatusPanel::Clock, outcome.clockText);
        setLinkState(LinkState::Connected);
        showIdentity(true);
        Q_EMIT instrumentRefreshed();
        return;
    case KeepAliveOutcome::Kind::Lost:
        setPicture(StatusPicture::Lost);
        setStatus(StatusPanel::Message, LinkLostText);
        services_.prompts.balloon(LinkLostText, services_.appCaption, Prompts::Icon::Information, 1);
        setLinkState(LinkState::Lost);
        return;
    }
}

void MainModel::disconnect()
{
    if (terminalDebug_)
        Q_EMIT terminalScanChanged(false);
    else
        setKeepAlive(false);
    closeLinkAndRescan();
    {
        QMutexLocker l(&mutex_);
        port_ = 0;
    }
    setLabel(QString(), false);
    setStatus(StatusPanel::Message, SelectPortText);
    setStatus(StatusPanel::Schedule, ScheduleBlank);
    setStatus(StatusPanel::Clock, ClockBlank);
    setStatus(StatusPanel::Memory, MemoryBlank);
    // Without an instrument its pages and actions are off, as before the
    // first connection, and nothing read from it stays on show.
    Buttons b;
    setButtons(b);
    showIdentity(false);
    setPicture(StatusPicture::Idle);
    setTrayMenu(TrayMenu{});
    setLinkState(LinkState::NotConnected);
    if (!terminalDebug_)
        services_.prompts.balloon(QStringLiteral("Disconnected from Instrument."), services_.appCaption,
            Prompts::Icon::Information, 1);
}
