// The main window as a desktop user expects it: status panels that show
// their texts, a progress bar with Cancel only while something runs, the
// menu bar, the manual and About, the remembered window place, and the
// terminal beside the window.
#include "AppFixture.h"
#include "TerminalRig.h"
#include "InstrumentThread.h"
#include "MainWindow.h"
#include "ModalScript.h"
#include "QtPrinters.h"
#include "Snapshot.h"
#include "TempFolder.h"
#include "TerminalWindow.h"
#include "shell/PerUserSettings.h"
#include "shell/SessionLog.h"
#include "shell/WindowPlacement.h"

#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <future>
#include <gtest/gtest.h>

namespace {
struct ConventionsFixture {
    TempFolder folder;
    SessionLog log;
    InstrumentThread thread;
    MainWindow window{log, folder.path()};

    ConventionsFixture() { window.setInstrumentThread(&thread); }
};

// A job that runs until released (or 30 s).
struct HeldJob {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();

    void submitTo(InstrumentThread& thread)
    {
        thread.submit(QStringLiteral("held"), [f = released] { f.wait_for(std::chrono::seconds(30)); });
    }
};

} // namespace

// At the window's default size a download's line shows its start and its
// time left in panel 1 while the progress bar and Cancel stand beside it;
// the other panels are as wide as their texts. Every panel has its whole
// text as its tooltip.
TEST(StatusPanels, TextsShowWholeAtTheDefaultSizeAndAsTooltips)
{
    ConventionsFixture f;
    f.window.show();
    StatusPanels* status = f.window.statusPanels();
    const std::pair<int, const char*> texts[] = {
        {1, "Downloading the whole of memory from the instrument: 042% done. (ETA 0:01:23)"},
        {2, "Clock Error: +00:00:05"},
        {3, "Schedule: Disabled"},
        {4, "Memory Used:100%"},
    };
    for (const auto& [panel, text] : texts)
        status->setPanelText(panel, QString::fromLatin1(text));
    status->setProgress(42);
    QTest::qWait(50);   // the layout settles
    for (const auto& [panel, text] : texts) {
        SCOPED_TRACE(text);
        QLabel* label = status->panel(panel);
        EXPECT_EQ(label->toolTip(), QString::fromLatin1(text));
        if (panel != StatusPanel::Message) {
            EXPECT_EQ(status->shownText(panel), QString::fromLatin1(text)) << "shown whole";
        }
    }
    const QString shown = status->shownText(StatusPanel::Message);
    EXPECT_TRUE(shown.startsWith("Downloading the")) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith("(ETA 0:01:23)")) << shown.toStdString();
    EXPECT_FALSE(shown.contains('%')) << "the bar beside it shows the percentage: " << shown.toStdString();
    EXPECT_TRUE(Snapshot(&f.window, "frmMain-download-running"));

    // A message too long for any window still names its end: the file.
    const QString path = "'/home/user/Documents/instrument runs/2026/december/site B/Karvex_261211003412.csv'.";
    status->setPanelText(1, "301 data points saved to " + path);
    EXPECT_EQ(status->panel(1)->toolTip(), "301 data points saved to " + path);
    EXPECT_TRUE(status->shownText(1).endsWith("261211003412.csv'.")) << status->shownText(1).toStdString();
    // A short one is shown whole.
    status->setPanelText(1, "Connected.");
    EXPECT_EQ(status->shownText(1), "Connected.");
}

// Panel 1's messages reach the session log whole: each new one once, and of
// an operation's notes only those that say more than new figures.
TEST(StatusPanels, MessagesGoIntoTheSessionLogWhole)
{
    WindowFixture f;
    QStringList statuses;
    f.log.setListener([&statuses](const QString& line, int) {
        const qsizetype at = line.indexOf(QStringLiteral("Status: "));
        if (at >= 0)
            statuses << line.mid(at + 8);
    });
    StatusPanels* status = f.window.statusPanels();
    const QString saved = "301 samples saved to '/home/user/Documents/instrument runs/2026/december/site B/"
                          "Karvex_261211003412.csv'.";
    status->setPanelText(1, "Connected.");
    status->setPanelText(1, "Connected.");
    status->setProgress(5);
    status->setPanelText(1, "Downloading the whole of memory from the instrument: 005% done. (ETA 0:01:23)");
    status->setPanelText(1, "Downloading the whole of memory from the instrument: 042% done. (ETA 0:00:50)");
    status->setPanelText(1, "Reading the slots the stream left out...");
    status->setProgress(-1);
    status->setPanelText(1, saved);
    EXPECT_EQ(statuses, (QStringList{"Connected.",
                            "Downloading the whole of memory from the instrument: 005% done. (ETA 0:01:23)",
                            "Reading the slots the stream left out...", saved}));
    EXPECT_EQ(status->panel(1)->toolTip(), saved);
}

