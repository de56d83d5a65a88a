#include "AppFixture.h"
#include "SimFixture.h"
#include "ConnectDialog.h"
#include "IntelHexReader.h"
#include "LoginDialog.h"
#include "ModalScript.h"
#include "QtPrinters.h"
#include "ScopedEnvironment.h"
#include "Snapshot.h"
#include "SimHost.h"
#include "SimPortsFile.h"
#include "data/MemoryErase.h"
#include "records/TechnicalFile.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

TEST(SimulatedInstrument, ConnectsFromThePortList)
{
    SimFixture f;
    ASSERT_TRUE(f.connected);
    ConfigurePage* page = f.app->window().configurePage();
    EXPECT_TRUE(page->lblConnectionString->text().startsWith("Connected to ")) << page->lblConnectionString->text().toStdString();
    EXPECT_EQ(f.panel1(), page->lblConnectionString->text());
    EXPECT_FALSE(page->btnSelectComPort->isEnabled());
    EXPECT_FALSE(page->btnRescanPorts->isEnabled());
    EXPECT_TRUE(f.app->window().tabs()->isTabEnabled(1));
    EXPECT_TRUE(f.app->window().tmrPing()->isActive());
    EXPECT_EQ(f.page()->lblMemory_used->text(), QString("Used : %1").arg(f.simSlotsUsed()));
    // The manual's picture: the page in use at the window's first size.
    f.app->window().resize(900, 600);
    f.app->window().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.app->window()));
    f.app->window().showPage(page);
    EXPECT_TRUE(Snapshot(&f.app->window(), "frmMain-Configure"));

    page->btnDisconnect->click();
    ASSERT_TRUE(f.app->instrumentThread().waitUntilIdle(30000));
    EXPECT_TRUE(page->btnSelectComPort->isEnabled());
    EXPECT_FALSE(page->btnDisconnect->isEnabled());
    EXPECT_FALSE(f.app->window().tmrPing()->isActive());
    // Without a notification area the balloon lands in panel 1.
    EXPECT_EQ(f.panel1(), f.app->window().tray()->available() ? "Please select a port to use..."
                                                              : "Disconnected from Instrument.");
}

// "tolvi --demo" connects to the simulated instrument by itself once the
// port scan has filled the list.
TEST(SimulatedInstrument, DemoModeConnectsByItself)
{
    AppFixture f;
    f.withoutPassword();
    TolviApplication::Options options = f.options({}, true);
    options.connectToDemo = true;
    ModalScript script;   // a failed connect shows a message: answered, so the test ends
    script.thenPress(QMessageBox::Ok);
    TolviApplication app(options);
    app.start();
    ASSERT_TRUE(app.instrumentThread().waitUntilIdle(60000));
    EXPECT_TRUE(script.messages.isEmpty()) << script.messages.join(" | ").toStdString();
    EXPECT_TRUE(app.model().connectionComplete());
    ConfigurePage* page = app.window().configurePage();
    EXPECT_TRUE(page->lblConnectionString->text().startsWith("Connected to ")) << page->lblConnectionString->text().toStdString();
    // The list's entry: the number first, then the simulator's device.
    EXPECT_EQ(page->lstComPorts->currentText(),
        QStringLiteral("COM Port %1 - ").arg(app.demoPort()) + app.demoInstrument()->ptyPath());
}

// "Network..." on the Configure page: Test... reaches the bridge and names the
// instrument, then Add and Connect connects through it and remembers it.
TEST(SimulatedInstrument, NetworkDialogTestsThenConnectsThroughTheBridge)
{
    SimHost bridge(DefaultSimScenario(), {.pty = false, .tcp = true});
    AppFixture f;
    f.withoutPassword();
    TolviApplication app(f.options());
    app.start();
    ASSERT_TRUE(app.instrumentThread().waitUntilIdle(30000));

    const QString port = QString::number(bridge.tcpPort());
    const auto fillIn = [port](QWidget* w) {
        auto* dialog = qobject_cast<ConnectDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        dialog->txtAddress->setText(QStringLiteral("127.0.0.1"));
        dialog->txtPort->setText(port);
    };
    ModalScript script;
    script.then([fillIn](QWidget* w) {
        fillIn(w);
        qobject_cast<ConnectDialog*>(w)->cmdPing->click();
    });
    script.thenPress(QMessageBox::Ok);
    script.then([](QWidget* w) { qobject_cast<ConnectDialog*>(w)->OKButton->click(); });
    app.window().configurePage()->cmdUseNetwork->click();
    ASSERT_TRUE(app.instrumentThread().waitUntilIdle(60000));

    EXPECT_TRUE(script.done());
    ASSERT_EQ(script.messages.size(), 1);
    EXPECT_EQ(script.messages[0], "Connected to 10234F at net://127.0.0.1:" + port + "!");
    EXPECT_TRUE(app.model().connectionComplete());
    EXPECT_TRUE(app.window().configurePage()->lblConnectionString->text().startsWith("Connected to "));
    const QString user = f.read(f.dataFile("user.txt"));
    EXPECT_TRUE(user.contains("Address=127.0.0.1")) << user.toStdString();
    EXPECT_TRUE(user.contains("Port=" + port)) << user.toStdString();
}

