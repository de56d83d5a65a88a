#include "AppFixture.h"
#include "LoginDialog.h"
#include "ModalScript.h"
#include "QtPrinters.h"
#include "shell/AboutText.h"
#include "shell/DataFileRead.h"
#include "shell/InstanceLock.h"
#include "shell/Startup.h"

#include <QTest>
#include <gtest/gtest.h>
#include <sys/stat.h>

TEST(Startup, FirstRunOnAnEmptyDataFolderAsksForANewPassword)
{
    AppFixture f;
    ModalScript script;
    bool newUserPanel = false;
    script.then([&](QWidget* w) {
        auto* login = qobject_cast<LoginDialog*>(w);
        ASSERT_NE(login, nullptr);
        newUserPanel = login->fraNewUser->isVisible() && !login->fraLogin->isVisible();
        QTest::keyClicks(login->txtNewUserPassword, "open sesame");
        QTest::keyClicks(login->txtNewUserPasswordAgain, "open sesame");
        QTest::keyClick(login->txtNewUserPasswordAgain, Qt::Key_Return);
    });
    script.thenPress(QMessageBox::Ok);

    TolviApplication app(f.options());
    app.start();

    EXPECT_TRUE(script.done());
    EXPECT_TRUE(newUserPanel);
    EXPECT_EQ(script.messages, QStringList{"Your new password has been saved."});
    EXPECT_EQ(f.read(f.dataFile("app.txt")), "; === Application Settings ===\r\n");
    const QString user = f.read(f.dataFile("user.txt"));
    EXPECT_TRUE(user.contains("Valid=True")) << user.toStdString();
    EXPECT_TRUE(user.contains("Value=" + PasswordHash("open sesame"))) << user.toStdString();
    EXPECT_TRUE(f.read(f.dataFile("session.txt")).contains("Starting application"));
    // The title and About give the version in the same words ("1.0.0").
    const QString version = QStringLiteral(TOLVI_VERSION);
    EXPECT_EQ(app.window().windowTitle(), "Tolvi - Karvex (" + version + ")");
    EXPECT_EQ(AboutText("Tolvi-M", f.dataFolder()).section('\n', 0, 0), "Tolvi-M " + version);
    EXPECT_TRUE(app.window().isVisible());
    EXPECT_EQ(app.window().statusPanels()->panelText(1), "Please select a port to use...");
}

TEST(Startup, CancellingTheFirstPasswordCanSwitchPasswordsOff)
{
    AppFixture f;
    ModalScript script;
    script.then([](QWidget* w) { qobject_cast<LoginDialog*>(w)->CancelButton->click(); });
    script.thenPress(QMessageBox::Yes);
    TolviApplication app(f.options());
    app.start();
    ASSERT_EQ(script.messages.size(), 1);
    EXPECT_TRUE(script.messages[0].startsWith("Canceling password generation, did you want to disable passwords instead?"));
    const QString user = f.read(f.dataFile("user.txt"));
    EXPECT_TRUE(user.contains("Valid=False"));
    EXPECT_FALSE(user.contains("Value="));
}

TEST(Startup, CommandLineOptions)
{
    struct Case {
        QStringList arguments;
        bool debug;
        bool offerLog;
        bool hidden;
        QStringList messages;
    };
    const Case cases[] = {
        {{}, false, false, false, {}},
        {{"-D"}, true, false, false, {}},
        {{"/d", "-lc"}, true, true, false, {}},
        {{"/l"}, false, true, false, {}},
        {{"-small"}, false, false, true, {}},
        {{"/m"}, false, false, true, {}},
        {{"/small"}, false, false, false, {"Invalid argument: /small"}},
        {{"-x", "", "-l"}, false, true, false, {"Invalid argument: -x", "Invalid argument: "}},
    };
    for (const Case& c : cases) {
        const std::string name = c.arguments.join(' ').toStdString();
        AppFixture f;
        f.withoutPassword();
        ModalScript script;
        for (int i = 0; i < c.messages.size(); ++i)
            script.thenPress(QMessageBox::Ok);
        TolviApplication app(f.options(c.arguments));
        app.start();
        ASSERT_TRUE(app.instrumentThread().waitUntilIdle(30000)) << "the first port scan";
        EXPECT_EQ(script.messages, c.messages) << name;
        EXPECT_EQ(app.terminal().debugMode(), c.debug) << name;
        EXPECT_EQ(app.terminal().isVisible(), c.debug) << name;
        EXPECT_EQ(app.window().windowTitle().startsWith("[DEBUG MODE] : "), c.debug) << name;
        EXPECT_EQ(app.offerLogAtExit(), c.offerLog) << name;
        EXPECT_EQ(app.window().isVisible(), !c.hidden) << name;

        // At exit the log is offered when asked for.
        if (c.offerLog)
            script.thenPress(QMessageBox::No);
        app.window().close();
        EXPECT_TRUE(script.done()) << name;
        if (c.offerLog) {
            EXPECT_EQ(script.messages.last(),
                "Session log has been saved to '" + f.dataFile("session.txt") + "'. Would you like to view it?")
                << name;
        }
        EXPECT_TRUE(f.read(f.dataFile("session.txt")).contains("Stopping application")) << name;
    }
}

