#include "TolviApplication.h"

#include "LoginDialogRunner.h"
#include "shell/CommandLineOptions.h"
#include "shell/SessionStart.h"
#include "shell/SettingsFile.h"
#include "shell/StartupFiles.h"

#include <QDir>

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

    link_ = std::make_unique<InstrumentLink>(log_, portMap_);
    link_->setPrompts(&prompts_);
    link_->setCancelToken(&thread_.cancelToken());
    terminalSession_ = std::make_unique<TerminalSession>([this](const QByteArray& frame, int timeoutSeconds) {
        const int result = link_->SendMessage(frame, true, timeoutSeconds);
        return TerminalReply{result, link_->receivedMessage()};
    });
    terminal_ = std::make_unique<TerminalWindow>(*terminalSession_, thread_, prompts_,
        prepared_.paths.resolve(QStringLiteral("eemap.hex")));
    link_->StartComms();
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
    const QString userFile = UserSettingsPath(prepared_.paths);
    DownloadPage* page = window_->downloadPage();
    const QString combine = ReadSettingsText(userFile, QStringLiteral("Datafiles"), QStringLiteral("CombineDateAndTime"),
        QStringLiteral("True"));
    page->chkSplitTimeAndDate->setCheckState(
        combine.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0 ? Qt::Checked : Qt::Unchecked);
    const int filter = ReadSettingsText(userFile, QStringLiteral("Datafiles"), QStringLiteral("Filter"),
        QStringLiteral("0")).toInt();
    if (filter >= 0 && filter < page->lstDataFormat->count())
        page->lstDataFormat->setCurrentRow(filter);
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
