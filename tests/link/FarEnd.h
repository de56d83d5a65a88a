#pragma once
#include <QByteArray>
#include <QList>
#include <QString>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

class PortMap;

// The far end of a real transport, standing in for the instrument: a thread
// that plays a script. Each step waits for the next request frame (up to its
// CR) when asked to, pauses when asked to, then writes its bytes as they
// stand (an empty text writes nothing, i.e. no reply).
struct ScriptStep {
    QByteArray bytes;
    bool afterRequest = true;
    int pauseMs = 0;
};
using Script = std::vector<ScriptStep>;

class FarEnd {
public:
    virtual ~FarEnd() = default;
    // The request frames received so far.
    QList<QByteArray> requests() const;
    // Waits until count requests have arrived, at most timeoutMs; true when they have.
    bool waitForRequests(int count, int timeoutMs = 5000);

protected:
    void start(Script script);
    // Joins the script thread; derived destructors call this before releasing their transport.
    void stop();
    bool stopping() const;
    void waitForStop();

    virtual bool open() { return true; }
    virtual bool readRequest(QByteArray& frame) = 0;
    virtual void writeBytes(const QByteArray& bytes) = 0;
    virtual void close() {}

private:
    void play(const Script& script);

    mutable std::mutex mutex_;
    std::condition_variable stopCondition_;
    std::condition_variable requestCondition_;
    bool stop_ = false;
    QList<QByteArray> requests_;
    std::thread thread_;
};

// A pseudo-terminal pair; the test's link opens the terminal side, registered
// in the port map under a port number. The script runs on the controlling side.
class PtyFarEnd : public FarEnd {
public:
    PtyFarEnd(PortMap& portMap, int port, Script script);
    ~PtyFarEnd() override;
    QString devicePath() const { return devicePath_; }
    // The terminal side as the test holds it (its line settings are the device's).
    int terminalFd() const { return terminal_; }
    // Writes straight into the terminal's input queue from the calling thread.
    void push(const QByteArray& bytes) { writeBytes(bytes); }

protected:
    bool readRequest(QByteArray& frame) override;
    void writeBytes(const QByteArray& bytes) override;

private:
    PortMap& portMap_;
    int port_;
    int controller_ = -1;
    int terminal_ = -1;   // kept open so the controlling side never sees a hang-up
    QString devicePath_;
};

// A loopback TCP server accepting one connection, standing in for a network serial bridge.
class TcpFarEnd : public FarEnd {
public:
    explicit TcpFarEnd(Script script);
    ~TcpFarEnd() override;
    quint16 port() const { return port_; }

protected:
    bool open() override;
    bool readRequest(QByteArray& frame) override;
    void writeBytes(const QByteArray& bytes) override;
    void close() override;

private:
    struct Server;
    Server* server_ = nullptr;   // lives on the script thread
    quint16 port_ = 0;
    std::mutex portMutex_;
    std::condition_variable portReady_;
    bool listening_ = false;
};
