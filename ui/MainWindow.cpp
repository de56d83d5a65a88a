#include "MainWindow.h"

#include "InstrumentThread.h"
#include "shell/SessionLog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QScrollArea>
#include <QShortcut>
#include <QStyle>

MainWindow::MainWindow(SessionLog& log, const QString& appFolder, QWidget* parent)
    : QMainWindow(parent), log_(log)
{
    setObjectName(QStringLiteral("frmMain"));
    // Wide enough for a download's status line with its time left beside
    // the other panels, the progress bar and Cancel.
    resize(900, 600);

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("tasMain"));
    configure_ = new ConfigurePage(appFolder);
    download_ = new DownloadPage;
    schedule_ = new SchedulePage;
    settings_ = new SettingsPage;
    struct Page {
        QWidget* widget;
        const char* caption;
        const char* tip;
    };
    const Page pages[] = {
        {configure_, "Configure", "Configure programme settings"},
        {download_, "Download", "Retrieve and Manage data on instrument"},
        {schedule_, "Schedule", "Configure and Manage instrument schedules"},
        {settings_, "Settings", "Instrument settings"},
    };
    for (const Page& page : pages) {
        // A page lays out within the window and scrolls when the window is
        // smaller than the page's minimum: a page never makes the window grow.
        auto* scroller = new QScrollArea;
        scroller->setObjectName(page.widget->objectName() + QStringLiteral("Scroller"));
        scroller->setWidgetResizable(true);
        scroller->setFrameShape(QFrame::NoFrame);
        scroller->setWidget(page.widget);
        const int index = tabs_->addTab(scroller, QString::fromLatin1(page.caption));
        tabs_->setTabToolTip(index, QString::fromLatin1(page.tip));
    }
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
        log_.debugMessage(QStringLiteral("Main window changed from %1 to %2").arg(currentTab_).arg(index), SessionLog::Info);
        currentTab_ = index;
    });
    setCentralWidget(tabs_);

    status_ = new StatusPanels(log_, this);
    setStatusBar(status_);
    connect(status_, &StatusPanels::panelDoubleClicked, this, &MainWindow::onPanelDoubleClicked);
    // The Cancel button beside the progress bar is the double click's twin.
    connect(status_, &StatusPanels::cancelClicked, this, [this] { onPanelDoubleClicked(StatusPanel::Message); });

    tmrPing_ = new QTimer(this);
    tmrPing_->setObjectName(QStringLiteral("tmrPing"));
    tmrPing_->setInterval(5000);

    buildTray();
    buildMenu();
    buildShortcuts();
    connect(configure_, &ConfigurePage::logoClicked, this, &MainWindow::helpRequested);
}

MainWindow::~MainWindow() = default;

void MainWindow::showPage(QWidget* page)
{
    for (int i = 0; i < tabs_->count(); ++i) {
        const auto* scroller = qobject_cast<QScrollArea*>(tabs_->widget(i));
        if (scroller && scroller->widget() == page)
            tabs_->setCurrentIndex(i);
    }
}

void MainWindow::buildTray()
{
    tray_ = new TrayIcon(style()->standardIcon(QStyle::SP_ComputerIcon), this);
    struct Item {
        const char* caption;   // empty: a separator
        TrayKey key;
    };
    const Item items[] = {{"&Open", TrayKey::Open}, {"", TrayKey::Open}, {"Auto &Connect", TrayKey::AutoConnect},
        {"Download All && &Save", TrayKey::DownloadAndSave}, {"&Toggle Schedule", TrayKey::ToggleSchedule},
        {"&Disconnect", TrayKey::Disconnect}, {"", TrayKey::Open}, {"&Close", TrayKey::Close}};
    for (const Item& item : items) {
        const QString caption = QString::fromLatin1(item.caption);
        tray_->addMenuItem(caption, caption.isEmpty() ? QString() : TrayKeyText(item.key),
            !caption.isEmpty() && item.key == TrayKey::Open);
    }
    tray_->setBalloonFallback([this](const QString& text) { showBalloonFallback(text); });
    connect(tray_, &TrayIcon::doubleClicked, this, [this] { minimizeToTray(false); });
    connect(tray_, &TrayIcon::menuClick, this, &MainWindow::onTrayMenu);
}

void MainWindow::buildMenu()
{
    MainMenu::Buttons buttons;
    buttons.saveData = download_->btnSaveData;
    // Saving is offered once a download has shown the filter frame.
    buttons.saveDataShownWith = download_->fraDownloadFilters;
    buttons.connect = configure_->btnSelectComPort;
    buttons.autoConnect = configure_->btnAutoSelectComPort;
    buttons.disconnect = configure_->btnDisconnect;
    buttons.downloadAll = download_->btnDownload;
    buttons.downloadNew = download_->btnDownloadNew;
    // A report is offered while the chart has readings to show.
    buttons.report = download_->fraChart->btnChartReport;
    buttons.reportShownWith = download_->fraChart;
    // F1, F6, F7, F8 and F9 are the menu items' keys.
    menu_ = new MainMenu(menuBar(), buttons, this);
    connect(menu_, &MainMenu::quitRequested, this, &QWidget::close);
    connect(menu_, &MainMenu::manualRequested, this, &MainWindow::helpRequested);
    connect(menu_, &MainMenu::aboutRequested, this, &MainWindow::aboutRequested);
    connect(menu_, &MainMenu::terminalRequested, this, &MainWindow::terminalRequested);
}

