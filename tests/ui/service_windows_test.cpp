#include "AppFixture.h"
#include "CalibrationCheckWindow.h"
#include "ModalScript.h"
#include "QtPrinters.h"
#include "Snapshot.h"
#include "instrument/RetriedRead.h"
#include "instrument/StaleState.h"

#include <QClipboard>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The program connected to its built-in simulated instrument.
struct DemoApp : AppFixture {
    std::unique_ptr<TolviApplication> app;
    bool connected = false;

    DemoApp()
    {
        withoutPassword();
        app = std::make_unique<TolviApplication>(options({}, true));
        app->start();
        connected = ConnectToDemo(*app);
    }
};

} // namespace

TEST(CalibrationCheckWindow, StepsThroughTheCheckAndCopiesItsResults)
{
    DemoApp f;
    ASSERT_TRUE(f.connected);
    f.app->window().move(300, 200);
    f.app->window().show();
    f.app->serviceActions().openCalibrationCheck();
    CalibrationCheckWindow* guru = f.app->serviceActions().calibrationCheckWindow();
    ASSERT_NE(guru, nullptr);
    EXPECT_TRUE(guru->isVisible());
    EXPECT_EQ(guru->windowTitle(), QStringLiteral("Karvex - Calibration Check"));
    // Over the main window, not in a corner of the screen.
    EXPECT_TRUE(f.app->window().frameGeometry().contains(guru->geometry().center()))
        << "the check opens over the main window";
    EXPECT_EQ(guru->rtbGuruOutput->toPlainText(), QStringLiteral("Press 'Next' to continue."));

    guru->btnNext->click();
    EXPECT_EQ(guru->windowTitle(), QStringLiteral("Karvex - Calibration Check (1/4)"));
    EXPECT_FALSE(guru->btnNext->isEnabled());   // while the calibration is read
    ASSERT_TRUE(QTest::qWaitFor([&] { return guru->btnNext->isEnabled(); }, 60000));
    const QString calibration = guru->rtbGuruOutput->toPlainText();
    EXPECT_TRUE(calibration.startsWith(QStringLiteral("Checking instrument calibration gain & settings.\nCalibrated at ")))
        << calibration.toStdString();
    EXPECT_TRUE(calibration.contains(QStringLiteral("\nLinear Gain = 1\n"))) << calibration.toStdString();
    EXPECT_EQ(guru->pbrProgress->value(), 25) << "step 1 of 4 is done";
    EXPECT_TRUE(Snapshot(guru, QStringLiteral("frmGuru")));

    guru->btnCopy->click();
    EXPECT_EQ(QApplication::clipboard()->text(), calibration);

    for (const char* caption : {"Karvex - Calibration Check (2/4)", "Karvex - Calibration Check (3/4)",
             "Karvex - Calibration Check (4/4)", "Karvex - Calibration Check (0/4)"}) {
        guru->btnNext->click();
        EXPECT_EQ(guru->windowTitle(), QString::fromLatin1(caption));
    }
    EXPECT_EQ(guru->rtbGuruOutput->toPlainText(), QStringLiteral("Press 'Next' to continue."));
    guru->btnClose->click();
    EXPECT_FALSE(guru->isVisible());
}

TEST(CalibrationCheckWindow, AFailedReadShowsInRed)
{
    TempFolder folder;
    CalibrationCheckWindow guru(QStringLiteral("Karvex"), QStringLiteral("Tolvi"),
        [](std::function<void(const CalibrationReading&)> done) { done(CalibrationReading{}); });
    guru.btnNext->click();
    EXPECT_EQ(guru.rtbGuruOutput->toPlainText(),
        QStringLiteral("Checking instrument calibration gain & settings.\nFailed to read calibration!\n"));
    QTextCursor cursor(guru.rtbGuruOutput->document());
    cursor.movePosition(QTextCursor::End);
    cursor.movePosition(QTextCursor::PreviousCharacter, QTextCursor::MoveAnchor, 2);
    EXPECT_EQ(cursor.charFormat().foreground().color(), QColor(255, 0, 0));
    EXPECT_TRUE(guru.btnRedoTest->isEnabled());
}