// The bar and its Cancel button come with an operation and go with it;
// Cancel is the same gesture as the double click on panel 1.
TEST(StatusPanels, ProgressAndCancelOnlyWhileAnOperationRuns)
{
    ConventionsFixture f;
    f.window.show();
    StatusPanels* status = f.window.statusPanels();
    QSignalSpy gestures(&f.window, &MainWindow::cancelGesture);
    EXPECT_FALSE(status->progressBar()->isVisible());
    EXPECT_FALSE(status->cancelButton()->isVisible());

    HeldJob job;
    job.submitTo(f.thread);
    status->setPanelText(1, "Downloading the whole of memory from the instrument: 010% done.");
    status->setProgress(10);
    EXPECT_TRUE(status->progressBar()->isVisible());
    ASSERT_TRUE(status->cancelButton()->isVisible());
    status->cancelButton()->click();
    ASSERT_EQ(gestures.size(), 1);
    EXPECT_TRUE(gestures[0][0].toString().startsWith("Downloading the whole"));

    job.release.set_value();
    ASSERT_TRUE(f.thread.waitUntilIdle(30000));
    EXPECT_FALSE(status->progressBar()->isVisible()) << "an operation that never said -1 still hides it";
    EXPECT_FALSE(status->cancelButton()->isVisible());
}

TEST(MainMenu, ItemsKeysAndTheButtonsTheyStandFor)
{
    ConventionsFixture f;
    MainMenu* menu = f.window.mainMenu();
    QStringList titles;
    for (QAction* top : f.window.menuBar()->actions())
        titles << top->text();
    EXPECT_EQ(titles, (QStringList{"&File", "&Instrument", "&Help"}));

    struct Case {
        QAction* item;
        QKeySequence key;
        QAbstractButton* button;   // null: not a button's twin
    };
    ConfigurePage* configure = f.window.configurePage();
    DownloadPage* download = f.window.downloadPage();
    const Case cases[] = {
        {menu->saveData, QKeySequence(Qt::CTRL | Qt::Key_S), download->btnSaveData},
        {menu->report, {}, download->fraChart->btnChartReport},
        {menu->quit, QKeySequence(Qt::CTRL | Qt::Key_Q), nullptr},
        {menu->connectPort, {}, configure->btnSelectComPort},
        {menu->autoConnect, QKeySequence(Qt::Key_F6), configure->btnAutoSelectComPort},
        {menu->disconnect, {}, configure->btnDisconnect},
        {menu->downloadAll, QKeySequence(Qt::Key_F7), download->btnDownload},
        {menu->downloadNew, QKeySequence(Qt::Key_F9), download->btnDownloadNew},
        {menu->terminal, {}, nullptr},
        {menu->manual, QKeySequence(Qt::Key_F1), nullptr},
        {menu->about, {}, nullptr},
    };
    download->fraDownloadFilters->show();   // saving is offered after a download
    download->fraChart->show();             // a report while the chart has readings
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item->text().toStdString());
        EXPECT_EQ(c.item->shortcut(), c.key);
        if (!c.button)
            continue;
        EXPECT_EQ(c.item->isEnabled(), c.button->isEnabled());
        f.window.setControlEnabled(c.button, true);
        EXPECT_TRUE(c.item->isEnabled());
        QSignalSpy clicks(c.button, &QAbstractButton::clicked);
        c.item->trigger();
        EXPECT_EQ(clicks.size(), 1);
        f.window.setControlEnabled(c.button, false);
        EXPECT_FALSE(c.item->isEnabled()) << "follows its button";
        f.window.setControlEnabled(c.button, true);
    }
    EXPECT_EQ(menu->saveData->shortcuts().value(1), QKeySequence(Qt::Key_F8));
    download->fraDownloadFilters->hide();
    EXPECT_FALSE(menu->saveData->isEnabled()) << "nothing downloaded to save";
    download->fraChart->hide();
    EXPECT_FALSE(menu->report->isEnabled()) << "no readings to report on";

    // While a procedure runs the instrument items are off with their buttons.
    HeldJob job;
    job.submitTo(f.thread);
    EXPECT_FALSE(menu->downloadAll->isEnabled());
    EXPECT_TRUE(menu->terminal->isEnabled());
    job.release.set_value();
    ASSERT_TRUE(f.thread.waitUntilIdle(30000));
    EXPECT_TRUE(menu->downloadAll->isEnabled());

    QSignalSpy shutdown(&f.window, &MainWindow::shuttingDown);
    f.window.show();
    menu->quit->trigger();
    EXPECT_EQ(shutdown.size(), 1);
}

