#pragma once
#include <QString>
#include <QStringList>
#include <functional>

class InstrumentLink;
struct Services;

// The remote-instrument dialog without its window: the address and port
// boxes, the Test... button that tries the bridge without leaving the
// dialog, and the outcome ("Add and Connect" or "Cancel"). The window binds
// its two text boxes to address and port and calls the methods from its
// buttons; the connection itself is then made by the main-window model.
class NetworkConnectDialog {
public:
    // The factory address of the supported bridge and its port.
    static inline const QString DefaultAddress = QStringLiteral("10.10.100.254");
    static inline const QString DefaultPort = QStringLiteral("8899");
    static inline const QString Instruction =
        QStringLiteral("Enter the IP Address and Port Number for the remote instrument.");

    // readLastRemote reads section "LastRemote" of "user.txt" ("Unknown" when missing).
    NetworkConnectDialog(Services& services, InstrumentLink& link,
        std::function<QString(const QString& key)> readLastRemote);

    QString address = DefaultAddress;   // txtAddress
    QString port = DefaultPort;         // txtPort

    // Opening the dialog: the last address used replaces the defaults where known.
    void load();
    // Test...: connects to the bridge, reads the serial number and closes
    // again. Shows and returns the message ("Connected to ... !" or "Could
    // not connect to ..."; empty when the bridge answered without an
    // instrument). A good test counts as confirmation. progress receives
    // the moving frame while the connection is made.
    QString test(const std::function<void(const QString& frame)>& progress = {});
    void accept();                      // "Add and Connect"
    void cancel();                      // "Cancel"
    // True when the user confirmed an address (the dialog's "OK" tag).
    bool accepted() const { return accepted_; }
    // The number in the port box (0 when it holds none).
    int portNumber() const;

    // The 16 frames of the moving dot shown while a test connects.
    static QStringList progressFrames();

private:
    Services& services_;
    InstrumentLink& link_;
    std::function<QString(const QString&)> readLastRemote_;
    bool accepted_ = false;
};
