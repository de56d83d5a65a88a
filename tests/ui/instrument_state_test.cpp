#include "ModalScript.h"
#include "QtPrinters.h"
#include "SimFixture.h"
#include "data/MemoryErase.h"
#include "shell/Password.h"

#include <QRegularExpression>
#include <QTest>
#include <QToolTip>
#include <gtest/gtest.h>

// What the window offers follows the instrument's state: after an erase, a
// disconnect and in terminal debug mode, as a user meets it.
namespace {
struct StateFixture : SimFixture {
    using SimFixture::SimFixture;
    void showDownloadPage()
    {
        app->window().show();
        app->window().showPage(page());
    }
    bool idle() { return app->instrumentThread().waitUntilIdle(60000); }
    QStringList payloads()
    {
        QStringList list;
        for (const QByteArray& p : app->demoInstrument()->engine().receivedPayloads())
            list << QString::fromLatin1(p);
        return list;
    }
    // Slots 1 to last chosen from the keyboard: Home, then SHIFT+Right.
    void selectWithKeys(int last)
    {
        SelectionSlider* slider = page()->sldMemoryRange;
        slider->setFocus();
        QTest::keyClick(slider, Qt::Key_Home);
        for (int i = 1; i < last; ++i)
            QTest::keyClick(slider, Qt::Key_Right, Qt::ShiftModifier);
    }
};
} // namespace

