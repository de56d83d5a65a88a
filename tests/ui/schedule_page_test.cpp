// The Schedule page in the window, against the built-in simulated
// instrument: refreshed on connecting, edited, sent, reloaded and toggled
// through its widgets, and its set-up saved and loaded through the dialogs.
#include "AppFixture.h"
#include "ModalScript.h"
#include "QtPrinters.h"
#include "Snapshot.h"
#include "config/ScheduleFileActions.h"
#include "instrument/Schedule.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct ScheduleFixture : AppFixture {
    std::unique_ptr<TolviApplication> app;
    SchedulePage* page = nullptr;
    bool connected = false;

    ScheduleFixture()
    {
        withoutPassword();
        app = std::make_unique<TolviApplication>(options({}, true));
        app->start();
        connected = ConnectToDemo(*app);
        page = app->window().schedulePage();
        app->window().showPage(page);
        // The page's refresh is queued to the window by the connection.
        QTest::qWait(50);
    }
    bool idle() { return app->instrumentThread().waitUntilIdle(30000); }
    QString panel(int n) { return app->window().statusPanels()->panelText(n); }
    QByteArray lastBlockSent() const
    {
        QByteArray block;
        for (const QByteArray& payload : app->demoInstrument()->engine().receivedPayloads())
            if (payload.startsWith("A01"))
                block = payload;
        return block;
    }
    int instrumentState() const
    {
        return app->demoInstrument()->engine().inspect([](const SimInstrument& i) { return i.scheduleState(); });
    }
    // The boxes' days as a week mask.
    int boxMask() const
    {
        int mask = 0;
        for (int bit = 0; bit < 7; ++bit)
            mask |= page->chkSchedWeekdays[size_t(bit)]->isChecked() ? 1 << bit : 0;
        return mask;
    }
};

} // namespace

TEST(SchedulePage, EditSendReloadAndToggleThroughTheWidgets)
{
    ScheduleFixture f;
    ASSERT_TRUE(f.connected);
    SchedulePage* p = f.page;

    // The demo instrument's schedule: Monday to Friday from 08:00 UTC, ten hours, every ten minutes.
    QTRY_COMPARE_WITH_TIMEOUT(p->lblSchedFreq->text(), QStringLiteral("10 minutes"), 5000);
    EXPECT_EQ(p->dtpSchedStart->time(), tolviM::UtcMinutesToLocalTimeOfDay(8 * 60));
    EXPECT_EQ(p->dtpSchedLength->time(), QTime(10, 0));
    EXPECT_EQ(f.boxMask(), 124);
    EXPECT_TRUE(p->chkSchedWeekdays[6]->styleSheet().contains("rgb(128, 255, 0)"));   // Monday
    EXPECT_TRUE(p->chkSchedWeekdays[0]->styleSheet().contains("rgb(255, 128, 0)"));   // Sunday
    EXPECT_TRUE(p->optSchedStop->isChecked());
    EXPECT_TRUE(p->chkShortBetweenSamples->isEnabled());
    EXPECT_EQ(p->lblSchedCounter->text(), "-");
    EXPECT_TRUE(f.panel(3).startsWith("Schedule: "));

    // The manual's picture: the page in use at the window's first size.
    f.app->window().resize(900, 600);
    f.app->window().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.app->window()));
    f.app->window().showPage(p);
    EXPECT_TRUE(Snapshot(&f.app->window(), "frmMain-Schedule"));

    // The simple view hides everything below the frequency.
    EXPECT_FALSE(p->fraSchedAdvanced->isVisibleTo(p));
    EXPECT_EQ(p->btnSchedSimpleOrAdvnaced->text(), "Advanced >");
    p->btnSchedSimpleOrAdvnaced->click();
    EXPECT_TRUE(p->fraSchedAdvanced->isVisibleTo(p));
    EXPECT_EQ(p->btnSchedSimpleOrAdvnaced->text(), "< Simple");

    // As read from the instrument: nothing unsent; each edit is marked until sent.
    EXPECT_FALSE(p->lblSchedUnsent->isVisibleTo(p));
    p->dtpSchedStart->setTime(QTime(22, 0));
    EXPECT_TRUE(p->lblSchedUnsent->isVisibleTo(p));
    p->dtpSchedLength->setTime(QTime(4, 0));
    p->btnSchedWeekday_SnS->click();
    p->optSchedOverwrite->click();
    p->udnSchedFreq->setValue(20);
    EXPECT_EQ(p->lblSchedFreq->text(), "20 minutes");
    EXPECT_EQ(f.boxMask(), 3);
    // The window crosses midnight: a tail from 00:00 as wide as the part after the right marker.
    const SchedulePreview bars = p->picSchedPreview->bars();
    EXPECT_DOUBLE_EQ(bars.secondLeft, p->picSchedPreview->lineLeft());
    EXPECT_GT(bars.secondWidth, 0);
    EXPECT_DOUBLE_EQ(bars.firstLeft + bars.firstWidth, p->picSchedPreview->lineRight());
    Snapshot(&f.app->window(), "frmMain-Schedule-advanced");

    {
        ModalScript script;
        script.thenPress(QMessageBox::Yes);
        p->btnSchedSendNewSettings->click();
        ASSERT_TRUE(f.idle());
        EXPECT_TRUE(script.done());
        ASSERT_EQ(script.messages.size(), 1);
        EXPECT_TRUE(script.messages[0].startsWith("Changing the schedule settings may stop the current schedule"));
    }
    const QByteArray block = f.lastBlockSent();
    ASSERT_EQ(block.size(), 25);
    EXPECT_EQ(block.mid(5, 4), "0314");   // Saturday and Sunday, every 20 minutes
    EXPECT_EQ(block.mid(13, 4), "00F1");   // four hours plus one minute
    QTRY_COMPARE_WITH_TIMEOUT(f.panel(1), QStringLiteral("New schedule sent to instrument."), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!p->lblSchedUnsent->isVisibleTo(p), 5000);

    // Edits not sent are replaced by a reload.
    p->btnSchedWeekday_All->click();
    p->udnSchedFreq->setValue(5);
    EXPECT_TRUE(p->lblSchedUnsent->isVisibleTo(p));
    p->btnSchedReloadFromInst->click();
    ASSERT_TRUE(f.idle());
    QTRY_COMPARE_WITH_TIMEOUT(f.boxMask(), 3, 5000);
    EXPECT_FALSE(p->lblSchedUnsent->isVisibleTo(p));
    EXPECT_EQ(p->udnSchedFreq->value(), 20);
    EXPECT_EQ(p->dtpSchedStart->time(), QTime(22, 0));
    EXPECT_TRUE(p->optSchedOverwrite->isChecked());

    // Start/Stop: the button says what it will do, the enabled bit flips (a
    // running schedule asks first), and the outcome and the new state are said.
    const int before = f.instrumentState();
    const bool wasEnabled = (before & 1) != 0;
    EXPECT_EQ(p->btnSchedToggleEnable->text(), wasEnabled ? "Stop Schedule" : "Start Schedule");
    {
        ModalScript script;
        if (before == 3)
            script.thenPress(QMessageBox::Yes);
        p->btnSchedToggleEnable->click();
        ASSERT_TRUE(f.idle());
        EXPECT_TRUE(script.done());
    }
    EXPECT_NE(f.instrumentState() & 1, before & 1);
    QTRY_COMPARE_WITH_TIMEOUT(f.panel(1), QString(wasEnabled ? "Schedule stopped." : "Schedule started."), 5000);
    EXPECT_EQ(p->btnSchedToggleEnable->text(), wasEnabled ? "Start Schedule" : "Stop Schedule");
    EXPECT_EQ(f.panel(3), (f.instrumentState() & 1) == 0 ? "Schedule: Disabled"
            : (f.instrumentState() & 2) != 0              ? "Schedule: Running"
                                                          : "Schedule: Enabled");
}