// F1 without the manual says where it was looked for; About names the
// version, the Qt, the data folder and links the session log.
TEST(HelpMenu, MissingManualIsSaidAndAboutNamesTheBuild)
{
    AppFixture f;
    f.withoutPassword();
    TolviApplication app(f.options());
    app.start();
    ModalScript script;
    script.thenPress(QMessageBox::Ok);
    script.thenPress(QMessageBox::Ok);
    app.window().mainMenu()->manual->trigger();
    app.window().mainMenu()->about->trigger();
    ASSERT_TRUE(script.done());
    ASSERT_EQ(script.messages.size(), 2);
    EXPECT_TRUE(script.messages[0].startsWith("The user manual is not installed: ")) << script.messages[0].toStdString();
    EXPECT_TRUE(script.messages[0].contains("Tolvi-M Download Software Manual.pdf"));
    EXPECT_TRUE(f.read(f.dataFile("session.txt")).contains("2Opening PDF file with browser ID"));
    const QString about = script.messages[1];
    for (const QString& part : {QString(TOLVI_VERSION), QString("Qt: ") + qVersion(), f.dataFolder(),
             QString("href=\"file://") + f.dataFile("session.txt")}) {
        EXPECT_TRUE(about.contains(part)) << part.toStdString() << " in " << about.toStdString();
    }
}

// The window comes back where it was left, on a screen that exists.
TEST(MainWindowPlace, RestoredOnAScreenThatExists)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QSize size(700, 500);
    ASSERT_TRUE(screen.width() > size.width() + 40 && screen.height() > size.height() + 30) << "a screen this small";
    struct Case {
        const char* name;
        QRect stored;
        QRect expected;
    };
    const Case cases[] = {
        {"on the screen", QRect(screen.topLeft() + QPoint(40, 30), size),
            QRect(screen.topLeft() + QPoint(40, 30), size)},
        {"on a screen since unplugged", QRect(QPoint(screen.right() + 500, screen.top() + 20), size),
            QRect(QPoint(screen.right() + 1 - size.width(), screen.top() + 20), size)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppFixture f;
        f.withoutPassword();
        {
            PerUserSettings perUser(f.options().perUserIni);
            StoreWindowPlacement(perUser, WindowPlacement{c.stored, false});
        }
        TolviApplication app(f.options());
        app.start();
        ASSERT_TRUE(app.instrumentThread().waitUntilIdle(30000));
        EXPECT_EQ(app.window().geometry(), c.expected);
        app.window().setGeometry(QRect(screen.topLeft() + QPoint(10, 20), size));
        app.window().close();
        PerUserSettings perUser(f.options().perUserIni);
        const auto stored = StoredWindowPlacement(perUser);
        ASSERT_TRUE(stored);
        EXPECT_EQ(stored->geometry, QRect(screen.topLeft() + QPoint(10, 20), size)) << "kept at the end";
    }
}

// Not connected: the terminal says so and keeps the request; once an
// instrument is connected the request goes out. After a send the input is
// selected, so the next request replaces it.
TEST(TerminalWindow, SaysWhenNoInstrumentIsConnectedAndSelectsItsInput)
{
    TerminalRig rig;
    TerminalSession& session = rig.session;
    TerminalWindow& window = rig.window;
    EXPECT_TRUE(window.lblTermState->isVisible());
    EXPECT_EQ(window.lblTermState->text(), "No instrument is connected.");

    QTest::keyClicks(window.txtTermISay, "g002001");
    QTest::keyClick(window.txtTermISay, Qt::Key_Return);
    EXPECT_EQ(window.txtTermISay->selectedText(), "G002001");
    EXPECT_EQ(window.lblTermState->text(), "No instrument is connected: the request is sent once one is.");
    QTest::qWait(200);
    EXPECT_TRUE(session.hasPending());

    window.setLinkConnected(true);
    EXPECT_FALSE(window.lblTermState->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.rtbTermHeSays->toPlainText().count('\n') == 2; }, 5000));
    QTest::keyClicks(window.txtTermISay, "g000102");   // replaces the selected request
    EXPECT_EQ(window.txtTermISay->text(), "g000102");
    Snapshot(&window, "frmTerminal-connected");
}

// Instrument > Terminal opens it beside the main window, on the screen.
TEST(TerminalWindow, OpensBesideTheMainWindow)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    AppFixture f;
    f.withoutPassword();
    TolviApplication app(f.options());
    app.start();
    app.window().setGeometry(QRect(screen.topLeft() + QPoint(10, 10), app.window().minimumSizeHint()));
    app.window().mainMenu()->terminal->trigger();
    TerminalWindow& terminal = app.terminal();
    ASSERT_TRUE(terminal.isVisible());
    const QRect main = app.window().frameGeometry();
    const QRect placed = terminal.frameGeometry();
    EXPECT_TRUE(screen.contains(placed)) << "on the screen";
    EXPECT_EQ(placed.top(), main.top());
    if (screen.right() - main.right() >= placed.width())
        EXPECT_EQ(placed.left(), main.right() + 1) << "to its right";
    else
        EXPECT_EQ(placed.right(), screen.right()) << "no room to its right: as far right as the screen goes";
}