TEST(SimulatedInstrument, DownloadFromTheDownloadPage)
{
    SimFixture f;
    ASSERT_TRUE(f.connected);
    EXPECT_FALSE(f.page()->fraDownloadFilters->isVisibleTo(f.page()));
    f.page()->btnDownload->click();
    ASSERT_TRUE(f.app->instrumentThread().waitUntilIdle(120000));
    EXPECT_EQ(f.app->downloads().count(), f.simSlotsUsed());
    EXPECT_GT(f.app->downloads().count(), 0);
    EXPECT_EQ(f.panel1(), "Download complete, ready to filter and save data.");
    EXPECT_TRUE(f.page()->fraDownloadFilters->isVisibleTo(f.page()));

    // Test Filter on what arrived: every slot for the "All" entries.
    ModalScript script;
    script.thenPress(QMessageBox::Ok);
    f.page()->lstDataFormat->setCurrentIndex(0);
    f.page()->btnFilterDownload->click();
    EXPECT_EQ(script.messages,
        QStringList{QString("Using this filter will return %1 samples.").arg(f.app->downloads().count())});
}

TEST(SimulatedInstrument, DoubleClickOnPanelOneCancelsTheDownload)
{
    SimFixture f;
    ASSERT_TRUE(f.connected);
    f.page()->btnDownload->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.panel1().startsWith("Downloading"); }, 30000)) << f.panel1().toStdString();
    QTest::mouseDClick(f.app->window().statusPanels()->panel(1), Qt::LeftButton);
    ASSERT_TRUE(f.app->instrumentThread().waitUntilIdle(60000));
    EXPECT_EQ(f.panel1(), "Download has been cancelled.");
    EXPECT_EQ(f.app->downloads().count(), 0);
    EXPECT_FALSE(f.page()->fraDownloadFilters->isVisibleTo(f.page()));
    EXPECT_TRUE(f.read(f.dataFile("session.txt")).contains("Download cancelled by user..."));
}

// Slots the instrument never sends intact: the window keeps what was read,
// shows the filter frame for it, and says in a message box which slots are
// missing and why, not only in the log.
TEST(SimulatedInstrument, IncompleteDownloadSaysWhichSlotsAreMissing)
{
    SimScenario scenario = DefaultSimScenario();
    scenario.faults.dropSlots = {5, 6};
    scenario.faults.corruptReply = {SimFaultRule::on(QStringLiteral("J0100050001")),
        SimFaultRule::on(QStringLiteral("J0100060001"))};
    SimHost sim(scenario);
    AppFixture f;
    f.withoutPassword();
    constexpr int Port = 77;
    QString error;
    ASSERT_TRUE(WritePortToPortsFile(f.dataFile("app.txt"), Port, sim.ptyPath(), &error)) << error.toStdString();
    TolviApplication app(f.options());
    app.start();
    ASSERT_TRUE(AppFixture::ConnectToPort(app, Port));

    ModalScript script;
    script.thenPress(QMessageBox::Ok);
    DownloadPage* page = app.window().downloadPage();
    page->btnDownload->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return script.done() && !app.instrumentThread().isBusy(); }, 120000));
    EXPECT_EQ(script.messages, QStringList{"Download incomplete: slots 5-6 could not be read: "
                                           "the instrument gave no good reply for them."});
    EXPECT_EQ(app.downloads().count(), int(scenario.slots.size()));
    EXPECT_EQ(app.downloads().unread, (std::set<int>{5, 6}));
    EXPECT_EQ(app.window().statusPanels()->panelText(1),
        "Download incomplete, ready to filter and save what was read.");
    EXPECT_TRUE(page->fraDownloadFilters->isVisibleTo(page));
}

