#include "LoginDialog.h"

#include "shell/Password.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

namespace {
QLineEdit* PasswordBox(const char* name)
{
    auto* box = new QLineEdit;
    box->setObjectName(QString::fromLatin1(name));
    box->setEchoMode(QLineEdit::Password);
    return box;
}
}

LoginDialog::LoginDialog(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(QStringLiteral("Password"));
    setModal(true);

    txtPassword = PasswordBox("txtPassword");
    txtOldPassword = PasswordBox("txtOldPassword");
    txtNewPassword = PasswordBox("txtNewPassword");
    txtNewPasswordAgain = PasswordBox("txtNewPasswordAgain");
    txtNewUserPassword = PasswordBox("txtNewUserPassword");
    txtNewUserPasswordAgain = PasswordBox("txtNewUserPasswordAgain");

    fraLogin = new QGroupBox(QStringLiteral("Enter your password"));
    fraLogin->setObjectName(QStringLiteral("fraLogin"));
    (new QFormLayout(fraLogin))->addRow(QStringLiteral("Password:"), txtPassword);

    fraChange = new QGroupBox(QStringLiteral("Change your password"));
    fraChange->setObjectName(QStringLiteral("fraChange"));
    auto* change = new QFormLayout(fraChange);
    change->addRow(QStringLiteral("Old password:"), txtOldPassword);
    change->addRow(QStringLiteral("New password:"), txtNewPassword);
    change->addRow(QStringLiteral("New password again:"), txtNewPasswordAgain);

    fraNewUser = new QGroupBox(QStringLiteral("Choose a password"));
    fraNewUser->setObjectName(QStringLiteral("fraNewUser"));
    auto* newUser = new QFormLayout(fraNewUser);
    newUser->addRow(QStringLiteral("New password:"), txtNewUserPassword);
    newUser->addRow(QStringLiteral("New password again:"), txtNewUserPasswordAgain);
    auto* later = new QLabel(PasswordDialogModel::laterHint());
    later->setObjectName(QStringLiteral("lblLaterHint"));
    later->setWordWrap(true);
    newUser->addRow(later);

    OKButton = new QPushButton(QStringLiteral("OK"));
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setAutoDefault(false);
    CancelButton = new QPushButton(QStringLiteral("Cancel"));
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setAutoDefault(false);
    connect(OKButton, &QPushButton::clicked, this, &LoginDialog::okPressed);
    connect(CancelButton, &QPushButton::clicked, this, &LoginDialog::cancelPressed);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fraLogin);
    layout->addWidget(fraChange);
    layout->addWidget(fraNewUser);
    layout->addLayout(buttons);

    for (QLineEdit* box : {txtPassword, txtOldPassword, txtNewPassword, txtNewPasswordAgain, txtNewUserPassword,
             txtNewUserPasswordAgain})
        box->installEventFilter(this);
    showPanel(Panel::Login);
}

void LoginDialog::showPanel(Panel panel)
{
    panel_ = panel;
    const std::pair<QGroupBox*, Panel> frames[] = {
        {fraLogin, Panel::Login}, {fraChange, Panel::Change}, {fraNewUser, Panel::NewUser}};
    for (const auto& [frame, which] : frames) {
        frame->setVisible(which == panel);
        frame->setEnabled(which == panel);
    }
    adjustSize();
    focusBox(0);
}

void LoginDialog::clearBoxes()
{
    for (QLineEdit* box : {txtPassword, txtOldPassword, txtNewPassword, txtNewPasswordAgain, txtNewUserPassword,
             txtNewUserPasswordAgain})
        box->clear();
}

QList<QLineEdit*> LoginDialog::panelBoxes() const
{
    switch (panel_) {
    case Panel::Login: return {txtPassword};
    case Panel::Change: return {txtOldPassword, txtNewPassword, txtNewPasswordAgain};
    case Panel::NewUser: return {txtNewUserPassword, txtNewUserPasswordAgain};
    }
    return {};
}

void LoginDialog::focusBox(int index)
{
    const QList<QLineEdit*> boxes = panelBoxes();
    if (index < 0 || index >= boxes.size())
        return;
    boxes[index]->setFocus();
    boxes[index]->setCursorPosition(0);
}

bool LoginDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // Enter in any password box moves on to OK and presses it: Enter
            // submits the panel, and the checks put the focus back where needed.
            OKButton->setFocus();
            OKButton->click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void LoginDialog::reject()
{
    // Escape and the window's close button behave as Cancel.
    CancelButton->click();
}
