#include "AppFixture.h"
#include "LoginDialog.h"
#include "ModalScript.h"
#include "QtPrinters.h"
#include "Snapshot.h"
#include "SimHost.h"

#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

// The Settings page against the built-in simulated instrument, driven
// through its widgets as a user would.
namespace {
struct SettingsFixture : AppFixture {
    std::unique_ptr<TolviApplication> app;
    SettingsPage* page = nullptr;
    bool connected = false;

    explicit SettingsFixture(const QByteArray& userFile = "[Password]\r\nValid=False\r\n")
    {
        QDir().mkpath(dataFolder());
        QFile user(dataFile("user.txt"));
        if (user.open(QIODevice::WriteOnly))
            user.write("; === User Settings ===\r\n" + userFile);
        user.close();
        app = std::make_unique<TolviApplication>(options({}, true));
        app->start();
        connected = ConnectToDemo(*app) && idle();
        page = app->window().settingsPage();
        app->window().showPage(page);
    }
    bool idle() { return app->instrumentThread().waitUntilIdle(30000); }
    QByteArray eeprom(int address, int count)
    {
        return app->demoInstrument()->engine().inspect(
            [&](const SimInstrument& i) { return i.eeprom().mid(address, count); });
    }
    QString history() { return read(dataFile(app->instrument().SerialNumber + "/history.txt")); }
};

auto TypePassword(const char* text)
{
    return [text](QWidget* w) {
        auto* login = qobject_cast<LoginDialog*>(w);
        ASSERT_NE(login, nullptr);
        QTest::keyClicks(login->txtPassword, text);
        QTest::keyClick(login->txtPassword, Qt::Key_Return);
    };
}
} // namespace

TEST(SettingsPageWindow, ConnectionFillsThePage)
{
    SettingsFixture f;
    ASSERT_TRUE(f.connected);
    SettingsPage* p = f.page;
    EXPECT_EQ(p->lblCurrentMode->text(), "Peak Detection");
    EXPECT_EQ(p->lblCurrentLimit->text(), "QRA");
    EXPECT_EQ(p->lblMGMFactor->text(), "Dynamic");
    EXPECT_EQ(p->lblMGMFactor->toolTip(), "mg/M^3 Conversion changes with temperature");
    EXPECT_TRUE(p->lblSettingsGain->text().endsWith("Cycles 1234 : Pointer 7")) << p->lblSettingsGain->text().toStdString();
    EXPECT_EQ(p->dtpSettingsMan->date(), QDate(2021, 3, 12));
    // One date format on every page: the Configure page's identity writes it as this page does.
    EXPECT_EQ(p->dtpSettingsMan->text(), "12-Mar-2021");
    EXPECT_TRUE(f.app->window().configurePage()->lblInstrumentIdentity->text().contains("Manufactured: 12-Mar-2021"))
        << f.app->window().configurePage()->lblInstrumentIdentity->text().toStdString();
    EXPECT_TRUE(p->optPumpRuns[2]->isChecked());   // "Timed"
    EXPECT_EQ(p->lblPumpDelta->text(), "-0.5 s");
    EXPECT_EQ(p->shpPumpAndValveSpace->diagram().buttonPress, -5);
    EXPECT_EQ(p->spnAlarmLevel->text(), "1.00 ppm");
    EXPECT_EQ(p->spnAlarmDuration->text(), "Continuous");
    EXPECT_EQ(p->btnSettingsUseDumbSump->text(), "Enable Data Dump");
    EXPECT_TRUE(p->btnDiagnoseProblem->isEnabled());
    // The functions without a procedure are off and say why, connected or not.
    for (QPushButton* b :
        {p->btnCalibrateInstrument, p->btnRestoreDefaultEE, p->btnRestoreOriginalEE, p->btnPNV_RestoreDefaults}) {
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
        EXPECT_EQ(b->toolTip(), "Not available in this version of the program.") << b->objectName().toStdString();
    }
    EXPECT_TRUE(f.app->window().statusPanels()->panelText(2).startsWith("Clock Error: "));

    // The advanced view opens the pump and valve frame and the diagnostics.
    EXPECT_FALSE(p->fraPumpAndValve->isVisibleTo(p));
    p->btnSettingsToggleAdvanced->click();
    EXPECT_TRUE(p->fraPumpAndValve->isVisibleTo(p));
    EXPECT_TRUE(p->fraAdvancedDiagnostics->isVisibleTo(p));
    EXPECT_EQ(p->btnSettingsToggleAdvanced->text(), "Hide Advanced Settings");
}

