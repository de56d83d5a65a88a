#pragma once
#include <QString>
#include <functional>

class Prompts;
class SessionLog;
struct AppPaths;
struct Services;

// The user password that guards the operations which change the instrument.
// It lives in "user.txt", section "Password": "Valid" says whether a
// password is required ("True" / "False", missing until the user decided),
// "Value" holds its hash.
namespace PasswordKeys {
inline const QString Section = QStringLiteral("Password");
inline const QString Valid = QStringLiteral("Valid");
inline const QString Value = QStringLiteral("Value");
// What stands for "no password set" where a password is read.
inline const QString NoPassword = QStringLiteral("No Password");
}

enum class PasswordPolicy {
    Undecided,    // no "Valid" entry yet
    Required,     // "True", or anything that is not "False": a damaged entry keeps the guard
    NotRequired,  // "False"
};
PasswordPolicy ReadPasswordPolicy(const QString& userFile);
// Writes "Valid" = "True" / "False"; false when "user.txt" could not be written.
bool WritePasswordPolicy(const QString& userFile, bool required);

// The stored form of a password: the MD5 digest of the password followed by
// a line feed, in lower-case hexadecimal. Passwords of Latin-1 characters
// hash as 8-bit text; others as UTF-8, so that no two passwords in other
// scripts share a hash.
QString PasswordHash(const QString& password);

// First start: logs the check and says whether the password dialog must be
// shown in new-password mode ("Valid" not yet decided).
bool PasswordChoiceNeeded(SessionLog& log, const AppPaths& paths);

// The password dialog without its widgets: which of its three panels shows,
// what each OK and Cancel does, where the focus goes. Messages go through
// the services' prompts.
class PasswordDialogModel {
public:
    enum class Panel { Login, Change, NewUser };
    enum class Box { None, Password, OldPassword, NewPassword, NewPasswordAgain };
    // After a button: whether the dialog closes, else which box gets the focus.
    struct Step {
        bool close = false;
        Box focus = Box::None;
    };

    // A wrong password may be typed again this many times in one showing.
    static constexpr int LoginAttempts = 3;

    // purpose names what the password is asked for ("erase slots 1 to 300
    // of the instrument's memory"); empty for a plain login.
    PasswordDialogModel(Services& services, bool newPasswordMode, QString purpose = {});

    bool newPasswordMode() const { return newPasswordMode_; }
    // On showing: not accepted, all boxes cleared, the panel chosen (login;
    // in new-password mode the change panel once a decision exists, else the
    // new-user panel). Returns the box that gets the focus.
    Box activate();
    Panel panel() const { return panel_; }
    bool passwordAccepted() const { return accepted_; }
    // The dialog was closed with Cancel.
    bool cancelled() const { return cancelled_; }

    // What the login panel's heading says, naming the purpose when there is one.
    QString loginHeading() const;
    // The question for the login password where there is no dialog.
    QString loginPrompt() const;

    // A wrong password says "That's the wrong password - please try again."
    // and keeps the dialog open, until LoginAttempts wrong ones were typed
    // or the same wrong one is given twice in a row (a prompt that answers
    // from a fixed value); then the dialog closes refused.
    Step submitLogin(const QString& password);
    Step submitChange(const QString& oldPassword, const QString& newPassword, const QString& newAgain);
    Step submitNewUser(const QString& newPassword, const QString& newAgain);
    // In new-password mode, offers to switch passwords off instead.
    Step cancel();

    // The question a cancel in new-password mode asks; it says how to choose
    // a password later.
    static QString disableInsteadQuestion();
    // The hint the new-user panel shows.
    static QString laterHint();

    // The label of a box, for the dialog and for text prompts.
    static QString label(Box box);

private:
    Step saveNewPassword(const QString& newPassword, const QString& newAgain);

    Services& services_;
    QString userFile_;
    bool newPasswordMode_ = false;
    QString purpose_;
    Panel panel_ = Panel::Login;
    bool accepted_ = false;
    bool cancelled_ = false;
    int wrongLogins_ = 0;
    QString lastWrongHash_;
};

// Shows the password dialog modally and returns whether the password was
// accepted. The GUI passes one that shows its window; without one the
// dialog runs through Prompts::askText (secret text).
using PasswordDialogRunner = std::function<bool(PasswordDialogModel&)>;
bool RunPasswordDialogWithPrompts(PasswordDialogModel& model, Prompts& prompts, const QString& title);

// Shows the dialog in new-password mode (first start, "-n", post-install).
void ChooseNewPassword(Services& services, const PasswordDialogRunner& runner = {});

// The new-password choice of one run of the program. The first start, "-n"
// and post-install may each ask for the dialog in one start: it is shown
// once, so its question whether to switch passwords off instead is asked
// once too. A "No" to that stores nothing: the choice is offered again at
// the next start.
class NewPasswordOffer {
public:
    NewPasswordOffer(Services& services, PasswordDialogRunner runner = {});
    // Shows the dialog in new-password mode unless it was shown in this run;
    // true when it was shown now.
    bool offer();

private:
    Services& services_;
    PasswordDialogRunner runner_;
    bool shown_ = false;
};

// The guard of every operation that changes the instrument: true when no
// password is required or the right one was typed (the dialog, named after
// purpose, lets a wrong one be typed again); otherwise logs the failure and
// returns false. A refusal after wrong passwords is said; a cancelled dialog
// is not (the user chose it).
bool LoginOK(Services& services, const PasswordDialogRunner& runner = {}, const QString& purpose = {});
// Said when the tries of a wrong password are over.
inline const QString WrongPasswordRefusedText =
    QStringLiteral("That's the wrong password, so nothing has been changed.");
