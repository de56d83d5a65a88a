#pragma once
#include <QDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

// The password dialog ("frmLogin"): one of three panels is shown and
// enabled: the login panel (one password box), the change panel (old
// password and the new one twice) and the new-user panel (the new password
// twice). Enter in a box moves on and finally presses OK. What OK and Cancel
// do is decided by the password model the binding attaches.
class LoginDialog : public QDialog {
    Q_OBJECT
public:
    enum class Panel { Login, Change, NewUser };

    explicit LoginDialog(QWidget* parent = nullptr);

    void showPanel(Panel panel);
    Panel panel() const { return panel_; }
    // Clears all five boxes.
    void clearBoxes();
    // The boxes of the shown panel, in tab order.
    QList<QLineEdit*> panelBoxes() const;
    // Puts the focus (and the caret at the start) in a box of the shown panel.
    void focusBox(int index);

    QGroupBox* fraLogin = nullptr;
    QGroupBox* fraChange = nullptr;
    QGroupBox* fraNewUser = nullptr;
    QLineEdit* txtPassword = nullptr;
    QLineEdit* txtOldPassword = nullptr;
    QLineEdit* txtNewPassword = nullptr;
    QLineEdit* txtNewPasswordAgain = nullptr;
    QLineEdit* txtNewUserPassword = nullptr;
    QLineEdit* txtNewUserPasswordAgain = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;

Q_SIGNALS:
    void okPressed();
    void cancelPressed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;

private:
    Panel panel_ = Panel::Login;
};
