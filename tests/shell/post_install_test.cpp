#include "StartupEnv.h"
#include "shell/Password.h"
#include "shell/PostInstall.h"
#include "shell/SettingsFile.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

const QString kLegacySection = QStringLiteral("\\");

QString postLogText(const StartupEnv& env)
{
    const QStringList logs = QDir(env.tmp.path()).entryList({"postinst_*.log"});
    if (logs.size() != 1)
        return {};
    QFile f(env.tmp.file(logs.first()));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace

TEST(PostInstall, RequestedByTheStartupEntryUntilItRuns)
{
    StartupEnv env;
    EXPECT_FALSE(PostInstallRequested(env.perUser));
    RequestPostInstall(env.perUser);
    EXPECT_TRUE(PostInstallRequested(env.perUser));
    env.prompts.answers = {Prompts::Answer::No};
    RunPostInstall(env.services, {});
    EXPECT_FALSE(PostInstallRequested(env.perUser));
    EXPECT_TRUE(env.perUser.keys("Startup").isEmpty());
}

TEST(PostInstall, PasswordDecisions)
{
    struct Case {
        const char* what;
        const char* legacy;  // nullptr: none kept by an older version
        Prompts::Answer answer;
        const char* valid;   // nullptr: left to the dialog
        const char* value;   // nullptr: none
        const char* logLine;
        bool dialogShown;
    };
    const Case cases[] = {
        {"old password kept", "d0d0", Prompts::Answer::Yes, "True", "d0d0",
            "Password is still required -- setting valid flag.", false},
        {"old password dropped", "d0d0", Prompts::Answer::No, "False", "d0d0",
            "Password is not required -- clearing valid flag.", false},
        {"no old password, none wanted", nullptr, Prompts::Answer::No, "False", nullptr,
            "Password is not required -- clearing valid flag.", false},
        {"no old password, one wanted", nullptr, Prompts::Answer::Yes, nullptr, nullptr,
            "Password is required -- creating a new one for user.", true},
    };
    for (const auto& c : cases) {
        StartupEnv env;
        if (c.legacy)
            env.perUser.setValue(kLegacySection, "Password", c.legacy);
        env.prompts.answers = {c.answer};
        bool dialogShown = false;
        RunPostInstall(env.services, [&] { dialogShown = true; });

        const QString file = env.userFile();
        EXPECT_EQ(ReadSettingsEntry(file, "Password", "Valid"), c.valid ? std::optional<QString>(c.valid) : std::nullopt) << c.what;
        EXPECT_EQ(ReadSettingsEntry(file, "Password", "Value"), c.value ? std::optional<QString>(c.value) : std::nullopt) << c.what;
        EXPECT_FALSE(env.perUser.contains(kLegacySection, "Password")) << c.what;
        EXPECT_EQ(dialogShown, c.dialogShown) << c.what;
        EXPECT_EQ(env.prompts.texts_of("yesno"),
            QStringList{c.legacy ? "You seem to have a password set for using this software, do you want to keep it?"
                                 : "You don't seem to have a password set for restricting access this software, would you like to use one?"})
            << c.what;
        EXPECT_TRUE(postLogText(env).contains(c.logLine)) << c.what;
    }
}

TEST(PostInstall, WritesItsOwnLogThenReturnsToTheSessionLog)
{
    StartupEnv env;
    const QString session = env.tmp.file("session.txt");
    env.log.setLogFilePath(session);
    env.log.setLogToFile(true);
    env.prompts.answers = {Prompts::Answer::No};
    RunPostInstall(env.services, {}, QDateTime(QDate(2026, 12, 10), QTime(14, 3, 9)));

    EXPECT_EQ(env.log.logFilePath(), session);
    EXPECT_TRUE(env.log.logToFile());
    const QString postLog = env.tmp.file("postinst_261210140309.log");
    ASSERT_TRUE(QFile::exists(postLog));
    QFile s(session);
    ASSERT_TRUE(s.open(QIODevice::ReadOnly));
    const QString sessionText = QString::fromUtf8(s.readAll());
    EXPECT_TRUE(sessionText.contains("Performing post-install actions."));
    EXPECT_TRUE(sessionText.contains("Changing file to " + postLog));
    EXPECT_TRUE(sessionText.endsWith("Post-install complete.\r\n"));
    EXPECT_FALSE(sessionText.contains("migrate"));
    const QString postText = postLogText(env);
    EXPECT_TRUE(postText.contains("Performing post Install on ID"));
    EXPECT_TRUE(postText.contains("Checking if we need to migrate passwords."));
    EXPECT_TRUE(postText.contains("Tidy up any run-once entries"));
    EXPECT_TRUE(postText.contains("Post-install complete\r\n"));
}

TEST(PostInstall, OldPasswordIsKeptWhenUserFileCannotTakeIt)
{
    StartupEnv env;
    env.perUser.setValue(kLegacySection, "Password", "d0d0");
    QFile::setPermissions(env.userFile(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    RunPostInstall(env.services, {});
    EXPECT_EQ(env.perUser.value(kLegacySection, "Password").toString(), "d0d0");
    EXPECT_TRUE(env.prompts.texts_of("yesno").isEmpty());
    EXPECT_EQ(env.userFileBytes(), QByteArray("; === User Settings ===\r\n"));
}
