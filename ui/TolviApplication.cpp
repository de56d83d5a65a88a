#include "TolviApplication.h"

#include "AboutBox.h"
#include "LoginDialogRunner.h"
#include "config/InfoReport.h"
#include "config/SensorRefresh.h"
#include "data/MemoryDownload.h"
#include "data/SaveData.h"
#include "records/TechnicalFile.h"
#include "link/PortDiscovery.h"
#include "instrument/TerminalEepromDump.h"
#include "session/MainModel.h"
#include "shell/AboutText.h"
#include "shell/CommandLineOptions.h"
#include "shell/HelpManual.h"
#include "shell/SessionStart.h"
#include "shell/SettingsFile.h"
#include "shell/StartupFiles.h"
#include "shell/WindowPlacement.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <utility>

TolviApplication::TolviApplication(Options options, QObject* parent)
    : QObject(parent), options_(std::move(options)), core_(options_.perUserIni)
{
}

TolviApplication::~TolviApplication()
{
    if (window_ && !shutDown_)
        shutDown();
    thread_.shutdown();
}

bool TolviApplication::runPasswordDialog(PasswordDialogModel& model)
{
    return prompts_.runOnGuiThread([&] {
        QWidget* parent = window_ && window_->isVisible() ? window_.get() : nullptr;
        return RunLoginDialog(model, parent, core_.appCaption());
    });
}

PasswordDialogRunner TolviApplication::passwordDialogRunner()
{
    return [this](PasswordDialogModel& model) { return runPasswordDialog(model); };
}

bool TolviApplication::loginOK()
{
    return LoginOK(core_.services(), passwordDialogRunner());
}

void TolviApplication::start()
{
    // Window initialisation.
    SessionLog& log = core_.log();
    prepared_ = PrepareStartup(log, options_.appFolder, options_.dataLocation.value_or(PerUserDataLocation()));
    core_.start(prepared_.paths, prompts_);
    prompts_.setCaption(core_.appCaption());
    if (prepared_.sharedDataFolder)
        prompts_.message(Prompts::Icon::Exclamation, SharedDataFolderText(prepared_.paths.dataFolder), core_.appCaption());
    passwordOffer_ = std::make_unique<NewPasswordOffer>(core_.services(), passwordDialogRunner());
    const auto chooseNewPassword = [this] { passwordOffer_->offer(); };
    if (prepared_.passwordChoiceNeeded)
        chooseNewPassword(); // the first run always asks, before the main window

    window_ = std::make_unique<MainWindow>(log, prepared_.paths.appFolder);
    window_->setWindowTitle(core_.mainWindowCaption(false));
    window_->setInstrumentThread(&thread_);
    prompts_.setParentWidget(window_.get());
    prompts_.setTray(window_->tray());
    window_->tray()->setToolTip(core_.appCaption());
    window_->tray()->show();
    connect(window_.get(), &MainWindow::shuttingDown, this, &TolviApplication::shutDown);
    connect(window_.get(), &MainWindow::helpRequested, this, &TolviApplication::showHelp);
    connect(window_.get(), &MainWindow::aboutRequested, this, &TolviApplication::showAbout);
    connect(window_.get(), &MainWindow::terminalRequested, this, &TolviApplication::showTerminal);
    connect(window_->statusPanels(), &StatusPanels::openFolderRequested, this,
        [this](const QString& folder) {
            if (!prompts_.openPath(folder, Prompts::OpenVerb::Explore))
                window_->statusPanels()->setPanelText(StatusPanel::Message,
                    QStringLiteral("No program to open the folder was found: ") + QDir::toNativeSeparators(folder));
        });

    InstrumentLink& link = core_.link();
    link.setCancelToken(&thread_.cancelToken());
    terminalSession_ = std::make_unique<TerminalSession>(LinkExchange(link));
    terminal_ = std::make_unique<TerminalWindow>(*terminalSession_, thread_, prompts_,
        QDir(prepared_.paths.dataFolder).filePath(QLatin1String(TerminalEepromDump::FileName)));
    if (options_.demo)
        startDemoInstrument();
    modelBinding_ = std::make_unique<MainModelBinding>(model(), *window_, *terminal_, thread_, prompts_);
    bindDownloadPage();
    bindSchedulePage();
    bindUpdateCheck();
    bindSettingsPage();
    // The link is reset before the instrument thread gets any work.
    link.StartComms();
    modelBinding_->run(QStringLiteral("port scan"), [this] { model().rescanPorts(); });
    if (demo_ && options_.connectToDemo) {
        // Chosen in the same job as the connect, after the scan has set the
        // port list and its edit text.
        modelBinding_->run(QStringLiteral("connect"), [this, port = demo_.port] {
            // The list's own entry for it, as a user would pick it.
            const QStringList entries = model().portEntries();
            const qsizetype listed = PortEntry::indexOf(entries, port);
            model().setPortEditText(listed >= 0 ? entries[listed] : PortEntry::serial(port));
            model().connectSelected();
        });
    }
    window_->statusPanels()->setPanelText(StatusPanel::Message, QStringLiteral("Please select a port to use..."));

    // Window load.
    terminal_->setDebugMode(false);
    StartupOptionHandlers handlers;
    handlers.setDebugMode = [this] {
        // The connection then follows its terminal branch: no state reads,
        // the terminal's scan timer instead of the keep-alive.
        terminal_->setDebugMode(true);
        model().setTerminalDebug(true);
    };
    handlers.offerLogAtExit = [this] { offerLogAtExit_ = true; };
    handlers.startHidden = [this] { startHidden_ = true; };
    handlers.checkForUpdates = [this] { updates_->start(); };
    handlers.chooseNewPassword = chooseNewPassword;
    LoadStartup(core_.services(), ParseCommandLine(options_.arguments), handlers, chooseNewPassword);
    if (terminal_->debugMode()) {
        log.debugMessage(QStringLiteral("Running in DEBUG mode."), SessionLog::Info);
        window_->setWindowTitle(core_.mainWindowCaption(true));
    }
    restoreDataFileOptions();

    restoreWindowPlacement();
    if (!startHidden_)
        window_->show();
    if (terminal_->debugMode())
        showTerminal();
}

