#pragma once
#include "link/PortDiscovery.h"
#include "shell/Operation.h"

#include <QDateTime>
#include <QMutex>
#include <QObject>
#include <QStringList>
#include <atomic>
#include <functional>

class InstrumentSession;

// The main window without widgets: the port list, the status bar, the
// connection label, which buttons and tray items are enabled, the status
// picture. Its connect, keep-alive and disconnect actions run the instrument
// session's calls (which hold the link, the instrument record and the
// downloaded slots) and change that state by their outcomes.
//
// The actions are synchronous and talk to the instrument: the GUI calls them
// on its instrument thread (one at a time), the tests call them directly.
// State changes are announced by signals, emitted on the calling thread
// (queued to receivers in other threads); the getters return copies and may
// be called from any thread.
//
// On this machine it is built as
//   MainModel model(session, MainModel::settingsFileMemory(UserSettingsPath(services.paths)));
// and the remote-instrument dialog's logic as
//   NetworkConnectDialog dialog(services, link, model.remoteMemory().read);
// whose confirmed address goes to connectNewNetwork(dialog.address, dialog.portNumber()).
class MainModel : public QObject {
    Q_OBJECT
public:
    struct Buttons {
        bool selectPort = true;        // btnSelectComPort
        bool autoSelect = true;        // btnAutoSelectComPort
        bool rescanPorts = true;       // btnRescanPorts
        bool useNetwork = true;        // cmdUseNetwork
        bool disconnect = false;       // btnDisconnect
        bool diagnose = false;         // btnDiagnoseProblem
        bool pageTabs = false;         // the instrument pages
        bool operator==(const Buttons&) const = default;
    };
    // Tray menu items that depend on the link ("open" and "close" always work).
    struct TrayMenu {
        bool autoConnect = true;       // "auto"
        bool downloadAndSave = false;  // "save"
        bool toggleSchedule = false;   // "sched"
        bool disconnect = false;       // "disc"
        bool operator==(const TrayMenu&) const = default;
    };
    enum class StatusPicture { Idle, Activity1, Activity2, Activity3, Lost };
    enum class LinkState { NotConnected, Connected, Lost };
    Q_ENUM(StatusPicture)
    Q_ENUM(LinkState)

    // Reads and writes of section "LastRemote" of "user.txt".
    struct RemoteMemory {
        std::function<QString(const QString& key)> read;   // "Unknown" when missing
        std::function<void(const QString& key, const QString& value)> write;
    };
    // The "LastRemote" section of a settings file ("user.txt" in the data folder).
    static RemoteMemory settingsFileMemory(const QString& userFile);

    static inline const QString SelectPortText = QStringLiteral("Please select a port to use...");
    static inline const QString ConnectingText = QStringLiteral("Please wait, connecting to instrument...");

    MainModel(InstrumentSession& session, RemoteMemory remote, QObject* parent = nullptr);

    // --- State (copies, any thread) ---
    QStringList portEntries() const;
    QString portEditText() const;
    QString statusPanel(int panel) const;      // 1..4
    QString connectionLabel() const;
    bool upgradeNotice() const;
    Buttons buttons() const;
    TrayMenu trayMenu() const;
    StatusPicture statusPicture() const;
    LinkState linkState() const;
    bool keepAliveEnabled() const;
    int connectedPort() const;                 // serial port in use, 0 for none or the network
    // Whether the last connection ran all of connection control's steps.
    bool connectionComplete() const;
    // The connected instrument's identity as the Configure page shows it
    // (InstrumentIdentityText); empty while none is connected.
    QString instrumentIdentity() const;

    // The connection: the link, the instrument record and the downloaded
    // slots (touch those only on the thread that runs the actions).
    InstrumentSession& session() { return session_; }
    // Where the last network address is kept (for the remote-instrument dialog).
    const RemoteMemory& remoteMemory() const { return remote_; }

    // --- Settings ---
    void setTerminalDebug(bool on);
    bool terminalDebug() const;
    // Whether the main window is hidden in the tray (connect balloons).
    void setWindowHidden(bool hidden) { windowHidden_ = hidden; }
    // The clock the keep-alive measures idle time with (local time).
    void setClock(std::function<QDateTime()> now) { now_ = std::move(now); }
    // The list's edit text as the user selected or typed it.
    void setPortEditText(const QString& text);

    // --- Actions ---
    void rescanPorts();                        // btnRescanPorts, F5
    bool autoConnect();                        // btnAutoSelectComPort, F6, tray "auto"
    bool connectSelected();                    // btnSelectComPort on the list's edit text
    // A new network connection confirmed in the remote-instrument dialog.
    bool connectNewNetwork(const QString& host, int port);
    void keepAliveTick();                      // tmrPing
    // The port table changed while not connected (PortWatcher): the list is
    // scanned again and shown only when it differs. The edit text stays
    // unless it names a serial port that has gone. Nothing while connected.
    void followPorts();
    // The connected serial port's device left the port table (PortWatcher):
    // the same lost link as an unanswered keep-alive. Nothing over a
    // network bridge or when not connected. Talks to no instrument, so the
    // window calls it on its own thread, also while a procedure runs.
    void adapterUnplugged();
    // The record was read again by a procedure outside this model (the clock
    // after it was set): the identity shows that reading.
    void recordReadAgain();
    void disconnect();                         // btnDisconnect, tray "disc"

Q_SIGNALS:
    void portListChanged(const QStringList& entries, const QString& editText);
    void statusPanelChanged(int panel, const QString& text);
    void connectionLabelChanged(const QString& text, bool upgradeNotice);
    void buttonsChanged(const MainModel::Buttons& buttons);
    void trayMenuChanged(const MainModel::TrayMenu& menu);
    void statusPictureChanged(MainModel::StatusPicture picture);
    void linkStateChanged(MainModel::LinkState state);
    void keepAliveEnabledChanged(bool enabled);
    // Debug mode: the terminal's scan timer takes the keep-alive's place.
    void terminalScanChanged(bool running);
    void busyChanged(bool busy);               // the hourglass pointer
    // The instrument record was read again: pages refresh from instrument().
    void instrumentRefreshed();
    void downloadsCleared();
    void instrumentIdentityChanged(const QString& text);

private:
    void connected(int port);
    void closeLinkAndRescan();
    void reportLinkLost();

    void setPortList(const PortList& list);
    void setStatus(int panel, const QString& text);
    void setLabel(const QString& text, bool upgrade);
    void setButtons(const Buttons& b);
    void setTrayMenu(const TrayMenu& m);
    void setPicture(StatusPicture p);
    void setLinkState(LinkState s);
    void setKeepAlive(bool on);
    // The identity text from the record (empty: none connected).
    void showIdentity(bool connected);

    InstrumentSession& session_;
    RemoteMemory remote_;
    std::atomic<bool> windowHidden_{false};
    std::function<QDateTime()> now_ = [] { return QDateTime::currentDateTime(); };

    mutable QMutex mutex_;   // guards the state below
    QStringList entries_;
    QString editText_;
    QString panels_[StatusPanel::Count];
    QString label_;
    bool upgrade_ = false;
    Buttons buttons_;
    TrayMenu tray_;
    StatusPicture picture_ = StatusPicture::Idle;
    LinkState linkState_ = LinkState::NotConnected;
    bool keepAlive_ = false;
    int port_ = 0;
    QString identity_;
};
