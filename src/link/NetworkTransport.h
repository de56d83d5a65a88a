#pragma once
#include "LinkTransport.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>

#include <atomic>

class QTcpSocket;
class QThread;
class SessionLog;

// The link's TCP client to a network serial bridge. One socket, created by
// connectTo on the calling thread (the instrument thread) and driven there
// with bounded blocking waits; no event loop is needed. From any other
// thread, state() reports the last state seen by the socket's thread, close()
// is handed to that thread, and reads and sends do nothing.
//
// state() reports the numbers the connection steps test:
//   0 closed, 1 open (bound), 2 listening, 4 resolving host, 6 connecting,
//   7 connected, 8 closing (also after the bridge closed the connection),
//   9 error (a failed connect or a socket error).
// A socket error is logged "[NET] " + its description at level 254.
//
// As the link's transport it is open when connected and driven from the
// calling thread; waits watch the socket's descriptor together with the
// caller's wake-up and let the socket take in what came.
class NetworkTransport : public LinkTransport {
public:
    enum State : int {
        Closed = 0,
        Open = 1,
        Listening = 2,
        ResolvingHost = 4,
        Connecting = 6,
        Connected = 7,
        Closing = 8,
        Error = 9,
    };

    explicit NetworkTransport(SessionLog& log);
    ~NetworkTransport() override;
    NetworkTransport(const NetworkTransport&) = delete;
    NetworkTransport& operator=(const NetworkTransport&) = delete;

    // Connects to host:port, waiting at most timeoutMs; returns the state
    // afterwards (7 on success, 9 on failure).
    int connectTo(const QString& host, quint16 port, int timeoutMs = 30000);
    // Connects to a bridge at host:port with the port number as it was typed:
    // closes any earlier connection, refuses a port outside 1 to 65535
    // without trying, and returns true when connected.
    bool connectToBridge(const QString& host, int port, int timeoutMs = 30000);
    void close() override;
    int state();
    // True when the calling thread owns the socket, so reads, sends and waits work.
    bool usableHere() const { return ownSocket() != nullptr; }

    QString remoteHost() const { return remoteHost_; }
    quint16 remotePort() const { return remotePort_; }

    // Bytes received and not yet read (takes in what the system has queued).
    qint64 bytesWaiting();
    // Reads one received byte; false when none is waiting.
    bool readByte(char& byte);
    // Sends data; true when all of it was handed to the system within timeoutMs.
    bool send(const QByteArray& data, int timeoutMs = 5000);
    // Blocks until a byte is waiting or the deadline passes; true when one is.
    bool waitForBytes(QDeadlineTimer deadline);

    // The link's transport. A connection driven from another thread is not
    // open here (logged as a warning).
    bool isOpen() override;
    // Always true: a request lost on the bridge shows as a missing reply.
    bool write(const QByteArray& bytes) override;
    bool readAvailable(QByteArray& into, qsizetype maxBytes) override;
    WaitResult waitReadable(const QDeadlineTimer& deadline, const WakeUp* wake) override;
    void discardInput() override;

    // The description of the last socket error (empty when none).
    QString lastErrorText() const { return lastError_; }

private:
    // The socket when called on its own thread, else null.
    QTcpSocket* ownSocket() const;
    void onError(int error);
    int refreshState();

    SessionLog& log_;
    QTcpSocket* socket_ = nullptr;
    QThread* socketThread_ = nullptr;
    QString remoteHost_;
    quint16 remotePort_ = 0;
    QString lastError_;
    int errorState_ = Closed;             // Closing or Error after a failure, else Closed
    std::atomic<int> lastState_{Closed};  // for callers on other threads
};
