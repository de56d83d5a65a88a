#include "MainModelBinding.h"

#include "ConnectDialog.h"
#include "GuiPrompts.h"
#include "InstrumentThread.h"
#include "MainWindow.h"
#include "TerminalWindow.h"
#include "session/InstrumentSession.h"
#include "session/NetworkConnect.h"

#include <QApplication>
#include <QPointer>

MainModelBinding::MainModelBinding(MainModel& model, MainWindow& window, TerminalWindow& terminal,
    InstrumentThread& thread, GuiPrompts& prompts, QObject* parent)
    : QObject(parent), model_(model), window_(window), terminal_(terminal), thread_(thread), prompts_(prompts)
{
    ConfigurePage* page = window_.configurePage();
    StatusPanels* status = window_.statusPanels();

    // Model -> window (the model emits on the instrument thread).
    connect(&model_, &MainModel::portListChanged, page, &ConfigurePage::setPorts);
    connect(&model_, &MainModel::statusPanelChanged, status, &StatusPanels::setPanelText);
    connect(&model_, &MainModel::connectionLabelChanged, page, &ConfigurePage::setConnectionLabel);
    connect(&model_, &MainModel::instrumentIdentityChanged, page, &ConfigurePage::setInstrumentIdentity);
    connect(&model_, &MainModel::buttonsChanged, this, &MainModelBinding::applyButtons);
    connect(&model_, &MainModel::trayMenuChanged, this, &MainModelBinding::applyTrayMenu);
    connect(&model_, &MainModel::statusPictureChanged, page, [page](MainModel::StatusPicture picture) {
        page->setStatusPicture(picture == MainModel::StatusPicture::Lost ? -1 : static_cast<int>(picture));
    });
    connect(&model_, &MainModel::keepAliveEnabledChanged, window_.tmrPing(), [this](bool on) {
        if (on)
            window_.tmrPing()->start();
        else
            window_.tmrPing()->stop();
    });
    connect(&model_, &MainModel::terminalScanChanged, terminal_.tmrTerminalScan, [this](bool on) {
        if (on)
            terminal_.tmrTerminalScan->start();
        else
            terminal_.tmrTerminalScan->stop();
    });
    connect(&model_, &MainModel::busyChanged, &window_, [this](bool busy) {
        if (busy)
            window_.setCursor(Qt::WaitCursor);
        else
            window_.unsetCursor();
    });
    // The record belongs to the instrument thread: its figures are taken there.
    connect(&model_, &MainModel::instrumentRefreshed, this, [this] {
        Q_EMIT memoryChanged(model_.session().instrument().SlotsUsed, model_.session().instrument().SlotsTotal);
    }, Qt::DirectConnection);
    connect(&model_, &MainModel::downloadsCleared, this, &MainModelBinding::downloadsCleared, Qt::DirectConnection);
    connect(&model_, &MainModel::linkStateChanged, &terminal_, [this](MainModel::LinkState state) {
        if (state == MainModel::LinkState::Connected && terminal_.debugMode())
            terminal_.clear();
        terminal_.setLinkConnected(state == MainModel::LinkState::Connected);
    });

    // Window -> model.
    connect(page->btnRescanPorts, &QPushButton::clicked, this,
        [this] { run(QStringLiteral("rescan ports"), [this] { model_.rescanPorts(); }); });
    connect(page->btnAutoSelectComPort, &QPushButton::clicked, this, [this] {
        model_.setWindowHidden(!window_.isVisible());
        run(QStringLiteral("auto-connect"), [this] { model_.autoConnect(); });
    });
    connect(page->btnSelectComPort, &QPushButton::clicked, this, [this, page] {
        model_.setPortEditText(page->lstComPorts->currentText());
        run(QStringLiteral("connect"), [this] { model_.connectSelected(); });
    });
    connect(page->btnDisconnect, &QPushButton::clicked, this,
        [this] { run(QStringLiteral("disconnect"), [this] { model_.disconnect(); }); });
    connect(page->cmdUseNetwork, &QPushButton::clicked, this, &MainModelBinding::useNetwork);
    connect(window_.tmrPing(), &QTimer::timeout, this, [this] {
        // A tick while another procedure runs is skipped: that one keeps the link busy anyway.
        if (!thread_.isBusy())
            run(QStringLiteral("keep-alive"), [this] { model_.keepAliveTick(); });
    });
    // Adapters plugged in or out: the list follows (a scan probes ports, so
    // on the instrument thread); the connected one unplugged is a lost link
    // at once, even while a procedure runs.
    connect(&portWatcher_, &PortWatcher::portsChanged, this,
        [this] { run(QStringLiteral("follow ports"), [this] { model_.followPorts(); }); });
    connect(&portWatcher_, &PortWatcher::connectedAdapterGone, this, [this] { model_.adapterUnplugged(); });
    // The user's pick is the model's edit text at once, so a list that
    // changes meanwhile keeps it.
    connect(page->lstComPorts, &QComboBox::textActivated, this,
        [this](const QString& text) { model_.setPortEditText(text); });
    connect(&window_, &MainWindow::trayCommand, this, [page](TrayKey key) {
        if (key == TrayKey::AutoConnect)
            page->btnAutoSelectComPort->click();
        else if (key == TrayKey::Disconnect)
            page->btnDisconnect->click();
    });

    page->setPorts(model_.portEntries(), model_.portEditText());
    applyButtons(model_.buttons());
    applyTrayMenu(model_.trayMenu());
}