namespace {
QList<QRect> AvailableScreenAreas()
{
    QList<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens())
        areas << screen->availableGeometry();
    return areas;
}
}

void TolviApplication::restoreWindowPlacement()
{
    const std::optional<WindowPlacement> stored = StoredWindowPlacement(core_.services().perUser);
    if (!stored) {
        // The first start: the default size, but no larger than the screen.
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            window_->resize(window_->size().boundedTo(screen->availableSize()));
        return;
    }
    window_->setGeometry(PlaceOnScreens(stored->geometry, AvailableScreenAreas()));
    if (stored->maximized)
        window_->setWindowState(window_->windowState() | Qt::WindowMaximized);
}

void TolviApplication::storeWindowPlacement()
{
    const bool maximized = window_->isMaximized();
    StoreWindowPlacement(core_.services().perUser,
        WindowPlacement{maximized ? window_->normalGeometry() : window_->geometry(), maximized});
}

void TolviApplication::showTerminal()
{
    if (!terminal_->isVisible()) {
        // Not shown yet, the terminal knows no frame: the main window's stands in.
        const QSize frame = window_->frameGeometry().size() - window_->geometry().size();
        const QRect place = PlaceBeside(window_->frameGeometry(), terminal_->size() + frame, AvailableScreenAreas());
        terminal_->move(place.topLeft());
    }
    terminal_->show();
    terminal_->raise();
    terminal_->activateWindow();
}

void TolviApplication::restoreDataFileOptions()
{
    downloadModel_->restoreStoredChoices();
    downloadBinding_->refresh();
}

void TolviApplication::bindDownloadPage()
{
    dataFileSettings_ = std::make_unique<DataFileSettings>(UserSettingsPath(prepared_.paths));
    downloadModel_ = std::make_unique<DownloadPageModel>(*dataFileSettings_);
    downloadBinding_ = std::make_unique<DownloadPageBinding>(*window_, *downloadModel_, prompts_, core_.log());
    observer_ = std::make_unique<StatusBarObserver>(window_->statusPanels());
    DownloadPage* page = window_->downloadPage();
    connect(page->btnFilterDownload, &QPushButton::clicked, this,
        [this] { downloadBinding_->testFilter(downloads(), prompts_, core_.appCaption()); });
    downloadActions_ = std::make_unique<DownloadActions>(DownloadActions::Parts{*downloadBinding_,
        *window_->statusPanels(), *dataFileSettings_, [this] { return window_->isVisible(); },
        [this] { return ThisProgramIdentity(window_->windowTitle(), options_.arguments); }, model(), thread_,
        *observer_, passwordDialogRunner()});
    // Maintenance functions this program does not offer yet.
    connect(window_->configurePage()->btnGenerateTechnicalFile, &QPushButton::clicked, this,
        &TolviApplication::technicalFile);
    connect(&*window_, &MainWindow::trayCommand, this, [this](TrayKey key) {
        if (key == TrayKey::DownloadAndSave) {
            core_.log().debugMessage(QStringLiteral("QuickMenu - Download All & Save"), SessionLog::Info);
            window_->minimizeToTray(true);
            downloadActions_->downloadAll(true);
        } else if (key == TrayKey::ToggleSchedule) {
            core_.log().debugMessage(QStringLiteral("QuickMenu - Toggle Schedule"), SessionLog::Info);
            scheduleActions_->toggle(true);
        }
    });
    connect(&*window_, &MainWindow::cancelGesture, this, [this](const QString& panel1) {
        if (!SensorRefreshCancelGesture(panel1, thread_.cancelToken(), core_.services())
            && !InfoReportCancelGesture(panel1, thread_.cancelToken(), core_.services()))
            CancelGesture(panel1, thread_.cancelToken(), core_.services());
    });
    connect(modelBinding_.get(), &MainModelBinding::memoryChanged, this, [this](int used, int total) {
        downloadModel_->updateDownloadPage(used, total);
        downloadBinding_->refresh();
    });
    // Without an instrument the page keeps no figures of the last one.
    connect(&model(), &MainModel::linkStateChanged, this, [this](MainModel::LinkState state) {
        if (state != MainModel::LinkState::NotConnected)
            return;
        downloadModel_->instrumentGone();
        downloadBinding_->refresh();
    });
    connect(modelBinding_.get(), &MainModelBinding::downloadsCleared, this, [this] {
        downloadModel_->dataDropped();
        downloadBinding_->refresh();
    });
}

