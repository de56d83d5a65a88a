#include "ConnectDialog.h"
#include "TerminalRig.h"
#include "GuiPrompts.h"
#include "InstrumentThread.h"
#include "LoginDialog.h"
#include "MainWindow.h"
#include "ModalScript.h"
#include "QtPrinters.h"
#include "Snapshot.h"
#include "TempFolder.h"
#include "TerminalWindow.h"
#include "shell/SessionLog.h"

#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

TEST(TerminalWindow, EnterSendsTheTypedPayloadAndShowsTheColouredExchange)
{
    TerminalRig rig;
    TerminalSession& session = rig.session;
    TerminalWindow& window = rig.window;

    QTest::keyClicks(window.txtTermISay, "g002001");
    QTest::keyClick(window.txtTermISay, Qt::Key_Return);
    EXPECT_EQ(window.txtTermISay->text(), "G002001");
    // Not connected: the scan timer is stopped and the request waits.
    QTest::qWait(300);
    EXPECT_TRUE(window.rtbTermHeSays->toPlainText().isEmpty());
    EXPECT_TRUE(session.hasPending());
    // The connection starts the scan timer, which sends it.
    window.tmrTerminalScan->start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.rtbTermHeSays->toPlainText().count('\n') == 2; }, 5000));

    const QStringList lines = window.rtbTermHeSays->toPlainText().split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines[0].section('\t', 1), ">>>\t'G0020016F");
    EXPECT_TRUE(lines[1].section('\t', 1).startsWith("<<<\t")) << lines[1].toStdString();
    // The request marker is blue, its text black.
    const QString html = window.rtbTermHeSays->toHtml();
    EXPECT_TRUE(html.contains("color:#0000ff;\">&gt;&gt;&gt;")) << html.toStdString();
    Snapshot(&window, "frmTerminal");
}

TEST(TerminalWindow, SaveEEWritesTheImageAndReportsWhere)
{
    TerminalRig rig;
    TerminalWindow& window = rig.window;
    InstrumentThread& thread = rig.thread;
    const QString path = rig.hexPath;

    ModalScript script;
    script.thenPress(QMessageBox::Ok);
    window.btnTermSaveEE->click();
    ASSERT_TRUE(thread.waitUntilIdle(20000));
    ASSERT_EQ(script.messages.size(), 1);
    EXPECT_EQ(script.messages[0], "Instrument setup saved to " + path);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().count("\r\n"), 65);
    EXPECT_EQ(window.rtbTermHeSays->toPlainText().count('\n'), 128);
}

TEST(GuiPrompts, QuestionsFromTheInstrumentThreadAreAnsweredOnTheGuiThread)
{
    InstrumentThread thread;
    GuiPrompts prompts;
    prompts.setCaption("Tolvi - Karvex");
    ModalScript script;
    script.thenPress(QMessageBox::Yes);
    script.thenPress(QMessageBox::Cancel);
    Prompts::Answer first = Prompts::Answer::Cancel;
    bool confirmed = true;
    thread.submit("ask", [&] {
        first = prompts.askYesNo("Keep it?");
        confirmed = prompts.confirm(Prompts::Icon::Exclamation, "Are you sure?");
    });
    ASSERT_TRUE(thread.waitUntilIdle(10000));
    EXPECT_EQ(first, Prompts::Answer::Yes);
    EXPECT_FALSE(confirmed);
    EXPECT_EQ(script.titles, (QStringList{"Tolvi - Karvex", "Tolvi - Karvex"}));

    // Once shutting down nothing is shown and questions get the neutral answer.
    prompts.setShuttingDown(true);
    thread.submit("ask late", [&] { first = prompts.askYesNo("Still there?"); });
    ASSERT_TRUE(thread.waitUntilIdle(10000));
    EXPECT_EQ(first, Prompts::Answer::No);
}