// An erase leaves no portion buttons pressable until a new selection: before,
// "Erase from 1 to 29" stayed on after a portion erase and sent "J020000".
// Its confirmation names the slots and has Cancel as the default button.
TEST(InstrumentState, AfterAnEraseThePortionButtonsWaitForANewSelection)
{
    struct Case { const char* name; bool portion; const char* range; };
    const Case cases[] = {
        {"portion", true, "Slots 1 to 29 (29 samples) will be erased."},
        {"all", false, " samples) will be erased."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StateFixture f;
        ASSERT_TRUE(f.connected);
        f.showDownloadPage();
        const int before = f.simSlotsUsed();
        f.selectWithKeys(29);
        ASSERT_EQ(f.page()->btnEraseSection->text(), "Erase from 1 to 29");
        ASSERT_TRUE(f.page()->btnEraseSection->isEnabled());

        // Both questions (the erase; nothing was downloaded, so once more)
        // are answered OK, each noting whether Cancel was its default.
        ModalScript script;
        QList<bool> cancelIsDefault;
        for (int question = 0; question < 2; ++question) {
            script.then([&](QWidget* w) {
                auto* box = qobject_cast<QMessageBox*>(w);
                ASSERT_NE(box, nullptr);
                cancelIsDefault << (box->defaultButton() == box->button(QMessageBox::Cancel));
                box->button(QMessageBox::Ok)->click();
            });
        }
        (c.portion ? f.page()->btnEraseSection : f.page()->btnDeleteAllMemory)->click();
        ASSERT_TRUE(f.idle());
        ASSERT_EQ(script.messages.size(), 2);
        EXPECT_TRUE(script.messages[0].endsWith(QString::fromLatin1(c.range))) << script.messages[0].toStdString();
        EXPECT_EQ(script.messages[1], NotDownloadedQuestion(c.portion ? 29 : before));
        EXPECT_EQ(cancelIsDefault, (QList<bool>{true, true}));
        EXPECT_EQ(f.simSlotsUsed(), c.portion ? before - 28 : 0);

        EXPECT_EQ(f.page()->btnDownloadSection->text(), "Download Memory Portion");
        EXPECT_EQ(f.page()->btnEraseSection->text(), "Erase Memory Portion");
        EXPECT_FALSE(f.page()->btnDownloadSection->isEnabled());
        EXPECT_FALSE(f.page()->btnEraseSection->isEnabled());
        f.page()->btnEraseSection->click();   // nothing happens: no zero-slot erase
        f.page()->btnDownloadSection->click();
        ASSERT_TRUE(f.idle());
        EXPECT_FALSE(f.payloads().contains("J020000"));
        EXPECT_FALSE(f.payloads().contains("J0100010000"));
    }
}

// The selection's slots are shown beside the thumb while it moves, by mouse
// or keys; SHIFT+arrows choose a range from where the thumb stood.
TEST(InstrumentState, SliderShowsTheSlotsWhileMoving)
{
    StateFixture f;
    ASSERT_TRUE(f.connected);
    f.showDownloadPage();
    SelectionSlider* slider = f.page()->sldMemoryRange;
    ASSERT_TRUE(slider->isVisible());
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Home);
    QTest::keyClick(slider, Qt::Key_PageUp);   // a page step, as a plain key: no selection
    const int start = slider->value();
    ASSERT_GT(start, 1);
    EXPECT_EQ(QToolTip::text(), QStringLiteral("Slot %1").arg(start));
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(slider, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(QToolTip::text(), QStringLiteral("Slots %1 to %2 (4 slots)").arg(start - 3).arg(start));
    EXPECT_EQ(f.page()->btnDownloadSection->text(), QStringLiteral("Download from %1 to %2").arg(start - 3).arg(start));
    EXPECT_TRUE(f.page()->btnDownloadSection->isEnabled());
    EXPECT_FALSE(f.page()->btnEraseSection->isEnabled());   // not from the first slot
    QTest::keyClick(slider, Qt::Key_Right);                 // a plain key drops the selection
    EXPECT_FALSE(f.page()->btnDownloadSection->isEnabled());
}

// Without an instrument its pages are off and nothing read from it stays;
// an action that finds no instrument says so before asking for anything.
TEST(InstrumentState, DisconnectTurnsTheInstrumentsActionsAndFiguresOff)
{
    StateFixture f({}, "[Password]\r\nValid=True\r\nValue=" + PasswordHash("pass").toUtf8() + "\r\n");
    ASSERT_TRUE(f.connected);
    MainWindow& window = f.app->window();
    ConfigurePage* configure = window.configurePage();
    ASSERT_TRUE(configure->lblInstrumentIdentity->isVisibleTo(configure));
    EXPECT_TRUE(configure->lblInstrumentIdentity->text().startsWith("Serial number: 10234F\n"))
        << configure->lblInstrumentIdentity->text().toStdString();
    ASSERT_NE(f.page()->lblMemory_used->text(), "Used : 0");

    configure->btnDisconnect->click();
    ASSERT_TRUE(f.idle());
    for (int tab = 1; tab < window.tabs()->count(); ++tab)
        EXPECT_FALSE(window.tabs()->isTabEnabled(tab)) << tab;
    EXPECT_FALSE(window.settingsPage()->btnDiagnoseProblem->isEnabled());
    EXPECT_FALSE(configure->lblInstrumentIdentity->isVisibleTo(configure));
    EXPECT_EQ(f.page()->lblMemory_used->text(), "Used : 0");
    EXPECT_FALSE(f.page()->sldMemoryRange->isVisibleTo(f.page()));
    EXPECT_EQ(window.statusPanels()->panelText(4), "Memory Used:");
    f.app->refreshDownloadPage();   // any later redraw of the page
    EXPECT_EQ(window.statusPanels()->panelText(4), "Memory Used:");

    // Reached another way (a queued job, a tray item): told in words, no password asked.
    struct Action { const char* name; std::function<void(DownloadActions&)> run; };
    const Action actions[] = {
        {"erase all", [](DownloadActions& a) { a.eraseAll(); }},
        {"download all", [](DownloadActions& a) { a.downloadAll(); }},
        {"refresh", [](DownloadActions& a) { a.refreshMemory(); }},
    };
    for (const Action& action : actions) {
        SCOPED_TRACE(action.name);
        ModalScript script;
        script.thenPress(QMessageBox::Ok);
        action.run(f.app->downloadActions());
        ASSERT_TRUE(f.idle());
        EXPECT_EQ(script.messages, QStringList{"No instrument is connected."});
    }
}

// "-d" reaches the connection: it takes the terminal's branch (no clock,
// memory or schedule reads, the terminal's scan instead of the keep-alive,
// the history told), and the identity says what was not read.
TEST(InstrumentState, TerminalDebugModeFollowsTheTerminalBranch)
{
    struct Case { const char* name; QStringList arguments; bool debug; };
    const Case cases[] = {{"normal", {}, false}, {"-d", {"-d"}, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StateFixture f(c.arguments);
        ASSERT_TRUE(f.connected);
        const QStringList stateReads = f.payloads().filter(QRegularExpression("^[KAJ]"));
        EXPECT_EQ(stateReads.isEmpty(), c.debug) << stateReads.join(' ').toStdString();
        EXPECT_EQ(f.app->window().tmrPing()->isActive(), !c.debug);
        EXPECT_EQ(f.app->terminal().tmrTerminalScan->isActive(), c.debug);
        const QString history = f.read(QDir(f.app->instrument().RecordFolder).filePath("history.txt"));
        EXPECT_EQ(history.contains("Connecting in Terminal Mode."), c.debug);
        const QString identity = f.app->window().configurePage()->lblInstrumentIdentity->text();
        EXPECT_EQ(identity.contains("Memory: Not read"), c.debug) << identity.toStdString();
        EXPECT_EQ(f.app->window().tabs()->isTabEnabled(1), !c.debug);
    }
}