TEST(SimulatedInstrument, EraseIsGuardedByThePassword)
{
    SimFixture f({}, "[Password]\r\nValid=True\r\nValue=" + PasswordHash("pass").toUtf8() + "\r\n");
    ASSERT_TRUE(f.connected);
    const int before = f.simSlotsUsed();
    ASSERT_GT(before, 0);
    auto typePassword = [before](const char* text) {
        return [text, before](QWidget* w) {
            auto* login = qobject_cast<LoginDialog*>(w);
            ASSERT_NE(login, nullptr);
            // The box says what the password is for.
            EXPECT_EQ(login->fraLogin->title(),
                QString("Enter your password to erase slots 1 to %1 of the instrument's memory").arg(before));
            QTest::keyClicks(login->txtPassword, text);
            QTest::keyClick(login->txtPassword, Qt::Key_Return);
        };
    };
    {
        ModalScript script;
        script.then(typePassword("wrong"));
        script.thenPress(QMessageBox::Ok);
        script.thenReject();   // the password dialog stays for another try: cancelled
        f.page()->btnDeleteAllMemory->click();
        ASSERT_TRUE(f.app->instrumentThread().waitUntilIdle(30000));
        EXPECT_EQ(script.messages, QStringList{"That's the wrong password - please try again."});
        EXPECT_EQ(f.simSlotsUsed(), before);
    }
    {
        ModalScript script;
        // A wrong password is typed again in the same box.
        script.then(typePassword("wrong"));
        script.thenPress(QMessageBox::Ok);
        script.then(typePassword("pass"));
        script.thenPress(QMessageBox::Ok);
        script.thenPress(QMessageBox::Ok);   // none of it was downloaded: asked once more
        f.page()->btnDeleteAllMemory->click();
        ASSERT_TRUE(f.app->instrumentThread().waitUntilIdle(30000));
        EXPECT_EQ(script.messages,
            (QStringList{"That's the wrong password - please try again.", QString("Are you sure you want to completely and irreversibly delete the memory bank?"
                                 "\r\n\r\nSlots 1 to %1 (%1 samples) will be erased.").arg(before),
                NotDownloadedQuestion(before)}));
        EXPECT_EQ(f.simSlotsUsed(), 0);
        EXPECT_EQ(f.panel1(), "All memory slots have been erased from the instrument.");
        EXPECT_EQ(f.page()->lblMemory_used->text(), "Used : 0");
        EXPECT_EQ(f.page()->shpMemory_bar->fillColour(), QColor(0, 255, 0));
        // Nothing left to download or erase.
        for (QPushButton* b : {f.page()->btnDownload, f.page()->btnDownloadNew, f.page()->btnDeleteAllMemory})
            EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    }
}

TEST(SimulatedInstrument, TerminalSendAndEepromDump)
{
    SimFixture f({"-d"});
    ASSERT_TRUE(f.connected);
    TerminalWindow& terminal = f.app->terminal();
    ASSERT_TRUE(terminal.isVisible());
    // -d reaches the connection: its terminal branch runs the scan timer
    // instead of the keep-alive and says so in the history.
    EXPECT_TRUE(terminal.tmrTerminalScan->isActive());
    const QString history = f.read(QDir(f.app->instrument().RecordFolder).filePath("history.txt"));
    EXPECT_TRUE(history.contains("Connecting in Terminal Mode.")) << history.toStdString();
    QTest::keyClicks(terminal.txtTermISay, "g002001");
    QTest::keyClick(terminal.txtTermISay, Qt::Key_Return);
    EXPECT_EQ(terminal.txtTermISay->text(), "G002001");
    ASSERT_TRUE(QTest::qWaitFor([&] { return terminal.rtbTermHeSays->toPlainText().count('\n') >= 2; }, 30000));
    const QStringList lines = terminal.rtbTermHeSays->toPlainText().split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines[0].section('\t', 1), ">>>\t'G0020016F");
    EXPECT_TRUE(lines[1].section('\t', 1).startsWith("<<<\t")) << lines[1].toStdString();

    ModalScript script;
    script.thenPress(QMessageBox::Ok);
    terminal.btnTermSaveEE->click();
    ASSERT_TRUE(f.app->instrumentThread().waitUntilIdle(120000));
    // Into the data folder, not the program's folder (which an installed program cannot write).
    const QString path = QDir(f.dataFolder()).filePath("eemap.hex");
    EXPECT_EQ(script.messages, QStringList{"Instrument setup saved to " + path});
    EXPECT_EQ(f.read(path).count("\r\n"), 65);
    const QByteArray eeprom =
        f.app->demoInstrument()->engine().inspect([](const SimInstrument& i) { return i.eeprom().left(1024); });
    EXPECT_EQ(ReadIntelHex(path, 1024), eeprom);
}