void MainModelBinding::run(const QString& name, std::function<void()> action)
{
    thread_.submit(name, std::move(action));
}

void MainModelBinding::applyButtons(const MainModel::Buttons& b)
{
    ConfigurePage* page = window_.configurePage();
    SettingsPage* settings = window_.settingsPage();
    const std::pair<QWidget*, bool> states[] = {{page->btnSelectComPort, b.selectPort},
        {page->btnAutoSelectComPort, b.autoSelect}, {page->btnRescanPorts, b.rescanPorts},
        {page->cmdUseNetwork, b.useNetwork}, {page->btnDisconnect, b.disconnect},
        {settings->btnDiagnoseProblem, b.diagnose},
        {page->btnGenerateTechnicalFile, b.disconnect}};   // only while an instrument is connected
    for (const auto& [control, enabled] : states)
        window_.setControlEnabled(control, enabled);
    for (int tab = 1; tab < window_.tabs()->count(); ++tab)
        window_.tabs()->setTabEnabled(tab, b.pageTabs);
}

void MainModelBinding::applyTrayMenu(const MainModel::TrayMenu& m)
{
    window_.setTrayItemEnabled(TrayKey::AutoConnect, m.autoConnect);
    window_.setTrayItemEnabled(TrayKey::DownloadAndSave, m.downloadAndSave);
    window_.setTrayItemEnabled(TrayKey::ToggleSchedule, m.toggleSchedule);
    window_.setTrayItemEnabled(TrayKey::Disconnect, m.disconnect);
}

void MainModelBinding::useNetwork()
{
    auto dialogModel = std::make_shared<NetworkConnectDialog>(model_.session().services(), model_.session().link(),
        model_.remoteMemory().read);
    dialogModel->load();
    ConnectDialog dialog(&window_);
    dialog.setAddress(dialogModel->address, dialogModel->port);
    QPointer<ConnectDialog> shown(&dialog);
    connect(&dialog, &ConnectDialog::testRequested, &dialog, [&] {
        dialogModel->address = dialog.address();
        dialogModel->port = dialog.port();
        dialog.setTesting(true);
        // The test talks to the bridge: on the instrument thread, the sign moving meanwhile.
        thread_.submit(QStringLiteral("network test"), [dialogModel, shown] {
            dialogModel->test([shown](const QString& frame) {
                QMetaObject::invokeMethod(qApp, [shown, frame] {
                    if (shown)
                        shown->showProgress(frame);
                }, Qt::QueuedConnection);
            });
        }, [shown] {
            if (shown)
                shown->setTesting(false);
        });
    });
    const bool confirmed = dialog.exec() == QDialog::Accepted;
    if (confirmed) {
        dialogModel->address = dialog.address();
        dialogModel->port = dialog.port();
        dialogModel->accept();
    } else {
        dialogModel->cancel();
    }
    if (!dialogModel->accepted())
        return;
    const QString host = dialogModel->address;
    const int port = dialogModel->portNumber();
    run(QStringLiteral("network connect"), [this, host, port] { model_.connectNewNetwork(host, port); });
}
