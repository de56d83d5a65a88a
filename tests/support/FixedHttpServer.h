#pragma once
#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QSslConfiguration>
#include <QString>
#include <QStringList>
#include <QThread>

class QTcpServer;

// A small HTTP/1.1 server on 127.0.0.1 for tests, answering each path with
// a fixed response. It runs on a thread of its own, so it answers while the
// test blocks (a synchronous transfer, a child process). Unknown paths get 404.
// With a TLS configuration (certificate and key) it speaks https.
class FixedHttpServer {
public:
    struct Response {
        enum class Mode {
            Whole,   // the body as announced
            Short,   // announces twice the body's length, sends the body, closes
            Silent,  // accepts the request and never answers
            Endless, // announces no length and repeats the body as fast as it is taken (up to 4 GiB)
        };
        int status = 200;
        QByteArray body;
        Mode mode = Mode::Whole;
    };

    FixedHttpServer();
    explicit FixedHttpServer(const QSslConfiguration& tls);
    ~FixedHttpServer();
    FixedHttpServer(const FixedHttpServer&) = delete;
    FixedHttpServer& operator=(const FixedHttpServer&) = delete;

    // path begins with "/".
    void serve(const QString& path, const Response& response);
    void serve(const QString& path, const QByteArray& body) { serve(path, Response{200, body}); }
    // "http://127.0.0.1:<port>" + path ("https://" with TLS).
    QString url(const QString& path = QStringLiteral("/")) const;
    // The paths requested so far, in order.
    QStringList requested() const;

private:
    void listen(QTcpServer* server);
    void answer(class QTcpSocket* socket);

    QThread thread_;
    QTcpServer* server_ = nullptr;
    quint16 port_ = 0;
    QString scheme_ = QStringLiteral("http");
    mutable QMutex mutex_;
    QHash<QString, Response> responses_;
    QStringList requested_;
};
