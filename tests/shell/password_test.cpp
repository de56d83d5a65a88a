#include "StartupEnv.h"
#include "shell/Password.h"
#include "shell/SettingsFile.h"

#include <gtest/gtest.h>

namespace {

const QString kSecretHash = QStringLiteral("dd02c7c2232759874e1c205587017bed"); // "secret"

void storePassword(const StartupEnv& env, const char* valid, const QString& value = kSecretHash)
{
    QByteArray bytes = "; === User Settings ===\r\n[Password]\r\n";
    if (valid)
        bytes += "Valid=" + QByteArray(valid) + "\r\n";
    if (!value.isEmpty())
        bytes += "Value=" + value.toLatin1() + "\r\n";
    env.writeUserFile(bytes);
}

} // namespace

TEST(Password, HashIsTheDigestOfTheTextWithALineFeed)
{
    struct Case { QString password; const char* hash; };
    const Case cases[] = {
        {"secret", "dd02c7c2232759874e1c205587017bed"},
        {"   ", "c444d514eccc3f524b8f681379056739"},
        {QStringLiteral("J\u00F6rg"), "c233e6b868206efbf4c0bdcbb56cc237"},  // one byte per Latin-1 character
        {QStringLiteral("\u043F\u0430\u0440\u043E\u043B\u044C"), "33d66c3a4586c2cb34d655e4106821bd"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PasswordHash(c.password), QString::fromLatin1(c.hash)) << c.password.toStdString();
    // Two passwords in another script must not share a hash.
    EXPECT_NE(PasswordHash(QStringLiteral("\u0430\u0431")), PasswordHash(QStringLiteral("\u0432\u0433")));
}

TEST(Password, PolicyFromTheValidEntry)
{
    struct Case { const char* valid; PasswordPolicy policy; };
    const Case cases[] = {{nullptr, PasswordPolicy::Undecided}, {"True", PasswordPolicy::Required},
        {"false", PasswordPolicy::NotRequired}, {"garbage", PasswordPolicy::Required}, {"", PasswordPolicy::Required}};
    for (const auto& c : cases) {
        StartupEnv env;
        storePassword(env, c.valid);
        EXPECT_EQ(ReadPasswordPolicy(env.userFile()), c.policy) << (c.valid ? c.valid : "(none)");
    }
}

TEST(Password, FirstStartAsksUntilADecisionIsStored)
{
    StartupEnv env;
    EXPECT_TRUE(PasswordChoiceNeeded(env.log, env.tmp.paths()));
    EXPECT_TRUE(env.logged(":::\tChecking if we need to add passwords."));
    storePassword(env, "False", {});
    EXPECT_FALSE(PasswordChoiceNeeded(env.log, env.tmp.paths()));
}

TEST(Password, LoginOKGuardsByTheStoredDecision)
{
    const QString tryAgain = QStringLiteral("That's the wrong password - please try again.");
    struct Case {
        const char* what;
        const char* valid;
        QString storedValue;
        QList<std::optional<QString>> typed;  // nullopt: dialog cancelled
        bool ok;
        QStringList messages;
    };
    const Case cases[] = {
        {"right password", "True", kSecretHash, {"secret"}, true, {}},
        {"wrong, then right", "True", kSecretHash, {"Secret", "secret"}, true, {tryAgain}},
        {"wrong, then cancelled: nothing more said", "True", kSecretHash, {"Secret", std::nullopt}, false, {tryAgain}},
        {"three wrong ones end the tries", "True", kSecretHash, {"a", "b", "c", "secret"}, false,
            {tryAgain, tryAgain, WrongPasswordRefusedText}},
        {"the same wrong one again ends the tries", "True", kSecretHash, {"a", "a", "secret"}, false,
            {tryAgain, WrongPasswordRefusedText}},
        {"cancelled", "True", kSecretHash, {std::nullopt}, false, {}},
        {"upper-case stored hash never matches", "True", kSecretHash.toUpper(), {"secret", "secret"}, false,
            {tryAgain, WrongPasswordRefusedText}},
        {"no password required", "False", kSecretHash, {}, true, {}},
        {"no decision yet: asked, and any text passes", nullptr, {}, {"anything"}, true, {}},
        {"damaged decision keeps the guard", "yes please", kSecretHash, {"wrong", std::nullopt}, false, {tryAgain}},
        {"damaged decision, right password", "yes please", kSecretHash, {"secret"}, true, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        StartupEnv env;
        storePassword(env, c.valid, c.storedValue);
        env.prompts.texts.assign(c.typed.begin(), c.typed.end());
        EXPECT_EQ(LoginOK(env.services), c.ok);
        // Every password the case typed was asked for, except those after the tries ended.
        const qsizetype asked = env.prompts.texts_of("text").size();
        EXPECT_EQ(asked + qsizetype(env.prompts.texts.size()), c.typed.size());
        EXPECT_EQ(env.prompts.texts_of("message"), c.messages);
        const bool refused = c.messages.contains(WrongPasswordRefusedText);
        EXPECT_EQ(env.logLines.filter("Password entry for user ").size(), refused ? 1 : 0);
        if (c.typed.isEmpty()) {
            EXPECT_TRUE(env.logged(":::\tUser does not need a password"));
        }
    }
}

// The password box names what it guards, in the dialog's heading and where
// it is asked as a line of text.
TEST(Password, LoginNamesItsPurpose)
{
    StartupEnv env;
    storePassword(env, "True");
    env.prompts.texts = {QStringLiteral("secret")};
    const QString purpose = QStringLiteral("erase slots 1 to 30 of the instrument's memory");
    EXPECT_TRUE(LoginOK(env.services, {}, purpose));
    EXPECT_EQ(env.prompts.texts_of("text"), QStringList{"Password to " + purpose + ":"});

    PasswordDialogModel named(env.services, false, purpose);
    EXPECT_EQ(named.loginHeading(), "Enter your password to " + purpose);
    PasswordDialogModel plain(env.services, false);
    EXPECT_EQ(plain.loginHeading(), "Enter your password");
    EXPECT_EQ(plain.loginPrompt(), "Password:");
}

// The session log goes out in the technical file: it gets the verdict,
// never the typed password nor either hash.
TEST(Password, LoginLogsOnlyTheVerdict)
{
    const struct {
        const char* typed;
        const char* verdict;
    } cases[] = {{"nope", ":::\tSame? False"}, {"secret", ":::\tSame? True"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        StartupEnv env;
        storePassword(env, "True");
        PasswordDialogModel model(env.services, false);
        EXPECT_EQ(model.activate(), PasswordDialogModel::Box::Password);
        model.submitLogin(QString::fromLatin1(c.typed));
        EXPECT_EQ(env.logLines, QStringList{QString::fromLatin1(c.verdict)});
        for (const QString& secret : {QString::fromLatin1(c.typed), PasswordHash(QString::fromLatin1(c.typed)), kSecretHash})
            EXPECT_TRUE(env.logLines.filter(secret).isEmpty()) << secret.toStdString();
    }
}

TEST(Password, PanelShownInEachMode)
{
    using Panel = PasswordDialogModel::Panel;
    using Box = PasswordDialogModel::Box;
    struct Case { bool newMode; const char* valid; Panel panel; Box focus; };
    const Case cases[] = {
        {false, "True", Panel::Login, Box::Password},
        {false, nullptr, Panel::Login, Box::Password},
        {true, nullptr, Panel::NewUser, Box::NewPassword},
        {true, "True", Panel::Change, Box::OldPassword},
        {true, "False", Panel::Change, Box::OldPassword},
    };
    for (const auto& c : cases) {
        StartupEnv env;
        storePassword(env, c.valid);
        PasswordDialogModel model(env.services, c.newMode);
        EXPECT_EQ(model.activate(), c.focus);
        EXPECT_EQ(model.panel(), c.panel);
        EXPECT_FALSE(model.passwordAccepted());
    }
}

TEST(Password, NewUserPanelRefusesBlankAndMismatchedPasswords)
{
    struct Case { QString first; QString again; const char* message; bool saved; };
    const Case cases[] = {
        {"", "", "You must enter a new password - you can't have a blank password.", false},
        {"abc", "abd", "Sorry, your new passwords do not match. Please try again.", false},
        {"   ", "   ", "Your new password has been saved.", true},
    };
    for (const auto& c : cases) {
        StartupEnv env;
        PasswordDialogModel model(env.services, true);
        model.activate();
        const auto step = model.submitNewUser(c.first, c.again);
        EXPECT_EQ(step.close, c.saved) << c.message;
        if (!c.saved) {
            EXPECT_EQ(step.focus, PasswordDialogModel::Box::NewPassword);
        }
        EXPECT_EQ(model.passwordAccepted(), c.saved) << c.message;
        EXPECT_EQ(env.prompts.texts_of("message"), QStringList{c.message});
        EXPECT_EQ(ReadPasswordPolicy(env.userFile()), c.saved ? PasswordPolicy::Required : PasswordPolicy::Undecided);
        EXPECT_EQ(ReadSettingsEntry(env.userFile(), "Password", "Value"),
            c.saved ? std::optional<QString>(PasswordHash(c.first)) : std::nullopt);
    }
}

TEST(Password, ChangePanelNeedsTheOldPasswordWhileOneIsRequired)
{
    struct Case { const char* valid; QString old; bool changed; };
    const Case cases[] = {
        {"True", "secret", true},
        {"True", "wrong", false},
        {"False", "anything", true},  // passwords switched off: a new one may be chosen
    };
    // Every case ends with a password required: kept, or switched on by the change.
    for (const auto& c : cases) {
        StartupEnv env;
        storePassword(env, c.valid);
        PasswordDialogModel model(env.services, true);
        model.activate();
        const auto step = model.submitChange(c.old, "fresh", "fresh");
        EXPECT_TRUE(step.close);
        EXPECT_FALSE(model.passwordAccepted());
        EXPECT_EQ(env.prompts.texts_of("message"),
            QStringList{c.changed ? "Your new password has been saved."
                                  : "Sorry, that's not your password. No settings have been changed."});
        EXPECT_EQ(ReadSettingsText(env.userFile(), "Password", "Value", {}), c.changed ? PasswordHash("fresh") : kSecretHash);
        EXPECT_EQ(ReadPasswordPolicy(env.userFile()), PasswordPolicy::Required);
    }
}

TEST(Password, CancellingANewPasswordCanSwitchPasswordsOff)
{
    struct Case { bool newMode; Prompts::Answer answer; PasswordPolicy after; int questions; };
    const Case cases[] = {
        {true, Prompts::Answer::Yes, PasswordPolicy::NotRequired, 1},
        {true, Prompts::Answer::No, PasswordPolicy::Undecided, 1},
        {false, Prompts::Answer::Yes, PasswordPolicy::Undecided, 0},
    };
    for (const auto& c : cases) {
        StartupEnv env;
        env.prompts.answers = {c.answer};
        PasswordDialogModel model(env.services, c.newMode);
        model.activate();
        EXPECT_TRUE(model.cancel().close);
        EXPECT_EQ(env.prompts.texts_of("yesno").size(), c.questions);
        EXPECT_EQ(ReadPasswordPolicy(env.userFile()), c.after);
        EXPECT_FALSE(ReadSettingsEntry(env.userFile(), "Password", "Value"));
    }
}

TEST(Password, ANewPasswordThatCannotBeSavedIsNotReportedAsSaved)
{
    StartupEnv env;
    const QByteArray before = env.userFileBytes();
    QFile::setPermissions(env.userFile(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    PasswordDialogModel model(env.services, true);
    model.activate();
    EXPECT_TRUE(model.submitNewUser("abc", "abc").close);
    EXPECT_FALSE(model.passwordAccepted());
    const QStringList messages = env.prompts.texts_of("message");
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.first().startsWith("Sorry, your new password could not be saved"));
    EXPECT_EQ(env.userFileBytes(), before);
}

TEST(Password, NewPasswordThroughTextPrompts)
{
    StartupEnv env;
    // A mismatch is asked again; the second pair is saved.
    env.prompts.texts = {QString("one"), QString("two"), QString("pw"), QString("pw")};
    ChooseNewPassword(env.services);
    EXPECT_EQ(env.prompts.texts_of("text"),
        (QStringList{"New password:", "New password again:", "New password:", "New password again:"}));
    EXPECT_EQ(ReadSettingsText(env.userFile(), "Password", "Value", {}), PasswordHash("pw"));
    EXPECT_EQ(env.prompts.shown().first().title, env.services.appCaption);

    // Later, "-n" shows the change panel: old password first.
    env.prompts.clear();
    env.prompts.texts = {QString("pw"), QString("new"), QString("new")};
    ChooseNewPassword(env.services);
    EXPECT_EQ(env.prompts.texts_of("text").first(), "Old password:");
    EXPECT_EQ(ReadSettingsText(env.userFile(), "Password", "Value", {}), PasswordHash("new"));
}

// The first start, "-n" and post-install may each ask for the new-password
// dialog in one start: it comes once. A "No" to switching passwords off
// stores nothing (so the next start offers it again), and the question says
// how to choose a password later.
TEST(Password, NewPasswordIsOfferedOncePerStart)
{
    StartupEnv env;
    NewPasswordOffer offer(env.services);
    env.prompts.answers = {Prompts::Answer::No};   // cancelled (no text), then "No"
    EXPECT_TRUE(offer.offer());
    EXPECT_FALSE(offer.offer());   // "-n" in the same start
    EXPECT_FALSE(offer.offer());   // post-install
    const QStringList questions = env.prompts.texts_of("yesno");
    ASSERT_EQ(questions.size(), 1);
    EXPECT_TRUE(questions.first().startsWith("Canceling password generation, did you want to disable passwords instead?"));
    EXPECT_TRUE(questions.first().contains("-n")) << questions.first().toStdString();
    EXPECT_EQ(env.prompts.texts_of("text").size(), 1);
    EXPECT_EQ(ReadPasswordPolicy(env.userFile()), PasswordPolicy::Undecided);

    // The next start offers it again.
    NewPasswordOffer nextStart(env.services);
    env.prompts.answers = {Prompts::Answer::Yes};
    EXPECT_TRUE(nextStart.offer());
    EXPECT_EQ(ReadPasswordPolicy(env.userFile()), PasswordPolicy::NotRequired);
}
