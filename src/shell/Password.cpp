#include "Password.h"

#include "Hashing.h"
#include "Prompts.h"
#include "Services.h"
#include "SessionLog.h"
#include "SettingsFile.h"
#include "StartupFiles.h"
#include "SystemInfo.h"

#include <QCryptographicHash>
#include <algorithm>
#include <optional>

namespace {

bool isLatin1(const QString& text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() <= 0xFF; });
}

QString storedHash(const QString& userFile)
{
    return ReadSettingsText(userFile, PasswordKeys::Section, PasswordKeys::Value, PasswordKeys::NoPassword);
}

void say(Services& services, Prompts::Icon icon, const char* text)
{
    services.prompts.message(icon, QString::fromLatin1(text));
}

} // namespace

PasswordPolicy ReadPasswordPolicy(const QString& userFile)
{
    const auto valid = ReadSettingsEntry(userFile, PasswordKeys::Section, PasswordKeys::Valid);
    if (!valid)
        return PasswordPolicy::Undecided;
    return valid->compare(QLatin1String("False"), Qt::CaseInsensitive) == 0 ? PasswordPolicy::NotRequired
                                                                             : PasswordPolicy::Required;
}

bool WritePasswordPolicy(const QString& userFile, bool required)
{
    return WriteSettingsEntry(userFile, PasswordKeys::Section, PasswordKeys::Valid,
        required ? QStringLiteral("True") : QStringLiteral("False"));
}

QString PasswordHash(const QString& password)
{
    if (isLatin1(password))
        return MD5Hash::HashText(password);
    const QByteArray bytes = (password + QLatin1Char('\n')).toUtf8();
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex());
}

bool PasswordChoiceNeeded(SessionLog& log, const AppPaths& paths)
{
    log.debugMessage(QStringLiteral("Checking if we need to add passwords."), SessionLog::Info);
    return ReadPasswordPolicy(UserSettingsPath(paths)) == PasswordPolicy::Undecided;
}

// ---- the dialog ----

PasswordDialogModel::PasswordDialogModel(Services& services, bool newPasswordMode, QString purpose)
    : services_(services), userFile_(UserSettingsPath(services.paths)), newPasswordMode_(newPasswordMode),
      purpose_(std::move(purpose))
{
}

QString PasswordDialogModel::loginHeading() const
{
    return purpose_.isEmpty() ? QStringLiteral("Enter your password")
                              : QStringLiteral("Enter your password to ") + purpose_;
}

QString PasswordDialogModel::loginPrompt() const
{
    return purpose_.isEmpty() ? label(Box::Password) : QStringLiteral("Password to ") + purpose_ + QLatin1Char(':');
}

PasswordDialogModel::Box PasswordDialogModel::activate()
{
    accepted_ = false;
    cancelled_ = false;
    wrongLogins_ = 0;
    lastWrongHash_.clear();
    if (!newPasswordMode_) {
        panel_ = Panel::Login;
        return Box::Password;
    }
    if (ReadPasswordPolicy(userFile_) != PasswordPolicy::Undecided) {
        panel_ = Panel::Change;
        return Box::OldPassword;
    }
    panel_ = Panel::NewUser;
    return Box::NewPassword;
}

PasswordDialogModel::Step PasswordDialogModel::submitLogin(const QString& password)
{
    SessionLog& log = services_.log;
    // With no decision stored there is no password to check against.
    if (ReadPasswordPolicy(userFile_) == PasswordPolicy::Required) {
        // Only the outcome is logged: the session log travels in the
        // technical file, and a hash there could be tried offline.
        const QString hash = PasswordHash(password);
        // The same wrong password again is not checked again: it ends the tries.
        if (!lastWrongHash_.isEmpty() && hash == lastWrongHash_) {
            log.debugMessage(QStringLiteral("The same wrong password was given again."), SessionLog::Info);
            return {true, Box::None};
        }
        accepted_ = hash == storedHash(userFile_);
        log.debugMessage(QStringLiteral("Same? ") + (accepted_ ? QStringLiteral("True") : QStringLiteral("False")),
            SessionLog::Info);
        if (!accepted_) {
            lastWrongHash_ = hash;
            if (++wrongLogins_ < LoginAttempts) {
                say(services_, Prompts::Icon::Exclamation, "That's the wrong password - please try again.");
                return {false, Box::Password};
            }
        }
    } else {
        accepted_ = true;
        log.debugMessage(QStringLiteral("No password"), SessionLog::Info);
    }
    return {true, Box::None};
}

PasswordDialogModel::Step PasswordDialogModel::submitChange(
    const QString& oldPassword, const QString& newPassword, const QString& newAgain)
{
    // Only a password that is required is asked for again; while none is,
    // there is nothing to protect and a new one may simply be chosen.
    if (ReadPasswordPolicy(userFile_) == PasswordPolicy::Required && PasswordHash(oldPassword) != storedHash(userFile_)) {
        say(services_, Prompts::Icon::Exclamation, "Sorry, that's not your password. No settings have been changed.");
        return {true, Box::None};
    }
    return saveNewPassword(newPassword, newAgain);
}

PasswordDialogModel::Step PasswordDialogModel::submitNewUser(const QString& newPassword, const QString& newAgain)
{
    return saveNewPassword(newPassword, newAgain);
}

