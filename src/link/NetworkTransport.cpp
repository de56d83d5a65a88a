#include "NetworkTransport.h"

#include "shell/SessionLog.h"

#include <QTcpSocket>
#include <QThread>

NetworkTransport::NetworkTransport(SessionLog& log) : log_(log) {}

NetworkTransport::~NetworkTransport()
{
    if (!socket_)
        return;
    if (socketThread_ == QThread::currentThread())
        delete socket_;
    else
        socket_->deleteLater();   // it belongs to the instrument thread
}

QTcpSocket* NetworkTransport::socket()
{
    QThread* here = QThread::currentThread();
    if (socket_ && socketThread_ != here) {
        // A socket is only driven from the thread that created it; a new user thread gets a new one.
        QObject::disconnect(socket_, nullptr, nullptr, nullptr);
        socket_->deleteLater();
        socket_ = nullptr;
    }
    if (!socket_) {
        socket_ = new QTcpSocket;
        socketThread_ = here;
        QObject::connect(socket_, &QAbstractSocket::errorOccurred, socket_,
            [this](QAbstractSocket::SocketError error) { onError(error); }, Qt::DirectConnection);
    }
    return socket_;
}

void NetworkTransport::onError(int error)
{
    // A blocking wait that ran out of time is not a socket failure.
    if (error == QAbstractSocket::SocketTimeoutError)
        return;
    lastError_ = socket_->errorString();
    errorState_ = error == QAbstractSocket::RemoteHostClosedError ? Closing : Error;
    log_.debugMessage(QStringLiteral("[NET] ") + lastError_, SessionLog::Problem);
}

int NetworkTransport::connectTo(const QString& host, quint16 port, int timeoutMs)
{
    close();
    QTcpSocket* s = socket();
    remoteHost_ = host;
    remotePort_ = port;
    s->connectToHost(host, port);
    if (!s->waitForConnected(timeoutMs) && errorState_ == Closed) {
        // Ran out of time while still looking up or connecting.
        s->abort();
        lastError_ = QStringLiteral("Connection timed out");
        errorState_ = Error;
        log_.debugMessage(QStringLiteral("[NET] ") + lastError_, SessionLog::Problem);
    }
    return state();
}

void NetworkTransport::close()
{
    if (socket_)
        socket()->abort();
    errorState_ = Closed;
}

int NetworkTransport::state()
{
    if (!socket_)
        return errorState_;
    QTcpSocket* s = socket();
    if (s->state() == QAbstractSocket::ConnectedState && s->bytesAvailable() == 0)
        s->waitForReadyRead(0);   // notices a connection the bridge has closed
    switch (s->state()) {
    case QAbstractSocket::UnconnectedState: return errorState_;
    case QAbstractSocket::HostLookupState: return ResolvingHost;
    case QAbstractSocket::ConnectingState: return Connecting;
    case QAbstractSocket::ConnectedState: return Connected;
    case QAbstractSocket::BoundState: return Open;
    case QAbstractSocket::ListeningState: return Listening;
    case QAbstractSocket::ClosingState: return Closing;
    }
    return errorState_;
}

qint64 NetworkTransport::bytesWaiting()
{
    if (!socket_)
        return 0;
    QTcpSocket* s = socket();
    if (s->bytesAvailable() == 0 && s->state() == QAbstractSocket::ConnectedState)
        s->waitForReadyRead(0);
    return s->bytesAvailable();
}

bool NetworkTransport::readByte(char& byte)
{
    return bytesWaiting() > 0 && socket()->getChar(&byte);
}

bool NetworkTransport::send(const QByteArray& data, int timeoutMs)
{
    if (!socket_ || socket()->state() != QAbstractSocket::ConnectedState)
        return false;
    QTcpSocket* s = socket();
    if (s->write(data) != data.size())
        return false;
    const QDeadlineTimer deadline(timeoutMs);
    while (s->bytesToWrite() > 0) {
        if (!s->waitForBytesWritten(static_cast<int>(deadline.remainingTime())))
            return false;
    }
    return true;
}

bool NetworkTransport::waitForBytes(QDeadlineTimer deadline)
{
    if (!socket_)
        return false;
    QTcpSocket* s = socket();
    while (s->bytesAvailable() == 0) {
        if (s->state() != QAbstractSocket::ConnectedState || deadline.hasExpired())
            return false;
        const qint64 left = deadline.remainingTime();
        s->waitForReadyRead(left < 0 ? -1 : static_cast<int>(std::min<qint64>(left, INT_MAX)));
    }
    return true;
}