TEST(ServiceActions, OffsetsAndTheReportFromTheDemoInstrument)
{
    DemoApp f;
    ASSERT_TRUE(f.connected);
    ModalScript script;
    script.thenPress(QMessageBox::Ok);
    f.app->serviceActions().showOffsets();
    ASSERT_TRUE(f.app->instrumentThread().waitUntilIdle(60000));
    EXPECT_EQ(script.messages, QStringList{QStringLiteral("Fine : +0.000 ppm.\r\nZero Error = +0.\r\n")});

    // Without a text editor the report's place is told.
    ModalScript report;
    report.thenPress(QMessageBox::Ok);
    f.app->serviceActions().showMoreInfo();
    ASSERT_TRUE(f.app->instrumentThread().waitUntilIdle(120000));
    const QString log = f.read(f.dataFile("session.txt"));
    const qsizetype at = log.indexOf(QStringLiteral("Information report written to "));
    ASSERT_GE(at, 0);
    const QString path = log.mid(at + 30).section(QLatin1Char('\r'), 0, 0).section(QLatin1Char('\n'), 0, 0);
    EXPECT_TRUE(f.read(path).startsWith(QStringLiteral("Settings and Event logs.\r\n"))) << path.toStdString();
    QFile::remove(path);
}

TEST(ServiceActions, RefreshSensorCancelledFromTheStatusBarStillRestores)
{
    AppFixture fixture;
    fixture.withoutPassword();
    QFile app(fixture.dataFile("app.txt"));
    ASSERT_TRUE(app.open(QIODevice::WriteOnly));
    app.write("[Refresh]\r\nCycles=6\r\nPRT=10\r\nLength=1\r\n");
    app.close();
    auto program = std::make_unique<TolviApplication>(fixture.options({}, true));
    program->start();
    ASSERT_TRUE(AppFixture::ConnectToDemo(*program));
    // The demo instrument samples by its schedule: stop it and let the status bar show it.
    program->instrumentThread().submit(QStringLiteral("stop schedule"), [&] {
        tolviM::SendOnce(program->link(), "A03");
        MarkStateStale(program->link());
        program->model().keepAliveTick();
    });
    ASSERT_TRUE(program->instrumentThread().waitUntilIdle(60000));
    // The pages' own refreshes after the connection may still be queued.
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return program->window().statusPanels()->panelText(3) == QStringLiteral("Schedule: Disabled");
    }, 10000)) << program->window().statusPanels()->panelText(3).toStdString();

    ModalScript script;
    script.thenPress(QMessageBox::Yes);
    program->serviceActions().refreshSensor();
    StatusPanels* panels = program->window().statusPanels();
    ASSERT_TRUE(QTest::qWaitFor([&] { return panels->panelText(1).startsWith("Refreshing the sensor... [Cycle 2 of 6]"); },
        60000)) << panels->panelText(1).toStdString();
    QTest::mouseDClick(panels->panel(1), Qt::LeftButton);
    ASSERT_TRUE(program->instrumentThread().waitUntilIdle(120000));

    EXPECT_EQ(script.messages.size(), 1);   // the question only: no "refreshed" box
    // The cancel is said where the user looks, not left as an empty status bar.
    EXPECT_EQ(panels->panelText(1),
        QStringLiteral("Sensor refresh cancelled; the pump and valve settings are as they were."));
    const auto instrument = [&](auto get) { return program->demoInstrument()->engine().inspect(get); };
    EXPECT_FALSE(instrument([](const SimInstrument& i) { return i.testMode(); }));
    EXPECT_EQ(instrument([](const SimInstrument& i) { return i.testCycles(); }), 2);
    EXPECT_EQ(instrument([](const SimInstrument& i) { return i.eeprom().mid(0x0020, 1); }), QByteArray::fromHex("32"));
    EXPECT_TRUE(fixture.read(fixture.dataFile("session.txt")).contains("Sensor refresh cancelled by user..."));
}
