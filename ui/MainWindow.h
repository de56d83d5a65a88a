#pragma once
#include "ConfigurePage.h"
#include "DownloadPage.h"
#include "MainMenu.h"
#include "SchedulePage.h"
#include "SettingsPage.h"
#include "StatusPanels.h"
#include "TrayIcon.h"
#include "TrayKey.h"

#include <QHash>
#include <QMainWindow>
#include <QTabWidget>
#include <QTimer>

class InstrumentThread;
class SessionLog;

// The main window ("frmMain"): the four pages on the tab strip, the status
// bar, the tray icon and its menu, the function keys and the keep-alive
// timer. It shows state and forwards the user's gestures; the application
// binding decides what they do.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(SessionLog& log, const QString& appFolder, QWidget* parent = nullptr);
    ~MainWindow() override;

    ConfigurePage* configurePage() const { return configure_; }
    DownloadPage* downloadPage() const { return download_; }
    SchedulePage* schedulePage() const { return schedule_; }
    SettingsPage* settingsPage() const { return settings_; }
    QTabWidget* tabs() const { return tabs_; }
    // Brings one of the four pages to the front (each tab holds its page in
    // a scroll area).
    void showPage(QWidget* page);
    StatusPanels* statusPanels() const { return status_; }
    MainMenu* mainMenu() const { return menu_; }
    TrayIcon* tray() const { return tray_; }
    QTimer* tmrPing() const { return tmrPing_; }

    // The procedures run there; while it is busy the instrument buttons are
    // disabled, and closing the window first cancels what runs.
    void setInstrumentThread(InstrumentThread* thread);
    // Buttons that talk to the instrument; disabled while a procedure runs.
    QList<QWidget*> instrumentControls() const;

    // Enables or disables an instrument control as the model wants it; while
    // a procedure runs it stays disabled and gets this state afterwards.
    void setControlEnabled(QWidget* control, bool enabled);
    bool isBusy() const { return busy_; }

    // Enables or disables a tray menu item as the model wants it; like the
    // instrument controls, the items that start instrument work stay off
    // while a procedure runs, so nothing is queued behind it from the tray.
    void setTrayItemEnabled(TrayKey key, bool enabled);

    // Restore: shown, normal size, in front, focused. Otherwise toggles visibility.
    void minimizeToTray(bool restore);

    // A balloon that found no notification area: panel 1 and the session log.
    void showBalloonFallback(const QString& text);

Q_SIGNALS:
    void helpRequested();
    // Help > About, and Instrument > Terminal.
    void aboutRequested();
    void terminalRequested();
    // A tray menu choice the bindings handle (connect, disconnect, download
    // and save, schedule).
    void trayCommand(TrayKey key);
    // A double click on status panel 1 while a procedure runs (the cancel
    // gesture of a download), with the panel's text.
    void cancelGesture(const QString& panel1Text);
    // The window is closing and no procedure runs: the shutdown steps.
    void shuttingDown();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildTray();
    void buildShortcuts();
    void buildMenu();
    void onTrayMenu(const QString& key);
    void onBusyChanged(bool busy);
    void applyTrayItems();
    void onPanelDoubleClicked(int panel);

    SessionLog& log_;
    QTabWidget* tabs_ = nullptr;
    ConfigurePage* configure_ = nullptr;
    DownloadPage* download_ = nullptr;
    SchedulePage* schedule_ = nullptr;
    SettingsPage* settings_ = nullptr;
    StatusPanels* status_ = nullptr;
    MainMenu* menu_ = nullptr;
    TrayIcon* tray_ = nullptr;
    QTimer* tmrPing_ = nullptr;
    InstrumentThread* thread_ = nullptr;
    QHash<QWidget*, bool> wanted_;
    QHash<TrayKey, bool> trayWanted_;
    bool busy_ = false;
    int currentTab_ = 0;
    bool closeWhenIdle_ = false;
};