void TolviApplication::bindSchedulePage()
{
    scheduleModel_ = std::make_unique<SchedulePageModel>();
    scheduleBinding_ = std::make_unique<SchedulePageBinding>(*window_, *scheduleModel_);
    scheduleActions_ = std::make_unique<SchedulePageActions>(SchedulePageActions::Parts{*scheduleBinding_,
        *window_->statusPanels(), [this] { return window_->isVisible(); }, model(), thread_, *observer_,
        passwordDialogRunner()});
}

// The update check runs beside the instrument work, started by "-u" or the
// Configure page's button; a restart the user agreed to closes the window.
void TolviApplication::bindUpdateCheck()
{
    updates_ = std::make_unique<UpdateRunner>(core_.services(), *observer_,
        [this] { return UpdateOptionsFor(core_.services(), QStringLiteral(TOLVI_VERSION)); });
    // The button's check ends with its outcome in a box, not only in the status bar.
    connect(window_->configurePage()->btnCheckForUpdates, &QPushButton::clicked, this, [this] {
        if (updates_->start())
            updateAskedByButton_ = true;
    });
    connect(updates_.get(), &UpdateRunner::finished, this, [this](const UpdateOutcome& outcome) {
        const QString said = UpdateOutcomeText(outcome);
        if (std::exchange(updateAskedByButton_, false) && !said.isEmpty())
            prompts_.message(Prompts::Icon::Information, said, core_.appCaption());
    });
    connect(updates_.get(), &UpdateRunner::restartRequested, window_.get(), &QWidget::close);
}

void TolviApplication::bindSettingsPage()
{
    SettingsPage* page = window_->settingsPage();
    settingsModel_ = std::make_unique<SettingsPageModel>();
    settingsBinding_ = std::make_unique<SettingsPageBinding>(*page, *settingsModel_, prompts_, core_.appCaption());
    settingsActions_ = std::make_unique<SettingsPageActions>(
        SettingsPageActions::Parts{*settingsBinding_, model(), thread_, *observer_, passwordDialogRunner()});
    // After Set Clock the Schedule page is redrawn from the record read again.
    connect(settingsActions_.get(), &SettingsPageActions::instrumentClockSet, scheduleActions_.get(),
        &SchedulePageActions::refreshFromInstrument);
    // The service functions: sensor refresh, information report, offsets and
    // the calibration-check window (opened from the advanced frame).
    serviceActions_ = std::make_unique<ServiceActions>(
        ServiceActions::Parts{*page, *window_, model(), thread_, *observer_});
    // A connection that ran all its steps refreshes the page, as does an instrument found again.
    connect(&model(), &MainModel::linkStateChanged, this, [this](MainModel::LinkState state) {
        if (state == MainModel::LinkState::Connected && model().connectionComplete() && !model().terminalDebug())
            settingsActions_->refreshPage();
    });
}

void TolviApplication::startDemoInstrument()
{
    try {
        demo_ = StartDemoInstrument(core_.portMap(), core_.log());
    } catch (const std::exception& e) {
        prompts_.message(Prompts::Icon::Exclamation,
            QStringLiteral("The simulated instrument could not be started: ") + QString::fromLocal8Bit(e.what()));
    }
}

void TolviApplication::technicalFile()
{
    thread_.submit(QStringLiteral("technical file"), [this] {
        TechnicalFileContext context{core_.services(), core_.link(), instrument(), downloads(), *observer_,
            ThisSoftware(options_.arguments)};
        GenerateTechnicalFile(context);
    });
}

void TolviApplication::showHelp()
{
    const QString manual = ManualPath(prepared_.paths.appFolder);
    const bool exists = QFileInfo::exists(manual);
    const bool opened = exists && prompts_.openPath(manual, Prompts::OpenVerb::Open);
    core_.log().debugMessage(HelpOpenedLogLine(opened), SessionLog::Info);
    if (const QString problem = ManualProblemMessage(QDir::toNativeSeparators(manual), exists, opened); !problem.isEmpty())
        prompts_.message(Prompts::Icon::Information, problem);
}

void TolviApplication::showAbout()
{
    ShowAboutBox(window_.get(), core_.appCaption(),
        AboutText(QStringLiteral("Tolvi-M"), prepared_.paths.dataFolder), core_.log().logFilePath());
}

void TolviApplication::shutDown()
{
    if (shutDown_)
        return;
    shutDown_ = true;
    storeWindowPlacement();
    ShutDown(core_.services(), offerLogAtExit_, [this] { core_.stopLink(); });
    prompts_.setShuttingDown(true);
    updates_->stop();
    window_->tray()->hide();
    terminal_->close();
    serviceActions_->closeWindows();
    thread_.shutdown();
}
