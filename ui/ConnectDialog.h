#pragma once
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

// The network connection dialog ("frmConnect", "Remote Instrument"): the
// bridge's address and port, "Test..." to try it without leaving, "Add and
// Connect" and "Cancel". While a test runs, a running-dot sign shows that
// the dialog waits for the bridge.
class ConnectDialog : public QDialog {
    Q_OBJECT
public:
    explicit ConnectDialog(QWidget* parent = nullptr);

    QString address() const { return txtAddress->text(); }
    QString port() const { return txtPort->text(); }
    void setAddress(const QString& address, const QString& port);

    // While a test runs: buttons off, the hourglass pointer, and the waiting
    // sign (frame) after the caption.
    void setTesting(bool testing);
    void showProgress(const QString& frame);

    QLineEdit* txtAddress = nullptr;
    QLineEdit* txtPort = nullptr;
    QPushButton* cmdPing = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QLabel* lblProgress = nullptr;

Q_SIGNALS:
    void testRequested();

private:
    QString caption_;
};
