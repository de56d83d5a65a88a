#include "TolviApplication.h"

#include "LoginDialogRunner.h"
#include "data/MemoryDownload.h"
#include "data/SaveData.h"
#include "records/TechnicalFile.h"
#include "link/PortDiscovery.h"
#include "link/PortDiscoverySystem.h"
#include "link/PortMapSettings.h"
#include "shell/CommandLineOptions.h"
#include "shell/SessionStart.h"
#include "shell/SettingsFile.h"
#include "shell/StartupFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {
const QString ProgramTitle = QStringLiteral("Tolvi");
}

TolviApplication::TolviApplication(Options options, QObject* parent)
    : QObject(parent), options_(std::move(options)), log_(ProgramTitle)
{
    perUser_ = std::make_unique<PerUserSettings>(options_.perUserIni, ProgramTitle);
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
        return RunLoginDialog(model, parent, services_->appCaption);
    });
}

bool TolviApplication::loginOK()
{
    return LoginOK(*services_, [this](PasswordDialogModel& model) { return runPasswordDialog(model); });
}

void TolviApplication::start()
{
    // Window initialisation.
    prepared_ = PrepareStartup(log_, options_.appFolder, options_.dataLocation.value_or(PerUserDataLocation()));
    services_ = std::unique_ptr<Services>(new Services{log_, prompts_, *perUser_, prepared_.paths,
        AppCaptionText(ProgramTitle)});
    prompts_.setCaption(services_->appCaption);
    const auto chooseNewPassword = [this] {
        ChooseNewPassword(*services_, [this](PasswordDialogModel& model) { return runPasswordDialog(model); });
    };
    if (prepared_.passwordChoiceNeeded)
        chooseNewPassword(); // the first run always asks, before the main window

    window_ = std::make_unique<MainWindow>(log_, prepared_.paths.appFolder);
    window_->setWindowTitle(MainWindowCaption(services_->appCaption, QStringLiteral(TOLVI_VERSION), false));
    window_->setInstrumentThread(&thread_);
    prompts_.setParentWidget(window_.get());
    prompts_.setTray(window_->tray());
    window_->tray()->setToolTip(services_->appCaption);
    window_->tray()->show();
    connect(window_.get(), &MainWindow::shuttingDown, this, &TolviApplication::shutDown);
    connect(window_.get(), &MainWindow::helpRequested, this, &TolviApplication::showHelp);

    portMap_.setOverrides(PortsFromSettings(AppSettingsPath(prepared_.paths)));
    link_ = std::make_unique<InstrumentLink>(log_, portMap_);
    link_->setPrompts(&prompts_);
    link_->setCancelToken(&thread_.cancelToken());
    terminalSession_ = std::make_unique<TerminalSession>([this](const QByteArray& frame, int timeoutSeconds) {
        const int result = link_->SendMessage(frame, true, timeoutSeconds);
        return TerminalReply{result, link_->receivedMessage()};
    });
    terminal_ = std::make_unique<TerminalWindow>(*terminalSession_, thread_, prompts_,
        prepared_.paths.resolve(QStringLiteral("eemap.hex")));
    if (options_.demo)
        startDemoInstrument();
    model_ = std::make_unique<MainModel>(*services_, *link_, SystemPortSources(*services_, *link_),
        MainModel::settingsFileMemory(UserSettingsPath(prepared_.paths)));
    modelBinding_ = std::make_unique<MainModelBinding>(*model_, *window_, *terminal_, thread_, prompts_);
    bindDownloadPage();
    // The link is reset before the instrument thread gets any work.
    link_->StartComms();
    modelBinding_->run(QStringLiteral("port scan"), [this] { model_->rescanPorts(); });
    if (demo_ && options_.connectToDemo) {
        // Chosen in the same job as the connect, after the scan has set the
        // port list and its edit text.
        modelBinding_->run(QStringLiteral("connect"), [this, entry = PortEntry::serial(demo_.port)] {
            model_->setPortEditText(entry);
            model_->connectSelected();
        });
    }
    window_->statusPanels()->setPanelText(1, QStringLiteral("Please select a port to use..."));

    // Window load.
    terminal_->setDebugMode(false);
    StartupOptionHandlers handlers;
    handlers.setDebugMode = [this] { terminal_->setDebugMode(true); };
    handlers.offerLogAtExit = [this] { offerLogAtExit_ = true; };
    handlers.startHidden = [this] { startHidden_ = true; };
    handlers.checkForUpdates = [this] { notAvailableYet(); };
    handlers.chooseNewPassword = chooseNewPassword;
    LoadStartup(*services_, ParseCommandLine(options_.arguments), handlers, chooseNewPassword);
    if (terminal_->debugMode()) {
        log_.debugMessage(QStringLiteral("Running in DEBUG mode."), SessionLog::Info);
        window_->setWindowTitle(MainWindowCaption(services_->appCaption, QStringLiteral(TOLVI_VERSION), true));
    }
    restoreDataFileOptions();

    if (!startHidden_)
        window_->show();
    if (terminal_->debugMode()) {
        terminal_->move(window_->frameGeometry().topRight());
        terminal_->show();
    }
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
    downloadBinding_ = std::make_unique<DownloadPageBinding>(*window_, *downloadModel_);
    observer_ = std::make_unique<StatusBarObserver>(window_->statusPanels());
    DownloadPage* page = window_->downloadPage();
    connect(page->btnFilterDownload, &QPushButton::clicked, this,
        [this] { downloadBinding_->testFilter(model_->downloads(), prompts_, services_->appCaption); });
    connect(page->btnSaveData, &QPushButton::clicked, this, &TolviApplication::saveData);
    downloadActions_ = std::make_unique<DownloadActions>(*this);
    // Maintenance functions this program does not offer yet.
    ConfigurePage* configure = window_->configurePage();
    for (QPushButton* button : {configure->btnCalibrateInstrument, configure->btnDiagnoseProblem,
             configure->btnRestoreDefaultEE})
        connect(button, &QPushButton::clicked, this, &TolviApplication::notAvailableYet);
    connect(configure->btnGenerateTechnicalFile, &QPushButton::clicked, this, &TolviApplication::technicalFile);
    connect(&*window_, &MainWindow::trayCommand, this, [this](const QString& key) {
        if (key == QLatin1String("save")) {
            log_.debugMessage(QStringLiteral("QuickMenu - Download All & Save"), SessionLog::Info);
            window_->minimizeToTray(true);
            downloadActions_->downloadAll(true);
        } else if (key == QLatin1String("sched")) {
            log_.debugMessage(QStringLiteral("QuickMenu - Toggle Schedule"), SessionLog::Info);
            notAvailableYet();
        }
    });
    connect(&*window_, &MainWindow::cancelGesture, this, [this](const QString& panel1) {
        CancelGesture(panel1, thread_.cancelToken(), *services_);
    });
    connect(modelBinding_.get(), &MainModelBinding::memoryChanged, this, [this](int used, int total) {
        downloadModel_->updateDownloadPage(used, total);
        downloadBinding_->refresh();
    });
    connect(modelBinding_.get(), &MainModelBinding::downloadsCleared, this, [this] {
        downloadModel_->dataDropped();
        downloadBinding_->refresh();
    });
}

