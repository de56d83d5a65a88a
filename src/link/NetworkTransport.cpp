#include "NetworkTransport.h"

#include "PortDiscovery.h"
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

QTcpSocket* NetworkTransport::ownSocket() const
{
    return socket_ && socketThread_ == QThread::currentThread() ? socket_ : nullptr;
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

bool NetworkTransport::connectToBridge(const QString& host, int port, int timeoutMs)
{
    close();
    return port > 0 && port <= NetworkAddress::HighestPort && connectTo(host, quint16(port), timeoutMs) == Connected;
}

int NetworkTransport::connectTo(const QString& host, quint16 port, int timeoutMs)
{
    close();
    if (socket_ && socketThread_ != QThread::currentThread()) {
        // A socket is driven only from its own thread; a connect from another thread gets a new one.
        QObject::disconnect(socket_, nullptr, nullptr, nullptr);
        socket_->deleteLater();
        socket_ = nullptr;
    }
    if (!socket_) {
        socket_ = new QTcpSocket;
        socketThread_ = QThread::currentThread();
        QObject::connect(socket_, &QAbstractSocket::errorOccurred, socket_,
            [this](QAbstractSocket::SocketError error) { onError(error); }, Qt::DirectConnection);
    }
    remoteHost_ = host;
    remotePort_ = port;
    socket_->connectToHost(host, port);
    if (!socket_->waitForConnected(timeoutMs) && errorState_ == Closed) {
        // Ran out of time while still looking up or connecting.
        socket_->abort();
        lastError_ = QStringLiteral("Connection timed out");
        errorState_ = Error;
        log_.debugMessage(QStringLiteral("[NET] ") + lastError_, SessionLog::Problem);
    }
    return refreshState();
}

void NetworkTransport::close()
{
    if (QTcpSocket* s = ownSocket())
        s->abort();
    else if (socket_)
        QMetaObject::invokeMethod(socket_, &QAbstractSocket::abort, Qt::QueuedConnection);
    errorState_ = Closed;
    lastState_ = Closed;
}

int NetworkTransport::state()
{
    return ownSocket() ? refreshState() : lastState_.load();
}

int NetworkTransport::refreshState()
{
    QTcpSocket* s = socket_;
    if (s->state() == QAbstractSocket::ConnectedState && s->bytesAvailable() == 0)
        s->waitForReadyRead(0);   // notices a connection the bridge has closed
    int state = errorState_;
    switch (s->state()) {
    case QAbstractSocket::UnconnectedState: break;
    case QAbstractSocket::HostLookupState: state = ResolvingHost; break;
    case QAbstractSocket::ConnectingState: state = Connecting; break;
    case QAbstractSocket::ConnectedState: state = Connected; break;
    case QAbstractSocket::BoundState: state = Open; break;
    case QAbstractSocket::ListeningState: state = Listening; break;
    case QAbstractSocket::ClosingState: state = Closing; break;
    }
    lastState_ = state;
    return state;
}

qint64 NetworkTransport::bytesWaiting()
{
    QTcpSocket* s = ownSocket();
    if (!s)
        return 0;
    if (s->bytesAvailable() == 0 && s->state() == QAbstractSocket::ConnectedState)
        s->waitForReadyRead(0);
    return s->bytesAvailable();
}

bool NetworkTransport::readByte(char& byte)
{
    return bytesWaiting() > 0 && socket_->getChar(&byte);
}

bool NetworkTransport::send(const QByteArray& data, int timeoutMs)
{
    QTcpSocket* s = ownSocket();
    if (!s || s->state() != QAbstractSocket::ConnectedState || s->write(data) != data.size())
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
    return waitReadable(deadline, nullptr) == WaitResult::Readable;
}

bool NetworkTransport::isOpen()
{
    if (state() != Connected)
        return false;
    if (!usableHere()) {
        // The socket lives on the thread that connected it; from here a
        // request could not leave and its reply could not be read.
        log_.debugMessage(QStringLiteral("Network link is driven from another thread; request not sent."),
            SessionLog::Warning);
        return false;
    }
    return true;
}

bool NetworkTransport::write(const QByteArray& bytes)
{
    send(bytes);
    return true;
}

bool NetworkTransport::readAvailable(QByteArray& into, qsizetype maxBytes)
{
    QTcpSocket* s = ownSocket();
    if (!s)
        return false;
    if (bytesWaiting() > 0)
        into.append(s->read(maxBytes));
    return true;
}

WaitResult NetworkTransport::waitReadable(const QDeadlineTimer& deadline, const WakeUp* wake)
{
    QTcpSocket* s = ownSocket();
    if (!s)
        return WaitResult::Failed;
    while (s->bytesAvailable() == 0) {
        if (s->state() != QAbstractSocket::ConnectedState)
            return WaitResult::Failed;
        const WaitResult result = WaitReadable(static_cast<int>(s->socketDescriptor()), deadline, wake);
        if (result == WaitResult::TimedOut || result == WaitResult::Woken)
            return result;
        // Data, or the bridge closing or failing: the socket takes it in and
        // its state shows which.
        s->waitForReadyRead(0);
    }
    return WaitResult::Readable;
}

void NetworkTransport::discardInput()
{
    if (QTcpSocket* s = ownSocket()) {
        while (bytesWaiting() > 0)
            s->skip(s->bytesAvailable());
    }
}
