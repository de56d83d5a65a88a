#pragma once
#include "GuiPrompts.h"
#include "InstrumentThread.h"
#include "MainWindow.h"
#include "DownloadActions.h"
#include "DownloadPageBinding.h"
#include "ServiceActions.h"
#include "MainModelBinding.h"
#include "SchedulePageActions.h"
#include "SchedulePageBinding.h"
#include "SettingsPageActions.h"
#include "SettingsPageBinding.h"
#include "StatusPanels.h"
#include "TerminalWindow.h"
#include "UpdateRunner.h"
#include "data/DataFileSettings.h"
#include "data/DownloadPageModel.h"
#include "config/SchedulePageModel.h"
#include "config/SettingsPageModel.h"
#include "instrument/DownloadTable.h"
#include "instrument/InstrumentInfo.h"
#include "link/InstrumentLink.h"
#include "session/CoreSession.h"
#include "session/InstrumentSession.h"
#include "shell/Password.h"
#include "shell/Services.h"
#include "shell/Startup.h"

#include "DemoInstrument.h"

#include <QObject>
#include <memory>
#include <optional>

// The desktop program as a whole: it owns what lives for the whole run (the
// data folder, the session log, the settings, the instrument link and its
// thread, the main window, the tray and the terminal), runs the start-up
// steps and the shutdown, and binds the windows to the core.
class TolviApplication : public QObject {
    Q_OBJECT
public:
    struct Options {
        QString appFolder;                   // the program's folder
        std::optional<QString> dataLocation; // per-user data location; the platform's when unset
        QStringList arguments;               // the command line without the program name
        QString perUserIni;                  // an ini file instead of the platform's per-user store
        bool demo = false;                   // list the built-in simulated instrument as a port
        bool connectToDemo = false;          // and connect to it once the window is up
    };

    explicit TolviApplication(Options options, QObject* parent = nullptr);
    ~TolviApplication() override;

    // Window initialisation and load: folder, log, settings files, the first
    // password decision, the options, post-install, the restored data-file
    // options; then shows the window (or only the tray icon with "-m").
    void start();

    MainWindow& window() { return *window_; }
    TerminalWindow& terminal() { return *terminal_; }
    Services& services() { return core_.services(); }
    GuiPrompts& prompts() { return prompts_; }
    InstrumentThread& instrumentThread() { return thread_; }
    InstrumentLink& link() { return core_.link(); }
    const AppPaths& paths() const { return prepared_.paths; }
    DownloadPageModel& downloadPage() { return *downloadModel_; }
    // The Download page's instrument procedures (download, refresh, erase).
    DownloadActions& downloadActions() { return *downloadActions_; }
    // Redraws the Download page from its model.
    void refreshDownloadPage() { downloadBinding_->refresh(); }
    SettingsPageModel& settingsPage() { return *settingsModel_; }
    // The connected instrument's record and the slots of the last download.
    InstrumentInfo& instrument() { return core_.instrumentSession().instrument(); }
    DownloadTable& downloads() { return core_.instrumentSession().downloads(); }
    MainModel& model() { return core_.model(); }
    // The sensor refresh, information report, offsets and calibration check.
    ServiceActions& serviceActions() { return *serviceActions_; }
    // Status texts and progress of the running procedure, for the status bar.
    OperationObserver& observer() { return *observer_; }
    // The simulated instrument of the demo mode (null otherwise) and its port number.
    SimHost* demoInstrument() { return demo_.host.get(); }
    int demoPort() const { return demo_.port; }
    bool offerLogAtExit() const { return offerLogAtExit_; }

    // The guard of the operations that change the instrument; any thread.
    bool loginOK();
    // The password dialog for a password model; any thread.
    bool runPasswordDialog(PasswordDialogModel& model);

private:
    void shutDown();
    void restoreDataFileOptions();
    void bindDownloadPage();
    void bindSchedulePage();
    void bindSettingsPage();
    void startDemoInstrument();
    void showHelp();
    void showAbout();
    // Opens the terminal beside the main window (Instrument > Terminal, "-d").
    void showTerminal();
    void restoreWindowPlacement();
    void storeWindowPlacement();
    void bindUpdateCheck();
    // "Technical File": the service packet, on the instrument thread.
    void technicalFile();
    // The password dialog as the actions run it (runPasswordDialog).
    PasswordDialogRunner passwordDialogRunner();

    Options options_;
    CoreSession core_;
    GuiPrompts prompts_;
    PreparedStartup prepared_;
    InstrumentThread thread_;
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<TerminalSession> terminalSession_;
    std::unique_ptr<TerminalWindow> terminal_;
    DemoInstrument demo_;
    std::unique_ptr<MainModelBinding> modelBinding_;
    std::unique_ptr<DownloadActions> downloadActions_;
    std::unique_ptr<SchedulePageModel> scheduleModel_;
    std::unique_ptr<SchedulePageBinding> scheduleBinding_;
    std::unique_ptr<SchedulePageActions> scheduleActions_;
    std::unique_ptr<ServiceActions> serviceActions_;
    std::unique_ptr<DataFileSettings> dataFileSettings_;
    std::unique_ptr<DownloadPageModel> downloadModel_;
    std::unique_ptr<DownloadPageBinding> downloadBinding_;
    std::unique_ptr<SettingsPageModel> settingsModel_;
    std::unique_ptr<SettingsPageBinding> settingsBinding_;
    std::unique_ptr<SettingsPageActions> settingsActions_;
    std::unique_ptr<StatusBarObserver> observer_;
    std::unique_ptr<UpdateRunner> updates_;
    std::unique_ptr<NewPasswordOffer> passwordOffer_;   // the new-password dialog, once per start
    bool offerLogAtExit_ = false;
    bool startHidden_ = false;
    bool shutDown_ = false;
    bool updateAskedByButton_ = false;   // the running update check says its outcome in a box
};