TEST(SchedulePage, SetUpSavedAndLoadedThroughTheDialogs)
{
    ScheduleFixture f;
    ASSERT_TRUE(f.connected);
    SchedulePage* p = f.page;
    QTRY_COMPARE_WITH_TIMEOUT(p->lblSchedFreq->text(), QStringLiteral("10 minutes"), 5000);
    f.app->window().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f.app->window()));
    p->txtSchedComment->setFocus();
    // The focus selects the whole comment, so typing replaces it.
    QTRY_COMPARE_WITH_TIMEOUT(p->txtSchedComment->selectedText(), ScheduleTexts::InitialComment, 2000);
    QTest::keyClicks(p->txtSchedComment, "hall 2, north wall");
    const QString target = f.root.file("hall.sch");

    ModalScript script;
    QString proposed, preselected;
    script.then([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        preselected = dialog->selectedNameFilter();
        proposed = dialog->selectedFiles().value(0);
        dialog->findChild<QLineEdit*>("fileNameEdit")->setText(target);
        static_cast<QDialog*>(dialog)->accept();
    });
    p->btnSchedSaveToFile->click();
    EXPECT_TRUE(script.done());
    EXPECT_EQ(preselected, "Schedule Files (*.sch)");
    EXPECT_TRUE(QFileInfo(proposed).fileName().startsWith("SCH_")) << proposed.toStdString();
    const QString saved = f.read(target);
    EXPECT_TRUE(saved.contains("\r\nW 124\r\n")) << saved.toStdString();
    EXPECT_TRUE(saved.contains("\r\n? hall 2, north wall\r\n")) << saved.toStdString();
    EXPECT_EQ(f.panel(1), "Schedule set-up saved to '" + QDir::toNativeSeparators(target) + "'.");

    // A file with a bad line changes nothing; a good one fills the page.
    for (const auto& [content, mask] : {std::pair{QByteArray("W 65\r\nF many\r\n"), 124},
             std::pair{QByteArray("W 65\r\nF 30\r\n? loaded\r\n"), 65}}) {
        QFile file(target);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        ModalScript load;
        load.then([&](QWidget* w) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            ASSERT_NE(dialog, nullptr);
            dialog->findChild<QLineEdit*>("fileNameEdit")->setText(target);
            static_cast<QDialog*>(dialog)->accept();
        });
        if (mask == 124)
            load.thenPress(QMessageBox::Ok);
        p->btnSchedLoadFromFile->click();
        ASSERT_TRUE(f.idle());
        EXPECT_TRUE(load.done());
        QTRY_COMPARE_WITH_TIMEOUT(f.boxMask(), mask, 5000);
        if (mask == 124) {
            ASSERT_EQ(load.messages.size(), 1);
            EXPECT_EQ(load.messages[0],
                "Error 13 (Type mismatch) on line 2 in procedure btnSchedLoadFromFile_Click of Form frmMain.");
            EXPECT_EQ(p->udnSchedFreq->value(), 10);
        } else {
            EXPECT_EQ(p->udnSchedFreq->value(), 30);
            EXPECT_EQ(p->txtSchedComment->text(), "loaded");
            EXPECT_EQ(f.panel(1), ScheduleLoadedText(target));
            EXPECT_TRUE(p->lblSchedUnsent->isVisibleTo(p)) << "loaded, not sent";
        }
    }
}
