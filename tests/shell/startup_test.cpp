#include "StartupEnv.h"
#include "shell/CommandLineOptions.h"
#include "shell/DataFolder.h"
#include "shell/HelpManual.h"
#include "shell/InstanceLock.h"
#include "shell/SessionStart.h"
#include "shell/Startup.h"

#include <QDir>
#include <QSysInfo>
#include <gtest/gtest.h>

namespace {

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(DataFolder, CreatedUnderThePerUserLocationElseTheApplicationFolder)
{
    TempFolder tmp;
    const QString base = tmp.file("home/.local/share");
    const DataFolderChoice chosen = ChooseDataFolder("/opt/tolvi", base);
    EXPECT_TRUE(chosen.perUser);
    EXPECT_EQ(chosen.path, base + "/Karvex/Tolvi");
    EXPECT_TRUE(QDir(chosen.path).exists());

    QFile blocker(tmp.file("file"));
    blocker.open(QIODevice::WriteOnly);
    blocker.close();
    for (const QString& unusable : {QString(), tmp.file("file")}) {
        const DataFolderChoice fallback = ChooseDataFolder("/opt/tolvi", unusable);
        EXPECT_FALSE(fallback.perUser);
        EXPECT_EQ(fallback.path, "/opt/tolvi");
    }
}

TEST(SessionStart, EmptiesTheSessionLogAndTurnsFileLoggingOn)
{
    TempFolder tmp;
    const QString session = tmp.file("session.txt");
    QFile old(session);
    old.open(QIODevice::WriteOnly);
    old.write("last run\r\n");
    old.close();

    SessionLog log;
    EXPECT_TRUE(StartSessionLog(log, tmp.paths()));
    EXPECT_EQ(log.logFilePath(), session);
    EXPECT_TRUE(log.logToFile());
    EXPECT_EQ(readBytes(session), QByteArray("\r\n")) << "a fresh log starts with one empty line";

    SessionLog fallback;
    StartSessionLog(fallback, tmp.paths(), false);
    EXPECT_TRUE(fallback.logFilePath().isEmpty());
    EXPECT_TRUE(fallback.logToFile());
}

TEST(StartupFiles, CreatedWithTheirHeadingAndOtherwiseLeftAlone)
{
    TempFolder tmp;
    ASSERT_TRUE(CreateSettingsFiles(tmp.paths()));
    EXPECT_EQ(readBytes(tmp.file("app.txt")), QByteArray("; === Application Settings ===\r\n"));
    EXPECT_EQ(readBytes(tmp.file("user.txt")), QByteArray("; === User Settings ===\r\n"));

    QFile user(tmp.file("user.txt"));
    user.open(QIODevice::WriteOnly | QIODevice::Truncate);
    user.write("[Password]\nValid=False");
    user.close();
    ASSERT_TRUE(CreateSettingsFiles(tmp.paths()));
    EXPECT_EQ(readBytes(tmp.file("user.txt")), QByteArray("[Password]\nValid=False"));
}

TEST(CommandLine, PiecesAndTheirOptions)
{
    using O = StartupOption;
    struct Case { QStringList args; QList<O> options; };
    const Case cases[] = {
        {{}, {}},
        {{"-d"}, {O::Debug}},
        {{"/D", "-L", "/lc", "-LC"}, {O::Debug, O::OfferLogAtExit, O::OfferLogAtExit, O::OfferLogAtExit}},
        {{"-m", "/M", "-SMALL", "/small"}, {O::StartHidden, O::StartHidden, O::StartHidden, O::Invalid}},
        {{"-u", "/p", "-N"}, {O::UpdateCheck, O::PostInstall, O::NewPassword}},
        {{"-d -l"}, {O::Debug, O::OfferLogAtExit}},           // one argument holding a space
        {{"-d", "", "-l"}, {O::Debug, O::Invalid, O::OfferLogAtExit}}, // two spaces in a row
        {{"--demo", "d", "-x"}, {O::Invalid, O::Invalid, O::Invalid}},
    };
    for (const auto& c : cases) {
        QList<O> got;
        for (const auto& piece : ParseCommandLine(c.args).pieces)
            got << piece.option;
        EXPECT_EQ(got, c.options) << c.args.join('|').toStdString();
    }
    const CommandLineOptions parsed = ParseCommandLine({"-d", "", "-bogus"});
    EXPECT_EQ(parsed.commandLine, "-d  -bogus");
    EXPECT_EQ(parsed.invalidPieces(), (QStringList{"", "-bogus"}));
    EXPECT_TRUE(parsed.has(StartupOption::Debug));
    EXPECT_FALSE(parsed.has(StartupOption::NewPassword));
}

// "--help" anywhere asks for the option list; anything else keeps its meaning
// (an unknown piece stays an invalid argument).
TEST(CommandLine, HelpIsAskedForByItsSpellingsOnly)
{
    struct Case { QStringList args; bool help; };
    const Case cases[] = {
        {{"--help"}, true}, {{"-h"}, true}, {{"/H"}, true}, {{"-m", "--HELP"}, true},
        {{}, false}, {{"-help"}, false}, {{"--helpme"}, false}, {{"-d -h"}, false}, {{"-x"}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AsksForHelp(c.args), c.help) << c.args.join('|').toStdString();
    // Every option the program knows is on the list.
    for (const char* option : {"-d", "-l, -lc", "-m, -small", "-u", "-p", "-n", "--demo", "-h, --help"})
        EXPECT_TRUE(CommandLineHelp().contains(QStringLiteral("\n  ") + QLatin1String(option))) << option;
}

TEST(CommandLine, AppliedInOrderWithLogLinesAndInvalidArgumentNotice)
{
    StartupEnv env;
    QStringList calls;
    const auto note = [&](const char* what) { return [&calls, what] { calls << what; }; };
    StartupOptionHandlers handlers{note("debug"), note("offer log"), note("hidden"), note("update"), note("new password")};

    ApplyCommandLine(ParseCommandLine({"-n", "-X", "-m", "-p", "/l", "/d", "-u"}), env.services, handlers);

    EXPECT_EQ(calls, (QStringList{"new password", "hidden", "offer log", "debug", "update"}));
    EXPECT_EQ(env.prompts.texts_of("message"), QStringList{"Invalid argument: -X"});
    EXPECT_EQ(env.prompts.shown().first().icon, Prompts::Icon::Information);
    EXPECT_EQ(env.logLines, (QStringList{":::\tSetting a new password.", "!  \tInvalid argument:-X",
                                 ":::\tHiding the form to the system tray at startup."}));
    EXPECT_EQ(env.perUser.value("Startup", "PostInstall").toString(), "True");
}

TEST(SessionStart, CaptionsAndVersion)
{
    struct Case { const char* version; bool debug; const char* caption; };
    const Case cases[] = {
        {"1.0.0", false, "Tolvi - Karvex (1.0.0)"},
        {"2.13.7", false, "Tolvi - Karvex (2.13.7)"},
        {"1.2.0", true, "[DEBUG MODE] : Tolvi - Karvex (1.2.0)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MainWindowCaption(AppCaptionText("Tolvi"), c.version, c.debug), c.caption) << c.version;
}

TEST(SessionStart, BannerLines)
{
    StartupEnv env;
    StartupBanner banner{QDateTime(QDate(2026, 3, 1), QTime(9, 5, 0)), "/opt/tolvi/tolvi", "1.2.3", "en-GB",
        "ann", "lab-pc", "-d -l", "Unknown"};
    LogStartupBanner(env.log, banner);
    const QStringList expected = {"===\t" + LogDateTime(banner.now),
        "===\t/opt/tolvi/tolvi - v1.2r3 @ en-GB", "===\tRunning as ann on lab-pc", "===\tOptions : \t-d -l",
        "===\tUser password hash status is Unknown", "===\tStarting application", "===\t"};
    EXPECT_EQ(env.logLines, expected);

    env.logLines.clear();
    banner.commandLine.clear();
    LogStartupBanner(env.log, banner);
    EXPECT_FALSE(env.logLines.join('\n').contains("Options"));
}

TEST(SessionStart, ShutdownStopsTheLinkAndOffersTheLog)
{
    struct Case { bool offer; Prompts::Answer answer; bool opened; };
    const Case cases[] = {{false, Prompts::Answer::Yes, false}, {true, Prompts::Answer::No, false},
        {true, Prompts::Answer::Yes, true}};
    for (const auto& c : cases) {
        StartupEnv env;
        env.log.setLogFilePath(env.tmp.file("session.txt"));
        env.prompts.answers = {c.answer};
        bool stopped = false;
        ShutDown(env.services, c.offer, [&] {
            stopped = true;
            env.log.debugMessage("link stopped", 0);
        });
        EXPECT_TRUE(stopped);
        EXPECT_EQ(env.logLines, (QStringList{":::\tShutting down comms", ":::\tlink stopped", ":::\tStopping application"}));
        EXPECT_EQ(env.prompts.texts_of("yesno").size(), c.offer ? 1 : 0);
        if (c.offer) {
            EXPECT_EQ(env.prompts.texts_of("yesno").first(),
                "Session log has been saved to '" + env.tmp.file("session.txt") + "'. Would you like to view it?");
        }
        EXPECT_EQ(env.prompts.openedPaths, c.opened ? QStringList{env.tmp.file("session.txt")} : QStringList{});
    }
}

TEST(InstanceLock, HeldByTheFirstInstanceOnly)
{
    TempFolder tmp;
    {
        InstanceLock first(tmp.path());
        EXPECT_TRUE(first.isHeld());
        InstanceLock second(tmp.path());
        EXPECT_FALSE(second.isHeld());
        EXPECT_TRUE(InstanceLock::isHeldElsewhere(tmp.path()));
    }
    EXPECT_FALSE(InstanceLock::isHeldElsewhere(tmp.path()));
}

TEST(InstanceLock, TakesOverTheMarkerOfAProgramThatDied)
{
    TempFolder tmp;
    QFile stale(QDir(tmp.path()).filePath(InstanceLock::Name + ".lock"));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    // pid, program name, host name: a process number no running process has.
    stale.write("2147483646\ntolvi\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    stale.close();
    InstanceLock lock(tmp.path());
    EXPECT_TRUE(lock.isHeld());
}

TEST(Startup, FirstRunOnAnEmptyDataFolder)
{
    TempFolder tmp;
    SessionLog log;
    const PreparedStartup first = PrepareStartup(log, "/opt/tolvi", tmp.path());
    const QString folder = tmp.path() + "/Karvex/Tolvi";
    EXPECT_EQ(first.paths.dataFolder, folder);
    EXPECT_TRUE(first.perUserFolder);
    EXPECT_EQ(log.logFilePath(), folder + "/session.txt");
    EXPECT_EQ(readBytes(folder + "/user.txt"), QByteArray("; === User Settings ===\r\n"));
    EXPECT_TRUE(QFile::exists(folder + "/app.txt"));
    EXPECT_TRUE(first.passwordChoiceNeeded);
    EXPECT_TRUE(first.instanceLock->isHeld());
    EXPECT_TRUE(QString::fromUtf8(readBytes(folder + "/session.txt")).contains("Checking if we need to add passwords."));

    QFile user(folder + "/user.txt");
    ASSERT_TRUE(user.open(QIODevice::Append));
    user.write("[Password]\r\nValid=False\r\n");
    user.close();
    SessionLog secondLog;
    const PreparedStartup second = PrepareStartup(secondLog, "/opt/tolvi", tmp.path());
    EXPECT_FALSE(second.passwordChoiceNeeded);
    // The first run still holds the marker: the second says so and keeps the first one's log.
    EXPECT_EQ(second.instanceLock, nullptr);
    EXPECT_TRUE(second.sharedDataFolder);
    const QString both = QString::fromUtf8(readBytes(folder + "/session.txt"));
    EXPECT_TRUE(both.contains("Checking if we need to add passwords.")) << both.toStdString();
    EXPECT_TRUE(both.contains(SharedDataFolderText(folder))) << both.toStdString();
}

TEST(Startup, ARunAfterTheFirstEndedStartsAFreshLog)
{
    TempFolder tmp;
    const QString folder = tmp.path() + "/Karvex/Tolvi";
    {
        SessionLog log;
        const PreparedStartup first = PrepareStartup(log, "/opt/tolvi", tmp.path());
        log.debugMessage("first run's line", SessionLog::Info);
    }
    SessionLog log;
    const PreparedStartup next = PrepareStartup(log, "/opt/tolvi", tmp.path());
    ASSERT_NE(next.instanceLock, nullptr);
    EXPECT_TRUE(next.instanceLock->isHeld());
    EXPECT_FALSE(next.sharedDataFolder);
    EXPECT_FALSE(QString::fromUtf8(readBytes(folder + "/session.txt")).contains("first run's line"));
}

TEST(Startup, PostInstallOptionMovesTheOldPasswordOnce)
{
    StartupEnv env;
    env.perUser.setValue("\\", "Password", "d0d0");
    env.prompts.answers = {Prompts::Answer::Yes};
    int dialogs = 0;
    LoadStartup(env.services, ParseCommandLine({"-p"}), {}, [&] { ++dialogs; });
    EXPECT_EQ(env.userFileBytes(), QByteArray("; === User Settings ===\r\n[Password]\r\nValue=d0d0\r\nValid=True\r\n"));
    EXPECT_FALSE(env.perUser.contains("\\", "Password"));
    EXPECT_TRUE(env.logged("===\tOptions : \t-p"));
    EXPECT_TRUE(env.logged("===\tUser password hash status is Unknown"));

    env.prompts.clear();
    LoadStartup(env.services, ParseCommandLine({}), {}, [&] { ++dialogs; });
    EXPECT_TRUE(env.prompts.shown().isEmpty());
    EXPECT_EQ(dialogs, 0);
    EXPECT_TRUE(env.logged("===\tUser password hash status is True"));
}

TEST(HelpManual, LogLineIsTheShellResultFollowedDirectlyByTheText)
{
    EXPECT_EQ(HelpOpenedLogLine(false), QStringLiteral("2Opening PDF file with browser ID"));
    EXPECT_EQ(HelpOpenedLogLine(true), QStringLiteral("33Opening PDF file with browser ID"));
}

TEST(HelpManual, ProblemsAreSaidAndAnOpenedManualSaysNothing)
{
    const QString path = "/usr/share/tolvi/Tolvi-M Download Software Manual.pdf";
    EXPECT_EQ(ManualProblemMessage(path, false, false),
        "The user manual is not installed: " + path + " was not found.");
    EXPECT_TRUE(ManualProblemMessage(path, true, false).contains("could not be opened"));
    EXPECT_TRUE(ManualProblemMessage(path, true, true).isEmpty());
}
