#pragma once
#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <deque>
#include <functional>

// Answers the modal dialogs a test provokes, in order: each action is given
// the next modal widget that appears (message box, password dialog, file
// dialog). What each dialog showed is kept for the test to check.
class ModalScript : public QObject {
public:
    using Action = std::function<void(QWidget* dialog)>;

    ModalScript()
    {
        connect(&poll_, &QTimer::timeout, this, [this] { check(); });
        poll_.start(10);
    }

    void then(Action action) { actions_.push_back(std::move(action)); }
    // A message box answered with a button.
    void thenPress(QMessageBox::StandardButton button)
    {
        then([button](QWidget* w) {
            if (auto* box = qobject_cast<QMessageBox*>(w))
                box->button(button) ? box->button(button)->click() : box->done(button);
        });
    }
    // A dialog closed as Escape closes it.
    void thenReject()
    {
        then([](QWidget* w) {
            if (auto* dialog = qobject_cast<QDialog*>(w))
                dialog->reject();
        });
    }
    bool done() const { return actions_.empty(); }
    // Texts of the message boxes seen, in order.
    QStringList messages;
    QStringList titles;

private:
    void check()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == last_ || actions_.empty())
            return;
        last_ = modal;
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            messages << box->text();
            titles << box->windowTitle();
        }
        Action action = std::move(actions_.front());
        actions_.pop_front();
        // Acted on from a fresh event, so that a dialog the action opens in
        // turn (a message after OK) finds the poll running again.
        QPointer<QWidget> target = modal;
        QTimer::singleShot(0, this, [action = std::move(action), target] {
            if (target)
                action(target);
        });
    }

    QTimer poll_;
    QPointer<QWidget> last_;
    std::deque<Action> actions_;
};