void MainWindow::buildShortcuts()
{
    // The keys act like the buttons they stand for, so a disabled button
    // also disables its key.
    auto key = [this](Qt::Key k, const char* name, auto action) {
        auto* shortcut = new QShortcut(QKeySequence(k), this);
        shortcut->setObjectName(QString::fromLatin1(name));
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, action);
    };
    auto click = [](QPushButton* button) {
        return [button] {
            if (button->isEnabled())
                button->click();
        };
    };
    key(Qt::Key_F5, "keyRescan", click(configure_->btnRescanPorts));
}

void MainWindow::onTrayMenu(const QString& text)
{
    const std::optional<TrayKey> key = TrayKeyFromText(text);
    if (!key)
        return;
    if (*key == TrayKey::Open)
        minimizeToTray(true);
    else if (*key == TrayKey::Close)
        close();
    else if (!busy_)
        Q_EMIT trayCommand(*key);
}

void MainWindow::setTrayItemEnabled(TrayKey key, bool enabled)
{
    trayWanted_.insert(key, enabled);
    applyTrayItems();
}

void MainWindow::applyTrayItems()
{
    for (auto it = trayWanted_.cbegin(); it != trayWanted_.cend(); ++it)
        tray_->setItemEnabled(TrayKeyText(it.key()), it.value() && !(busy_ && StartsInstrumentWork(it.key())));
}

void MainWindow::minimizeToTray(bool restore)
{
    if (restore) {
        showNormal();
        raise();
        activateWindow();
        return;
    }
    setVisible(!isVisible());
}

void MainWindow::showBalloonFallback(const QString& text)
{
    // The panel puts it into the log as well.
    status_->setPanelText(StatusPanel::Message, text);
}

QList<QWidget*> MainWindow::instrumentControls() const
{
    QList<QWidget*> controls{configure_->btnSelectComPort, configure_->btnAutoSelectComPort,
        configure_->btnRescanPorts, configure_->cmdUseNetwork, configure_->btnDisconnect,
        configure_->btnGenerateTechnicalFile, download_->btnFilterDownload, download_->btnSaveData};
    controls += download_->instrumentControls();
    controls += schedule_->instrumentControls();
    controls += settings_->instrumentControls();
    return controls;
}

void MainWindow::setInstrumentThread(InstrumentThread* thread)
{
    thread_ = thread;
    connect(thread_, &InstrumentThread::busyChanged, this, &MainWindow::onBusyChanged);
}

void MainWindow::setControlEnabled(QWidget* control, bool enabled)
{
    wanted_.insert(control, enabled);
    control->setEnabled(enabled && !busy_);
}

void MainWindow::onBusyChanged(bool busy)
{
    // While a procedure runs every instrument control is off; the state the
    // binding wants for each is kept and applied again afterwards.
    QList<QWidget*> controls = instrumentControls();
    controls << configure_->lstComPorts;
    if (busy && !busy_) {
        for (QWidget* control : controls)
            if (!wanted_.contains(control)) // its own state, not its page's
                wanted_.insert(control, !control->testAttribute(Qt::WA_ForceDisabled));
    }
    busy_ = busy;
    if (!busy_)
        status_->setProgress(-1); // the bar and its Cancel button go with the operation
    for (QWidget* control : controls)
        control->setEnabled(wanted_.value(control, true) && !busy_);
    for (const TrayKey key : {TrayKey::AutoConnect, TrayKey::DownloadAndSave, TrayKey::ToggleSchedule,
             TrayKey::Disconnect})
        if (!trayWanted_.contains(key))
            trayWanted_.insert(key, tray_->action(TrayKeyText(key))->isEnabled());
    applyTrayItems();
    if (!busy_ && closeWhenIdle_)
        close();
}

void MainWindow::onPanelDoubleClicked(int panel)
{
    if (panel == StatusPanel::Message && thread_ && thread_->isBusy())
        Q_EMIT cancelGesture(status_->panelText(StatusPanel::Message));
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (thread_ && thread_->isBusy()) {
        // Cancel what runs and close once it has stopped.
        log_.debugMessage(QStringLiteral("Closing: cancelling ") + thread_->currentJob(), SessionLog::Info);
        thread_->cancelToken().request();
        closeWhenIdle_ = true;
        event->ignore();
        return;
    }
    Q_EMIT shuttingDown();
    event->accept();
}