PasswordDialogModel::Step PasswordDialogModel::saveNewPassword(const QString& newPassword, const QString& newAgain)
{
    if (newPassword.isEmpty()) {
        say(services_, Prompts::Icon::Exclamation, "You must enter a new password - you can't have a blank password.");
        return {false, Box::NewPassword};
    }
    if (newPassword != newAgain) {
        say(services_, Prompts::Icon::Exclamation, "Sorry, your new passwords do not match. Please try again.");
        return {false, Box::NewPassword};
    }
    // The hash first: "Valid" = "True" without the matching hash would lock the user out.
    if (!WriteSettingsEntry(userFile_, PasswordKeys::Section, PasswordKeys::Value, PasswordHash(newPassword))
        || !WritePasswordPolicy(userFile_, true)) {
        services_.log.debugMessage(QStringLiteral("Could not save the new password to '") + userFile_ + QStringLiteral("'."),
            SessionLog::Problem);
        services_.prompts.message(Prompts::Icon::Critical,
            QStringLiteral("Sorry, your new password could not be saved to '") + userFile_ + QStringLiteral("'."));
        return {true, Box::None};
    }
    say(services_, Prompts::Icon::Information, "Your new password has been saved.");
    if (panel_ == Panel::NewUser)
        accepted_ = true;
    return {true, Box::None};
}

PasswordDialogModel::Step PasswordDialogModel::cancel()
{
    cancelled_ = true;
    if (newPasswordMode_ && services_.prompts.askYesNo(disableInsteadQuestion()) == Prompts::Answer::Yes)
        WritePasswordPolicy(userFile_, false);
    return {true, Box::None};
}

QString PasswordDialogModel::disableInsteadQuestion()
{
    return QStringLiteral("Canceling password generation, did you want to disable passwords instead?")
        + QStringLiteral("\r\n\r\n") + laterHint();
}

QString PasswordDialogModel::laterHint()
{
    return QStringLiteral("You can choose a password later by starting the program with the -n option.");
}

QString PasswordDialogModel::label(Box box)
{
    switch (box) {
    case Box::Password: return QStringLiteral("Password:");
    case Box::OldPassword: return QStringLiteral("Old password:");
    case Box::NewPassword: return QStringLiteral("New password:");
    case Box::NewPasswordAgain: return QStringLiteral("New password again:");
    case Box::None: break;
    }
    return {};
}

bool RunPasswordDialogWithPrompts(PasswordDialogModel& model, Prompts& prompts, const QString& title)
{
    using Box = PasswordDialogModel::Box;
    const auto ask = [&](Box box) {
        return prompts.askText(box == Box::Password ? model.loginPrompt() : PasswordDialogModel::label(box), title, true);
    };
    model.activate();
    // A refused password is asked again, a few times at most, so that a
    // prompt that keeps giving the same answer cannot hold the caller.
    for (int round = 0; round < 5; ++round) {
        PasswordDialogModel::Step step;
        if (model.panel() == PasswordDialogModel::Panel::Login) {
            const auto password = ask(Box::Password);
            step = password ? model.submitLogin(*password) : model.cancel();
        } else {
            const bool change = model.panel() == PasswordDialogModel::Panel::Change;
            const auto old = change ? ask(Box::OldPassword) : std::optional<QString>(QString());
            const auto first = old ? ask(Box::NewPassword) : std::nullopt;
            const auto again = first ? ask(Box::NewPasswordAgain) : std::nullopt;
            if (!again)
                step = model.cancel();
            else if (change)
                step = model.submitChange(*old, *first, *again);
            else
                step = model.submitNewUser(*first, *again);
        }
        if (step.close)
            break;
    }
    return model.passwordAccepted();
}

namespace {

struct DialogResult {
    bool accepted = false;
    bool cancelled = false;
};

DialogResult runDialog(Services& services, bool newPasswordMode, const PasswordDialogRunner& runner,
    const QString& purpose = {})
{
    PasswordDialogModel model(services, newPasswordMode, purpose);
    const bool accepted = runner ? runner(model) : RunPasswordDialogWithPrompts(model, services.prompts, services.appCaption);
    return {accepted, model.cancelled()};
}

} // namespace

void ChooseNewPassword(Services& services, const PasswordDialogRunner& runner)
{
    runDialog(services, true, runner);
}

NewPasswordOffer::NewPasswordOffer(Services& services, PasswordDialogRunner runner)
    : services_(services), runner_(std::move(runner))
{
}

bool NewPasswordOffer::offer()
{
    if (shown_) {
        services_.log.debugMessage(QStringLiteral("The new-password dialog was shown in this start already."),
            SessionLog::Info);
        return false;
    }
    shown_ = true;
    ChooseNewPassword(services_, runner_);
    return true;
}

bool LoginOK(Services& services, const PasswordDialogRunner& runner, const QString& purpose)
{
    // Until the user has decided, a password is asked for (and any text passes).
    if (ReadPasswordPolicy(UserSettingsPath(services.paths)) == PasswordPolicy::NotRequired) {
        services.log.debugMessage(QStringLiteral("User does not need a password"), SessionLog::Info);
        return true;
    }
    const DialogResult result = runDialog(services, false, runner, purpose);
    if (result.accepted)
        return true;
    if (result.cancelled) {
        services.log.debugMessage(QStringLiteral("Password entry cancelled."), SessionLog::Info);
        return false;
    }
    services.log.debugMessage(QStringLiteral("Password entry for user ") + GetUserName() + QStringLiteral(" failed."),
        SessionLog::Problem);
    services.prompts.message(Prompts::Icon::Exclamation, WrongPasswordRefusedText);
    return false;
}
