#pragma once
#include <QByteArray>
#include <QList>
#include <QMutex>

#include <functional>
#include <thread>

// A stand-in instrument on a loopback TCP port: a thread that assembles the
// request frames it receives, records their payloads and answers each with
// what the handler returns (bytes written as they stand; empty: no reply).
class Responder {
public:
    using Handler = std::function<QByteArray(const QByteArray& payload)>;

    explicit Responder(Handler handler);
    ~Responder();
    Responder(const Responder&) = delete;
    Responder& operator=(const Responder&) = delete;

    quint16 port() const { return port_; }
    // Payloads of the requests received, in order.
    QList<QByteArray> received() const;
    void clearReceived();

    // The frame of a reply payload, as the instrument sends it.
    static QByteArray Reply(const QByteArray& payload);
    // The same frame with its checksum spoilt: the link rejects it at once.
    static QByteArray Spoilt(const QByteArray& payload);

private:
    void run();

    Handler handler_;
    int listener_ = -1;
    int wakePipe_[2] = {-1, -1};
    quint16 port_ = 0;
    mutable QMutex mutex_;
    QList<QByteArray> received_;
    std::thread thread_;
};