// What the window says before it opens about its data folder: a settings
// file that is no settings file, another program running on the folder.
TEST(Startup, WarnsAboutTheDataFolder)
{
    {
        AppFixture f;
        f.withoutPassword();
        const QString app = f.dataFile("app.txt");
        ASSERT_EQ(::mkfifo(QFile::encodeName(app).constData(), 0600), 0);
        ModalScript script;
        script.thenPress(QMessageBox::Ok);
        TolviApplication tolvi(f.options());
        tolvi.start();
        EXPECT_EQ(script.messages, QStringList{SkippedDataFileText(app, "it is not a regular file")});
    }
    {
        AppFixture f;
        f.withoutPassword();
        InstanceLock running(f.dataFolder());
        ASSERT_TRUE(running.isHeld());
        ModalScript script;
        script.thenPress(QMessageBox::Ok);
        TolviApplication tolvi(f.options());
        tolvi.start();
        EXPECT_EQ(script.messages, QStringList{SharedDataFolderText(f.dataFolder())});
    }
}

TEST(Startup, RestoresTheDataFileOptions)
{
    struct Case {
        const char* datafiles;
        Qt::CheckState singleColumn;
        int formatEntry;
    };
    const Case cases[] = {
        {"", Qt::Checked, 0},
        {"[Datafiles]\r\nCombineDateAndTime=False\r\n", Qt::Unchecked, 0},
        {"[Datafiles]\r\nCombineDateAndTime=True\r\nFilter=3\r\n", Qt::Checked, 3},
    };
    for (const Case& c : cases) {
        AppFixture f;
        f.withoutPassword();
        QFile user(f.dataFile("user.txt"));
        ASSERT_TRUE(user.open(QIODevice::Append));
        user.write(c.datafiles);
        user.close();
        TolviApplication app(f.options());
        app.start();
        EXPECT_EQ(app.window().downloadPage()->chkSplitTimeAndDate->checkState(), c.singleColumn) << c.datafiles;
        EXPECT_EQ(app.window().downloadPage()->lstDataFormat->currentIndex(), c.formatEntry) << c.datafiles;
    }
}

TEST(Startup, GuardedOperationsAskForThePassword)
{
    AppFixture f;
    QDir().mkpath(f.dataFolder());
    QFile user(f.dataFile("user.txt"));
    ASSERT_TRUE(user.open(QIODevice::WriteOnly));
    user.write(("[Password]\r\nValid=True\r\nValue=" + PasswordHash("pass")).toUtf8() + "\r\n");
    user.close();
    TolviApplication app(f.options());
    app.start();

    struct Case {
        const char* typed;
        bool accepted;
    };
    for (const Case c : {Case{"wrong", false}, Case{"pass", true}}) {
        ModalScript script;
        script.then([&](QWidget* w) {
            auto* login = qobject_cast<LoginDialog*>(w);
            ASSERT_NE(login, nullptr);
            EXPECT_TRUE(login->fraLogin->isVisible());
            QTest::keyClicks(login->txtPassword, c.typed);
            QTest::keyClick(login->txtPassword, Qt::Key_Return);
        });
        if (!c.accepted) {
            script.thenPress(QMessageBox::Ok);
            script.thenReject();   // the password dialog stays for another try: cancelled
        }
        bool result = !c.accepted;
        // Guarded procedures run on the instrument thread and ask from there.
        app.instrumentThread().submit("guarded", [&] { result = app.loginOK(); });
        ASSERT_TRUE(app.instrumentThread().waitUntilIdle(10000));
        EXPECT_EQ(result, c.accepted) << c.typed;
        EXPECT_EQ(script.messages,
            c.accepted ? QStringList{} : QStringList{"That's the wrong password - please try again."});
    }
}
