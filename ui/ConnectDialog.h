#pragma once
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

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

    // Starts or stops the waiting sign (and the hourglass pointer).
    void setTesting(bool testing);
    // The waiting sign's frame for a step c (0..15): the dot runs right and back.
    static QString ProgressFrame(int step);

    QLineEdit* txtAddress = nullptr;
    QLineEdit* txtPort = nullptr;
    QPushButton* cmdPing = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QLabel* lblProgress = nullptr;

Q_SIGNALS:
    void testRequested();

private:
    QTimer* progressTimer_ = nullptr;
    int step_ = 0;
    QString caption_;
};
