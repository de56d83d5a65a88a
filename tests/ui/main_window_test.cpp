#include "InstrumentThread.h"
#include "MainWindow.h"
#include "ModalScript.h"
#include "QtPrinters.h"
#include "TempFolder.h"
#include "shell/SessionLog.h"

#include <QSignalSpy>
#include <QTest>
#include <future>
#include <gtest/gtest.h>

namespace {
struct WindowFixture {
    TempFolder folder;
    SessionLog log;
    QStringList logLines;
    InstrumentThread thread;
    MainWindow window{log, folder.path()};

    WindowFixture()
    {
        log.setListener([this](const QString& line, int) { logLines << line.section(QLatin1Char('\t'), 2); });
        window.setInstrumentThread(&thread);
    }
};
}

TEST(MainWindow, PagesInOrderWithTheirTooltipsAndSwitchesAreLogged)
{
    WindowFixture f;
    const QStringList captions{"Configure", "Download", "Schedule", "Settings"};
    const QStringList tips{"Configure programme settings", "Retrieve and Manage data on instrument",
        "Configure and Manage instrument schedules", "Instrument settings"};
    ASSERT_EQ(f.window.tabs()->count(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(f.window.tabs()->tabText(i), captions[i]);
        EXPECT_EQ(f.window.tabs()->tabToolTip(i), tips[i]);
    }
    f.window.tabs()->setCurrentIndex(1);
    f.window.tabs()->setCurrentIndex(3);
    EXPECT_TRUE(f.logLines.contains("Main window changed from 0 to 1"));
    EXPECT_TRUE(f.logLines.contains("Main window changed from 1 to 3"));
}

// The Configure page at the window's first size: the connection box follows
// the title, the page's spare room stays below the boxes.
TEST(MainWindow, ConfigurePageKeepsItsBoxesNearTheTop)
{
    WindowFixture f;
    f.window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.window));
    ConfigurePage* page = f.window.configurePage();
    const QWidget* connection = page->findChild<QWidget*>("fraConnection");
    ASSERT_NE(connection, nullptr);
    const int gap = connection->geometry().top() - page->imgFrontPageLogo->geometry().bottom();
    EXPECT_LT(gap, 30) << "space above the connection box: " << gap << " px";
}

TEST(MainWindow, TrayMenuItemsReportTheirKeys)
{
    WindowFixture f;
    TrayIcon* tray = f.window.tray();
    EXPECT_EQ(tray->keys(), (QStringList{"open", "-", "auto", "save", "sched", "disc", "-", "close"}));
    EXPECT_EQ(tray->menu()->defaultAction(), tray->action("open"));
    EXPECT_EQ(tray->action("save")->text(), "Download All && &Save");

    QSignalSpy commands(&f.window, &MainWindow::trayCommand);
    for (const char* key : {"auto", "save", "sched", "disc"})
        tray->action(key)->trigger();
    ASSERT_EQ(commands.size(), 4);
    const TrayKey reported[] = {TrayKey::AutoConnect, TrayKey::DownloadAndSave, TrayKey::ToggleSchedule,
        TrayKey::Disconnect};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(commands[i][0].value<TrayKey>(), reported[i]) << "item " << i;

    // "open" restores the hidden window; "close" runs the shutdown.
    QSignalSpy shutdown(&f.window, &MainWindow::shuttingDown);
    EXPECT_FALSE(f.window.isVisible());
    tray->action("open")->trigger();
    EXPECT_TRUE(f.window.isVisible());
    tray->action("close")->trigger();
    EXPECT_EQ(shutdown.size(), 1);
    EXPECT_FALSE(f.window.isVisible());
}

// While a procedure runs, the tray items that start instrument work are off
// (a click on them queues nothing behind it); afterwards each gets back the
// state the model wants for it. Open and Close stay on.
TEST(MainWindow, TrayInstrumentItemsAreOffWhileAProcedureRuns)
{
    WindowFixture f;
    TrayIcon* tray = f.window.tray();
    f.window.setTrayItemEnabled(TrayKey::Disconnect, false);
    QSignalSpy commands(&f.window, &MainWindow::trayCommand);

    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    f.thread.submit(QStringLiteral("held"), [released] { released.wait_for(std::chrono::seconds(30)); });
    ASSERT_TRUE(f.window.isBusy());
    for (const char* key : {"auto", "save", "sched", "disc"}) {
        SCOPED_TRACE(key);
        EXPECT_FALSE(tray->action(key)->isEnabled());
        tray->action(key)->trigger();
    }
    EXPECT_EQ(commands.size(), 0);
    EXPECT_TRUE(tray->action("open")->isEnabled());
    EXPECT_TRUE(tray->action("close")->isEnabled());
    // The model's wish while busy is kept for afterwards.
    f.window.setTrayItemEnabled(TrayKey::AutoConnect, false);
    EXPECT_FALSE(tray->action("auto")->isEnabled());

    release.set_value();
    ASSERT_TRUE(f.thread.waitUntilIdle(30000));
    EXPECT_FALSE(tray->action("auto")->isEnabled());
    EXPECT_TRUE(tray->action("save")->isEnabled());
    EXPECT_TRUE(tray->action("sched")->isEnabled());
    EXPECT_FALSE(tray->action("disc")->isEnabled());
    tray->action("save")->trigger();
    ASSERT_EQ(commands.size(), 1);
    EXPECT_EQ(commands[0][0].value<TrayKey>(), TrayKey::DownloadAndSave);
}

