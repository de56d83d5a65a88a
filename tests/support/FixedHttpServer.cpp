#include "FixedHttpServer.h"

#include <QMetaObject>
#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>

#include <memory>

namespace {

// Requests larger than this are not ours; the connection is dropped.
constexpr int MaxRequestBytes = 64 * 1024;
// An endless body: refilled while less than the backlog waits, ended at the cap.
constexpr qint64 EndlessBacklogBytes = 1024 * 1024;
constexpr qint64 EndlessCapBytes = 4LL * 1024 * 1024 * 1024;
constexpr qsizetype EndlessChunkBytes = 64 * 1024;

QByteArray reason(int status)
{
    switch (status) {
    case 200: return "OK";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

} // namespace

FixedHttpServer::FixedHttpServer()
{
    listen(new QTcpServer);
}

FixedHttpServer::FixedHttpServer(const QSslConfiguration& tls)
{
    auto* server = new QSslServer;
    server->setSslConfiguration(tls);
    scheme_ = QStringLiteral("https");
    listen(server);
}

void FixedHttpServer::listen(QTcpServer* server)
{
    server_ = server;
    server_->listen(QHostAddress::LocalHost);
    port_ = server_->serverPort();
    QObject::connect(server_, &QTcpServer::pendingConnectionAvailable, server_, [this] {
        while (QTcpSocket* socket = server_->nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    server_->moveToThread(&thread_);
    thread_.start();
}

FixedHttpServer::~FixedHttpServer()
{
    QTcpServer* server = server_;
    QMetaObject::invokeMethod(server, [server] { delete server; }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
}

void FixedHttpServer::serve(const QString& path, const Response& response)
{
    QMutexLocker lock(&mutex_);
    responses_.insert(path, response);
}

QString FixedHttpServer::url(const QString& path) const
{
    return QStringLiteral("%1://127.0.0.1:%2%3").arg(scheme_).arg(port_).arg(path);
}

QStringList FixedHttpServer::requested() const
{
    QMutexLocker lock(&mutex_);
    return requested_;
}

void FixedHttpServer::answer(QTcpSocket* socket)
{
    QByteArray request = socket->property("request").toByteArray() + socket->readAll();
    if (request.size() > MaxRequestBytes) {
        socket->abort();
        return;
    }
    socket->setProperty("request", request);
    if (!request.contains("\r\n\r\n") || socket->property("answered").toBool())
        return;
    socket->setProperty("answered", true);

    const QList<QByteArray> words = request.left(request.indexOf("\r\n")).split(' ');
    const QString path = QString::fromLatin1(words.value(1));
    Response response{404, "not here"};
    {
        QMutexLocker lock(&mutex_);
        requested_.append(path);
        response = responses_.value(path, response);
    }
    if (response.mode == Response::Mode::Silent)
        return;
    if (response.mode == Response::Mode::Endless) {
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nConnection: close\r\n\r\n");
        const QByteArray chunk = response.body.isEmpty() ? QByteArray(EndlessChunkBytes, 'x') : response.body;
        auto sent = std::make_shared<qint64>(0);
        auto refill = [socket, chunk, sent] {
            while (socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() < EndlessBacklogBytes
                && *sent < EndlessCapBytes) {
                socket->write(chunk);
                *sent += chunk.size();
            }
            if (*sent >= EndlessCapBytes)
                socket->disconnectFromHost();
        };
        QObject::connect(socket, &QTcpSocket::bytesWritten, socket, refill);
        refill();
        return;
    }
    const qint64 announced = response.mode == Response::Mode::Short ? 2 * response.body.size() + 1 : response.body.size();
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reason(response.status) + "\r\n";
    head += "Content-Type: application/octet-stream\r\nContent-Length: " + QByteArray::number(announced)
        + "\r\nConnection: close\r\n\r\n";
    socket->write(head + response.body);
    socket->disconnectFromHost();
}