// With the advanced part shown the page lays out within the window's first
// size; a smaller window scrolls the page, and no reconnection makes the
// window grow.
TEST(SettingsPageWindow, AdvancedSettingsFitTheWindowAndScrollWhenSmaller)
{
    SettingsFixture f;
    ASSERT_TRUE(f.connected);
    MainWindow& window = f.app->window();
    SettingsPage* p = f.page;
    window.resize(900, 600);   // the first size, which a small test screen may have bounded
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    p->btnSettingsToggleAdvanced->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(window.size(), QSize(900, 600));
    auto* scroller = qobject_cast<QScrollArea*>(window.tabs()->currentWidget());
    ASSERT_NE(scroller, nullptr);
    EXPECT_EQ(scroller->verticalScrollBar()->maximum(), 0) << "the page fits without scrolling";
    EXPECT_EQ(scroller->horizontalScrollBar()->maximum(), 0);
    // Frames and rows side by side, none drawn over another.
    const QList<QWidget*> frames{p->findChild<QWidget*>("fraInstrumentMode"), p->findChild<QWidget*>("fraInstrumentSetup"),
        p->fraAlarm, p->findChild<QWidget*>("fraDates"), p->fraPumpAndValve, p->fraAdvancedDiagnostics};
    for (int i = 0; i < frames.size(); ++i)
        for (int j = i + 1; j < frames.size(); ++j)
            EXPECT_FALSE(frames[i]->geometry().intersects(frames[j]->geometry()))
                << frames[i]->objectName().toStdString() << " and " << frames[j]->objectName().toStdString();
    EXPECT_FALSE(p->optPumpRuns[0]->geometry().intersects(p->optValveRuns[0]->geometry()));
    EXPECT_FALSE(p->shpPumpAndValveSpace->geometry().intersects(p->btnGetPumpAndValve->geometry()));
    EXPECT_TRUE(Snapshot(&window, "frmMain-Settings"));

    // Disconnected and connected again: the window keeps its size.
    window.configurePage()->btnDisconnect->click();
    ASSERT_TRUE(f.idle());
    ASSERT_TRUE(AppFixture::ConnectToDemo(*f.app));
    QCoreApplication::processEvents();
    EXPECT_EQ(window.size(), QSize(900, 600));

    // Smaller than the page: the page scrolls, the window stays as the user made it.
    window.showPage(p);
    window.resize(800, 420);
    QCoreApplication::processEvents();
    EXPECT_EQ(window.size(), QSize(800, 420));
    EXPECT_GT(scroller->verticalScrollBar()->maximum(), 0);
}

TEST(SettingsPageWindow, PumpValveAndAlarmSentFromTheControls)
{
    SettingsFixture f;
    ASSERT_TRUE(f.connected);
    SettingsPage* p = f.page;
    p->btnSettingsToggleAdvanced->click();

    // Valve "Always", pump two steps earlier.
    p->optValveRuns[1]->click();
    EXPECT_EQ(p->lblValveDelta->text(), "-");
    EXPECT_FALSE(p->udnValveTime->isEnabled());
    p->udnPumpDelta->downButton()->click();
    p->udnPumpDelta->downButton()->click();
    EXPECT_EQ(p->lblPumpDelta->text(), "-0.7 s");
    EXPECT_EQ(p->shpPumpAndValveSpace->diagram().buttonPress, -7);
    {
        ModalScript script;
        script.thenPress(QMessageBox::Yes);   // recalibration question
        script.thenPress(QMessageBox::Ok);    // the instrument is now uncalibrated
        p->btnSetPumpAndValve->click();
        ASSERT_TRUE(f.idle());
        EXPECT_EQ(script.messages.size(), 2);
    }
    EXPECT_EQ(f.eeprom(0x0042, 6), QByteArray::fromHex("02003201F9FF"));
    EXPECT_EQ(f.app->window().statusPanels()->panelText(1), "New Pump and Valve settings sent to instrument.");
    EXPECT_TRUE(p->lblSettingsGain->text().contains("Instrument is not calibrated!"));

    p->chkAlarmIsEnabled->click();
    p->optAlarmIsHigh->click();
    // The values are typed, each in its unit, and taken at Enter.
    const auto type = [](QAbstractSpinBox* box, const char* text) {
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, QString::fromLatin1(text));
        QTest::keyClick(box, Qt::Key_Return);
    };
    type(p->spnAlarmLevel, "1.25");
    EXPECT_EQ(p->spnAlarmLevel->text(), "1.25 ppm");
    p->btnSettingsAlarm->click();
    ASSERT_TRUE(f.idle());
    EXPECT_EQ(f.eeprom(0x0048, 4), QByteArray::fromHex("FF00057D"));
    EXPECT_EQ(f.eeprom(0x0059, 1), QByteArray::fromHex("FF"));
    EXPECT_TRUE(f.history().contains("::: Alarm settings changed by "));
    type(p->spnAlarmDuration, "30");
    EXPECT_EQ(p->spnAlarmDuration->text(), "30 s");
    type(p->spnAlarmDuration, "0");
    EXPECT_EQ(p->spnAlarmDuration->text(), "Continuous");
}

