#include "MainModel.h"

#include "link/SettingsStore.h"
#include "session/InstrumentIdentity.h"
#include "session/InstrumentSession.h"
#include "session/KeepAlive.h"
#include "shell/Prompts.h"
#include "shell/Services.h"
#include "shell/SessionLog.h"

namespace {

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

MainModel::MainModel(InstrumentSession& session, RemoteMemory remote, QObject* parent)
    : QObject(parent), session_(session), remote_(std::move(remote))
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
bool MainModel::connectionComplete() const { return session_.connectionComplete(); }
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

void MainModel::setTerminalDebug(bool on) { session_.setTerminalDebug(on); }
bool MainModel::terminalDebug() const { return session_.terminalDebug(); }

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
    const QString text = connected
        ? InstrumentIdentityText(InstrumentIdentityRows(session_.instrument(), !session_.terminalDebug()))
        : QString();
    if (assign(mutex_, identity_, text))
        Q_EMIT instrumentIdentityChanged(text);
}

void MainModel::recordReadAgain()
{
    showIdentity(linkState() == LinkState::Connected);
}

// --- Actions ---

void MainModel::rescanPorts()
{
    setPortList(session_.scanPorts());
}

void MainModel::closeLinkAndRescan()
{
    session_.disconnect();
    rescanPorts();
}

bool MainModel::autoConnect()
{
    Q_EMIT busyChanged(true);
    closeLinkAndRescan();
    setStatus(StatusPanel::Message, ConnectingText);
    const std::optional<int> port =
        session_.reachAny(portEntries(), [this](const QString& entry) { setPortEditText(entry); });
    if (port) {
        connected(*port);
        Q_EMIT busyChanged(false);
        Services& services = session_.services();
        if (windowHidden_)
            services.prompts.balloon(QStringLiteral("Connected to ") + session_.instrument().SerialNumber
                    + QStringLiteral(" on COM") + QString::number(*port),
                services.appCaption, Prompts::Icon::Information, 30000);
        return true;
    }
    Q_EMIT busyChanged(false);
    rescanPorts();
    setStatus(StatusPanel::Message, SelectPortText);
    return false;
}

bool MainModel::connectSelected()
{
    const QString entry = portEditText();
    if (entry == PortEntry::PleaseSelect || entry.isEmpty()) {
        Services& services = session_.services();
        services.log.debugMessage(QStringLiteral("Attempting to connect to instrument but no port selected."),
            SessionLog::Info);
        services.prompts.message(Prompts::Icon::Information, QStringLiteral("Please select a port first."),
            services.appCaption);
        return false;
    }
    setStatus(StatusPanel::Message, ConnectingText);
    const std::optional<int> port = session_.reach(entry);
    if (!port) {
        setStatus(StatusPanel::Message, SelectPortText);
        return false;
    }
    connected(*port);
    return true;
}

bool MainModel::connectNewNetwork(const QString& host, int port)
{
    setStatus(StatusPanel::Message, ConnectingText);
    if (!session_.reachNetwork(host, port)) {
        rescanPorts();
        setStatus(StatusPanel::Message, SelectPortText);
        return false;
    }
    remote_.write(QStringLiteral("Address"), host);
    remote_.write(QStringLiteral("Port"), QString::number(port));
    // The list keeps the bridge used last, and the box names the one in use.
    setPortList(WithNetworkEntry(PortList{portEntries(), portEditText()},
        PortEntry::network(host, QString::number(port))));
    connected(0);
    return true;
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

    const ConnectionReport report = session_.readInstrument();
    const bool terminalDebug = session_.terminalDebug();
    if (report.completed) {
        setLabel(report.label, report.upgradeNotice);
        setStatus(StatusPanel::Message, report.label);
        if (!terminalDebug) {
            const InstrumentInfo& info = session_.instrument();
            b.diagnose = b.pageTabs = true;
            Q_EMIT downloadsCleared();
            const QString memory = MemoryUsedText(info);
            if (!memory.isEmpty())
                setStatus(StatusPanel::Memory, memory);
            setStatus(StatusPanel::Schedule, ScheduleStateText(info));
            setStatus(StatusPanel::Clock, ClockErrorText(ClockErrorDays(info)));
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
    if (terminalDebug)
        Q_EMIT terminalScanChanged(true);
    else
        setKeepAlive(true);
}

void MainModel::keepAliveTick()
{
    const StatusPicture next[] = {StatusPicture::Activity1, StatusPicture::Activity2, StatusPicture::Activity3,
        StatusPicture::Activity1, StatusPicture::Activity1};
    setPicture(next[int(statusPicture())]);

    Services& services = session_.services();
    const KeepAliveOutcome outcome = session_.keepAlive(now_());
    switch (outcome.kind) {
    case KeepAliveOutcome::Kind::Idle:
        return;
    case KeepAliveOutcome::Kind::Answered:
        if (statusPanel(StatusPanel::Message) == LinkLostText) {
            setStatus(StatusPanel::Message, FoundAgainText);
            services.prompts.balloon(FoundAgainText, services.appCaption, Prompts::Icon::Information, 1);
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
        reportLinkLost();
        return;
    }
}

void MainModel::reportLinkLost()
{
    Services& services = session_.services();
    setPicture(StatusPicture::Lost);
    setStatus(StatusPanel::Message, LinkLostText);
    services.prompts.balloon(LinkLostText, services.appCaption, Prompts::Icon::Information, 1);
    setLinkState(LinkState::Lost);
}

void MainModel::adapterUnplugged()
{
    const int port = connectedPort();
    if (linkState() != LinkState::Connected || port == 0)
        return;
    session_.services().log.debugMessage(
        QStringLiteral("The device of COM") + QString::number(port) + QStringLiteral(" has gone."), SessionLog::Problem);
    reportLinkLost();
}

void MainModel::followPorts()
{
    if (linkState() != LinkState::NotConnected)
        return;
    PortList list = session_.scanPorts();
    {
        QMutexLocker l(&mutex_);
        if (list.entries == entries_)
            return;
        // The user's pick follows its port to the new list (whose entry may
        // describe it afresh); anything else the box holds stays as it is.
        const int port = PortEntry::portNumber(editText_);
        const qsizetype listed = port > 0 ? PortEntry::indexOf(list.entries, port) : -1;
        if (listed >= 0)
            list.editText = list.entries[listed];
        else if (port == 0)
            list.editText = editText_;
        // Decided and stored under one lock: a pick made meanwhile is not lost.
        entries_ = list.entries;
        editText_ = list.editText;
    }
    Q_EMIT portListChanged(list.entries, list.editText);
}

void MainModel::disconnect()
{
    const bool terminalDebug = session_.terminalDebug();
    if (terminalDebug)
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
    if (!terminalDebug) {
        Services& services = session_.services();
        services.prompts.balloon(QStringLiteral("Disconnected from Instrument."), services.appCaption,
            Prompts::Icon::Information, 1);
    }
}