TEST(MainWindow, TrayDoubleClickTogglesTheWindow)
{
    WindowFixture f;
    f.window.show();
    f.window.minimizeToTray(false);
    EXPECT_FALSE(f.window.isVisible());
    f.window.minimizeToTray(false);
    EXPECT_TRUE(f.window.isVisible());
}

TEST(MainWindow, BalloonWithoutTrayGoesToPanelOneAndTheLog)
{
    WindowFixture f;
    if (f.window.tray()->available())
        GTEST_SKIP() << "this desktop has a notification area";
    f.window.tray()->showBalloon("The instrument memory is empty!", "Tolvi", Prompts::Icon::Information, 10000);
    EXPECT_EQ(f.window.statusPanels()->panelText(1), "The instrument memory is empty!");
    // Panel 1 puts its messages into the session log.
    EXPECT_TRUE(f.logLines.contains("Status: The instrument memory is empty!"));
}

TEST(MainWindow, InstrumentButtonsAreOffWhileAProcedureRuns)
{
    WindowFixture f;
    QPushButton* download = f.window.downloadPage()->btnDownload;
    QPushButton* disconnect = f.window.configurePage()->btnDisconnect;
    ASSERT_TRUE(download->isEnabled());
    ASSERT_FALSE(disconnect->isEnabled());

    std::atomic<bool> release{false};
    f.thread.submit("hold", [&] {
        while (!release)
            QThread::msleep(5);
    });
    EXPECT_TRUE(f.thread.isBusy());
    EXPECT_FALSE(download->isEnabled());
    // The model enables a button while the procedure runs: it comes on afterwards.
    f.window.setControlEnabled(disconnect, true);
    EXPECT_FALSE(disconnect->isEnabled());
    release = true;
    ASSERT_TRUE(f.thread.waitUntilIdle(5000));
    EXPECT_TRUE(download->isEnabled());
    EXPECT_TRUE(disconnect->isEnabled());
}

TEST(MainWindow, ClosingWhileAProcedureRunsCancelsItFirst)
{
    WindowFixture f;
    f.window.show();
    QSignalSpy shutdown(&f.window, &MainWindow::shuttingDown);
    bool sawCancel = false;
    f.thread.submit("long download", [&] {
        const QDeadlineTimer deadline(10000);
        while (!f.thread.cancelToken().isRequested() && !deadline.hasExpired())
            QThread::msleep(5);
        sawCancel = f.thread.cancelToken().isRequested();
    });
    f.window.close();
    EXPECT_TRUE(f.window.isVisible()) << "the window waits for the procedure";
    EXPECT_EQ(shutdown.size(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.window.isVisible(); }, 10000));
    EXPECT_TRUE(sawCancel);
    EXPECT_EQ(shutdown.size(), 1);
}

TEST(MainWindow, DoubleClickOnPanelOneDuringAProcedureIsTheCancelGesture)
{
    WindowFixture f;
    QSignalSpy gestures(&f.window, &MainWindow::cancelGesture);
    f.window.statusPanels()->setPanelText(1, "Downloading the whole of memory from the instrument: 010% done.");
    QTest::mouseDClick(f.window.statusPanels()->panel(1), Qt::LeftButton);
    EXPECT_EQ(gestures.size(), 0) << "nothing runs";

    std::atomic<bool> release{false};
    f.thread.submit("download", [&] {
        while (!release)
            QThread::msleep(5);
    });
    QTest::mouseDClick(f.window.statusPanels()->panel(2), Qt::LeftButton);
    QTest::mouseDClick(f.window.statusPanels()->panel(1), Qt::LeftButton);
    release = true;
    ASSERT_TRUE(f.thread.waitUntilIdle(5000));
    ASSERT_EQ(gestures.size(), 1);
    EXPECT_TRUE(gestures[0][0].toString().startsWith("Downloading the whole"));
}

TEST(MainWindow, FunctionKeysPressTheirButtonsWhenEnabled)
{
    WindowFixture f;
    f.window.show();
    f.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f.window));
    struct Case {
        Qt::Key key;
        QPushButton* button;
    };
    const Case cases[] = {
        {Qt::Key_F5, f.window.configurePage()->btnRescanPorts},
        {Qt::Key_F6, f.window.configurePage()->btnAutoSelectComPort},
        {Qt::Key_F7, f.window.downloadPage()->btnDownload},
        {Qt::Key_F9, f.window.downloadPage()->btnDownloadNew},
    };
    for (const Case& c : cases) {
        QSignalSpy clicks(c.button, &QPushButton::clicked);
        QTest::keyClick(&f.window, c.key);
        EXPECT_EQ(clicks.size(), 1) << c.button->objectName().toStdString();
        f.window.setControlEnabled(c.button, false);
        QTest::keyClick(&f.window, c.key);
        EXPECT_EQ(clicks.size(), 1) << "disabled: " << c.button->objectName().toStdString();
    }
    // F8 saves only once a download has shown the filter frame.
    QSignalSpy saves(f.window.downloadPage()->btnSaveData, &QPushButton::clicked);
    QTest::keyClick(&f.window, Qt::Key_F8);
    EXPECT_EQ(saves.size(), 0);
    f.window.downloadPage()->fraDownloadFilters->show();
    QTest::keyClick(&f.window, Qt::Key_F8);
    EXPECT_EQ(saves.size(), 1);
    QSignalSpy help(&f.window, &MainWindow::helpRequested);
    QTest::keyClick(&f.window, Qt::Key_F1);
    EXPECT_EQ(help.size(), 1);
}