TEST(SettingsPageWindow, RefusedPasswordPutsTheBoxBack)
{
    SettingsFixture f("[Password]\r\nValid=True\r\nValue=" + PasswordHash("pass").toUtf8() + "\r\n");
    ASSERT_TRUE(f.connected);
    QCheckBox* box = f.page->chkAutoOnOff;
    ASSERT_FALSE(box->isChecked());
    {
        ModalScript script;
        script.then(TypePassword("wrong"));
        script.thenPress(QMessageBox::Ok);
        script.thenReject();   // the password dialog stays for another try: cancelled
        box->click();
        ASSERT_TRUE(f.idle());
        EXPECT_EQ(script.messages, QStringList{"That's the wrong password - please try again."});
    }
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(f.eeprom(0x002E, 2), QByteArray::fromHex("0000"));
    {
        ModalScript script;
        script.then(TypePassword("pass"));
        box->click();
        ASSERT_TRUE(f.idle());
    }
    EXPECT_TRUE(box->isChecked());
    EXPECT_TRUE(box->styleSheet().contains("rgb(128, 255, 0)"));
    EXPECT_EQ(f.eeprom(0x002E, 2), QByteArray::fromHex("1000"));
    EXPECT_TRUE(f.history().contains("::: Flag settings changed by "));
}

TEST(SettingsPageWindow, DataDumpFlipsTheCaption)
{
    SettingsFixture f;
    ASSERT_TRUE(f.connected);
    f.page->btnSettingsToggleAdvanced->click();
    ModalScript script;
    script.thenPress(QMessageBox::Yes);
    script.thenPress(QMessageBox::Ok);
    f.page->btnSettingsUseDumbSump->click();
    ASSERT_TRUE(f.idle());
    EXPECT_EQ(f.page->btnSettingsUseDumbSump->text(), "Disable Data Dump");
    EXPECT_EQ(f.eeprom(0x004F, 1), QByteArray::fromHex("FF"));
    EXPECT_EQ(f.app->window().statusPanels()->panelText(1), "Data Dump mode activated.");
}

TEST(SettingsPageWindow, ClockSetRefreshesTheSchedulePageAndShowsOneReading)
{
    SettingsFixture f;
    ASSERT_TRUE(f.connected);
    // An edit the instrument does not hold: the Schedule page's refresh takes it back.
    SchedulePage* schedule = f.app->window().schedulePage();
    const int frequency = schedule->udnSchedFreq->value();
    schedule->udnSchedFreq->setValue(frequency == 30 ? 31 : 30);
    // The demo instrument samples by its schedule, so setting the clock asks first.
    ModalScript script;
    script.thenPress(QMessageBox::Yes);
    f.page->btnSetRTCToLocalTime->click();
    ASSERT_TRUE(f.idle());
    ASSERT_TRUE(f.idle());   // the Schedule page's refresh, queued when the clock was set
    QCoreApplication::processEvents();
    EXPECT_EQ(f.app->window().statusPanels()->panelText(1), "Instrument clock set to local PC time.");
    EXPECT_EQ(schedule->udnSchedFreq->value(), frequency);
    // The clock error right after the read-back, the same in the status bar and the identity.
    const QString panel = f.app->window().statusPanels()->panelText(2);
    ASSERT_TRUE(panel.startsWith("Clock Error: ")) << panel.toStdString();
    EXPECT_NE(panel, "Clock Error: ???");
    const QString identity = f.app->window().configurePage()->lblInstrumentIdentity->text();
    EXPECT_TRUE(identity.contains(panel.mid(QStringLiteral("Clock Error: ").size()))) << identity.toStdString();
}
