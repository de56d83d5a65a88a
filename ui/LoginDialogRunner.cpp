#include "LoginDialogRunner.h"

#include "LoginDialog.h"
#include "shell/Password.h"

namespace {
LoginDialog::Panel PanelOf(PasswordDialogModel::Panel panel)
{
    switch (panel) {
    case PasswordDialogModel::Panel::Login: return LoginDialog::Panel::Login;
    case PasswordDialogModel::Panel::Change: return LoginDialog::Panel::Change;
    case PasswordDialogModel::Panel::NewUser: return LoginDialog::Panel::NewUser;
    }
    return LoginDialog::Panel::Login;
}

// The position of a box among the boxes of the shown panel.
int BoxIndex(LoginDialog::Panel panel, PasswordDialogModel::Box box)
{
    using Box = PasswordDialogModel::Box;
    const bool change = panel == LoginDialog::Panel::Change;
    switch (box) {
    case Box::Password:
    case Box::OldPassword: return 0;
    case Box::NewPassword: return change ? 1 : 0;
    case Box::NewPasswordAgain: return change ? 2 : 1;
    case Box::None: break;
    }
    return 0;
}
}

bool RunLoginDialog(PasswordDialogModel& model, QWidget* parent, const QString& caption)
{
    LoginDialog dialog(parent);
    dialog.setWindowTitle(caption);
    dialog.clearBoxes();
    const PasswordDialogModel::Box first = model.activate();
    dialog.showPanel(PanelOf(model.panel()));
    dialog.fraLogin->setTitle(model.loginHeading());
    dialog.focusBox(BoxIndex(dialog.panel(), first));

    auto follow = [&](const PasswordDialogModel::Step& step) {
        if (step.close) {
            dialog.accept();
            return;
        }
        // A refused password is typed afresh.
        if (step.focus == PasswordDialogModel::Box::Password)
            dialog.txtPassword->clear();
        dialog.focusBox(BoxIndex(dialog.panel(), step.focus));
    };
    QObject::connect(&dialog, &LoginDialog::okPressed, &dialog, [&] {
        switch (dialog.panel()) {
        case LoginDialog::Panel::Login: follow(model.submitLogin(dialog.txtPassword->text())); break;
        case LoginDialog::Panel::Change:
            follow(model.submitChange(
                dialog.txtOldPassword->text(), dialog.txtNewPassword->text(), dialog.txtNewPasswordAgain->text()));
            break;
        case LoginDialog::Panel::NewUser:
            follow(model.submitNewUser(dialog.txtNewUserPassword->text(), dialog.txtNewUserPasswordAgain->text()));
            break;
        }
    });
    QObject::connect(&dialog, &LoginDialog::cancelPressed, &dialog, [&] {
        model.cancel();
        dialog.done(QDialog::Rejected);
    });
    dialog.exec();
    return model.passwordAccepted();
}