TEST(SimulatedInstrument, TrayDownloadAllAndSaveShowsTheWindowFirst)
{
    SimFixture f;
    ASSERT_TRUE(f.connected);
    f.app->window().minimizeToTray(false);
    ASSERT_FALSE(f.app->window().isVisible());
    ModalScript script;
    bool visibleAtSave = false;
    script.then([&](QWidget* dialog) {
        visibleAtSave = f.app->window().isVisible();
        static_cast<QDialog*>(dialog)->reject(); // the save dialog, cancelled
    });
    f.app->window().tray()->action("save")->trigger();
    EXPECT_TRUE(f.app->window().isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return script.done() && !f.app->instrumentThread().isBusy(); }, 120000));
    EXPECT_TRUE(visibleAtSave);
    EXPECT_EQ(f.app->downloads().count(), f.simSlotsUsed());
    EXPECT_TRUE(f.read(f.dataFile("session.txt")).contains("QuickMenu - Download All & Save"));
}

// The tray's Download All & Save queues the download and the save one after
// the other; while they run its items are off, so a second click adds no
// download that would refill the table under the first one's completion.
TEST(SimulatedInstrument, TraySaveQueuesNothingMoreWhileItRuns)
{
    SimFixture f;
    ASSERT_TRUE(f.connected);
    ModalScript script;
    script.then([](QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); }); // the save dialog
    QSignalSpy jobs(&f.app->instrumentThread(), &InstrumentThread::jobFinished);
    QAction* save = f.app->window().tray()->action("save");
    ASSERT_TRUE(save->isEnabled());
    save->trigger();
    EXPECT_FALSE(save->isEnabled());
    save->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return script.done() && !f.app->instrumentThread().isBusy(); }, 120000));

    QStringList names;
    for (const QList<QVariant>& job : jobs)
        names << job[0].toString();
    EXPECT_EQ(names, (QStringList{"download", "save data"}));
    EXPECT_TRUE(save->isEnabled());
    ASSERT_GT(f.app->downloads().count(), 0);
    EXPECT_EQ(f.app->downloadPage().filter.from, f.app->downloads()[1].SampleTime);
}

TEST(SimulatedInstrument, TechnicalFileWhileConnected)
{
    TempFolder home;   // the documents folder lies under the home folder
    const ScopedEnvironment homeDir("HOME", home.path().toLocal8Bit());
    const ScopedEnvironment config("XDG_CONFIG_HOME", home.file("config").toLocal8Bit());
    SimFixture f;
    ASSERT_TRUE(f.connected);
    ConfigurePage* configure = f.app->window().configurePage();
    ASSERT_TRUE(configure->btnGenerateTechnicalFile->isEnabled());

    ModalScript script;
    script.thenPress(QMessageBox::No);
    configure->btnGenerateTechnicalFile->click();
    ASSERT_TRUE(f.app->instrumentThread().waitUntilIdle(90000));
    const QString archive =
        home.file("Documents/" + TechnicalFileName(f.app->instrument().SerialNumber, QDate::currentDate()));
    ASSERT_EQ(script.messages.size(), 1);
    EXPECT_TRUE(script.messages.first().contains(QDir::toNativeSeparators(archive))) << script.messages.first().toStdString();
    EXPECT_TRUE(QFileInfo(archive).size() > 0);

    configure->btnDisconnect->click();
    ASSERT_TRUE(f.app->instrumentThread().waitUntilIdle(30000));
    EXPECT_FALSE(configure->btnGenerateTechnicalFile->isEnabled());
}