TEST(GuiPrompts, SaveDialogOffersTheTypesAndProposedName)
{
    GuiPrompts prompts;
    TempFolder folder;
    Prompts::FileChoice choice;
    choice.filters = QStringList{"CSV (comma) (*.csv)", "CSV (semi-colon) (*.csv)", "Text (tab) (*.txt)",
        "Text (space) (*.txt)"};
    choice.selectedFilter = 1;
    choice.proposedName = "Karvex_261210123456";
    choice.defaultExtension = "csv";
    choice.folder = folder.path();

    ModalScript script;
    QString shownFilter;
    script.then([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        shownFilter = dialog->selectedNameFilter();
        Snapshot(dialog, "dlgSave");
        // The user picks the tab type in the type list.
        auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
        ASSERT_NE(types, nullptr);
        types->setFocus();
        QTest::keyClick(types, Qt::Key_Down);
        static_cast<QDialog*>(dialog)->accept();
    });
    const auto chosen = prompts.chooseSaveFile(choice);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(shownFilter, "CSV (semi-colon) (*.csv)");
    EXPECT_EQ(chosen->filterIndex, 2);
    // The chosen type decides the extension: a tab-separated file is no ".csv".
    EXPECT_EQ(QFileInfo(chosen->path).fileName(), "Karvex_261210123456.txt");
    EXPECT_EQ(QFileInfo(chosen->path).absolutePath(), QFileInfo(folder.path()).absoluteFilePath())
        << "opens in the folder it is given";
}

TEST(LoginDialog, ShowsOnePanelAndEnterInAnyBoxPressesOK)
{
    LoginDialog dialog;
    dialog.show();
    QSignalSpy ok(&dialog, &LoginDialog::okPressed);
    struct Case {
        LoginDialog::Panel panel;
        QGroupBox* frame;
        int boxes;
    };
    const Case cases[] = {{LoginDialog::Panel::Login, dialog.fraLogin, 1},
        {LoginDialog::Panel::Change, dialog.fraChange, 3}, {LoginDialog::Panel::NewUser, dialog.fraNewUser, 2}};
    for (const Case& c : cases) {
        dialog.showPanel(c.panel);
        for (QGroupBox* frame : {dialog.fraLogin, dialog.fraChange, dialog.fraNewUser})
            EXPECT_EQ(frame->isVisible(), frame == c.frame);
        const QList<QLineEdit*> boxes = dialog.panelBoxes();
        ASSERT_EQ(boxes.size(), c.boxes);
        for (int i = 0; i < c.boxes; ++i) {
            const int before = ok.size();
            QTest::keyClick(boxes[i], Qt::Key_Return);
            EXPECT_EQ(ok.size(), before + 1) << "Enter in box " << i << " submits the panel";
        }
    }
}

TEST(Snapshots, EveryPageAndDialogRenders)
{
    TempFolder folder;
    SessionLog log;
    MainWindow window(log, folder.path());
    window.resize(760, 580);
    window.downloadPage()->fraDownloadFilters->show();
    window.settingsPage()->btnSettingsToggleAdvanced->setText(QStringLiteral("Hide Advanced Settings"));
    window.settingsPage()->fraPumpAndValve->show();
    window.settingsPage()->fraAdvancedDiagnostics->show();
    window.show();
    for (int i = 0; i < window.tabs()->count(); ++i) {
        window.tabs()->setCurrentIndex(i);
        EXPECT_TRUE(Snapshot(&window, "frmMain-unconnected-" + window.tabs()->tabText(i))) << i;
    }
    // As narrow as the window goes, with long status texts.
    window.statusPanels()->setPanelText(1, "Downloading the whole of memory from the instrument: 042% done. (ETA 0:01:23)");
    window.statusPanels()->setPanelText(2, "Clock Error: +00:00:05");
    window.statusPanels()->setPanelText(3, "Schedule: Running");
    window.statusPanels()->setPanelText(4, "Memory Used:27%");
    window.statusPanels()->setProgress(42);
    window.resize(window.minimumSizeHint());
    QTest::qWait(20);
    for (int i = 0; i < window.tabs()->count(); ++i) {
        window.tabs()->setCurrentIndex(i);
        EXPECT_TRUE(Snapshot(&window, "frmMain-narrow-" + window.tabs()->tabText(i))) << i;
    }
    for (QAction* top : window.menuBar()->actions()) {
        top->menu()->popup(window.mapToGlobal(QPoint(0, 0)));
        EXPECT_TRUE(Snapshot(top->menu(), "mnu" + top->text().remove('&')));
        top->menu()->hide();
    }
    ConnectDialog connect;
    EXPECT_TRUE(Snapshot(&connect, "frmConnect"));
    LoginDialog login;
    for (auto [panel, name] : {std::pair{LoginDialog::Panel::Login, "login"},
             std::pair{LoginDialog::Panel::Change, "change"}, std::pair{LoginDialog::Panel::NewUser, "newuser"}}) {
        login.showPanel(panel);
        EXPECT_TRUE(Snapshot(&login, QStringLiteral("frmLogin-") + name));
    }
}