void TolviApplication::startDemoInstrument()
{
    try {
        demo_ = StartDemoInstrument(portMap_, log_);
    } catch (const std::exception& e) {
        prompts_.message(Prompts::Icon::Exclamation,
            QStringLiteral("The simulated instrument could not be started: ") + QString::fromLocal8Bit(e.what()));
    }
}

void TolviApplication::saveData()
{
    downloadBinding_->readFilterControls();
    const bool singleColumn = downloadModel_->singleColumnBox.singleColumn();
    // The save works on its own copy of the filter; the page gets it back
    // (bounds put in order) when the save is over.
    auto filter = std::make_shared<DownloadFilter>(downloadModel_->filter);
    // Taken here: the window's title is read on the window's own thread.
    const ProgramIdentity program = ThisProgramIdentity(window_->windowTitle(), options_.arguments);
    thread_.submit(QStringLiteral("save data"), [this, singleColumn, filter, program] {
        SaveDataContext context{*services_, *dataFileSettings_, model_->downloads(), model_->instrument(),
            link_->firmwareFlags(), *observer_, program};
        SaveData(context, *filter, singleColumn);
    }, [this, filter] {
        downloadModel_->filter = *filter;
        downloadBinding_->refresh();
    });
}

void TolviApplication::technicalFile()
{
    thread_.submit(QStringLiteral("technical file"), [this] {
        TechnicalFileContext context{*services_, *link_, model_->instrument(), model_->downloads(), *observer_,
            ThisSoftware(options_.arguments)};
        GenerateTechnicalFile(context);
    });
}

void TolviApplication::showHelp()
{
    const QString manual = QDir(prepared_.paths.appFolder).filePath(QStringLiteral("Tolvi-M Download Software Manual.pdf"));
    // Logged in the shell's numbering: above 32 opened, 2 file not found.
    const bool opened = prompts_.openPath(manual, Prompts::OpenVerb::Open);
    log_.debugMessage(QString::number(opened ? 33 : 2) + QStringLiteral(" Opening PDF file with browser ID"),
        SessionLog::Info);
}

void TolviApplication::notAvailableYet()
{
    prompts_.balloon(QStringLiteral("Sorry, this function is not available yet."), services_->appCaption,
        Prompts::Icon::Information, 30000);
}

void TolviApplication::shutDown()
{
    if (shutDown_)
        return;
    shutDown_ = true;
    ShutDown(*services_, offerLogAtExit_, [this] { link_->StopComms(); });
    prompts_.setShuttingDown(true);
    window_->tray()->hide();
    terminal_->close();
    thread_.shutdown();
}
