#include "UpdateTransfer.h"

#include "shell/Operation.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QTimer>
#include <QUrl>
#include <memory>

namespace {

constexpr int CancelPollMs = 100;
// What the reply may hold before it is handed on: the network is read no
// faster than the body is written, so memory stays bounded whatever the
// server sends.
constexpr qint64 ReadBufferBytes = 1024 * 1024;

// Receives the resource chunk by chunk; false stops the transfer with error.
using Sink = std::function<bool(const QByteArray& chunk, QString& error)>;

TransferResult fetch(const QString& address, const TransferLimits& limits, const Sink& sink,
    const std::function<void(int)>& progress, const CancelToken* cancel)
{
    TransferResult result;
    const QUrl url(address, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        result.error = QStringLiteral("not an http or https address: ") + address;
        return result;
    }

    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setTransferTimeout(limits.stallMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    std::unique_ptr<QNetworkReply> reply(manager.get(request));
    reply->setReadBufferSize(ReadBufferBytes);

    QEventLoop loop;
    QString failure;
    auto stop = [&](const QString& why) {
        if (failure.isEmpty())
            failure = why;
        reply->abort();
    };
    QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, [&] {
        const QByteArray chunk = reply->readAll();
        result.bytes += chunk.size();
        QString error;
        if (result.bytes > limits.maxBytes)
            stop(QStringLiteral("more than %1 bytes").arg(limits.maxBytes));
        else if (!sink(chunk, error))
            stop(error);
    });
    QObject::connect(reply.get(), &QNetworkReply::downloadProgress, &loop, [&](qint64 received, qint64 total) {
        if (progress && total > 0)
            progress(int(qBound(qint64(0), received * 100 / total, qint64(100))));
    });
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop,
        [&] { stop(QStringLiteral("no complete answer within %1 ms").arg(limits.deadlineMs)); });
    deadline.start(limits.deadlineMs);
    QTimer cancelPoll;
    QObject::connect(&cancelPoll, &QTimer::timeout, &loop, [&] {
        if (cancel && cancel->isRequested())
            stop(QStringLiteral("cancelled"));
    });
    cancelPoll.start(CancelPollMs);
    if (!reply->isFinished())
        loop.exec();

    if (failure.isEmpty() && reply->bytesAvailable() > 0) {
        // What arrived together with the end of the transfer.
        const QByteArray chunk = reply->readAll();
        result.bytes += chunk.size();
        if (result.bytes > limits.maxBytes)
            failure = QStringLiteral("more than %1 bytes").arg(limits.maxBytes);
        else
            sink(chunk, failure);
    }
    if (failure.isEmpty() && reply->error() != QNetworkReply::NoError) {
        failure = reply->error() == QNetworkReply::OperationCanceledError
            ? QStringLiteral("no answer for %1 ms").arg(limits.stallMs)
            : reply->errorString();
    }
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (failure.isEmpty() && (status < 200 || status > 299))
        failure = QStringLiteral("the server answered %1").arg(status);
    bool lengthKnown = false;
    const qint64 announced = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&lengthKnown);
    if (failure.isEmpty() && lengthKnown && announced != result.bytes)
        failure = QStringLiteral("%1 of %2 bytes arrived").arg(result.bytes).arg(announced);
    result.error = failure;
    result.ok = failure.isEmpty();
    return result;
}

} // namespace

TransferResult FetchToMemory(const QString& address, const TransferLimits& limits, QByteArray& content,
    const CancelToken* cancel)
{
    QByteArray received;
    const TransferResult result = fetch(address, limits, [&](const QByteArray& chunk, QString&) {
        received += chunk;
        return true;
    }, {}, cancel);
    if (result.ok)
        content = received;
    return result;
}

TransferResult FetchToFile(const QString& address, const QString& destination, const TransferLimits& limits,
    const std::function<void(int percent)>& progress, const CancelToken* cancel)
{
    QSaveFile file(destination);
    if (!file.open(QIODevice::WriteOnly)) {
        TransferResult result;
        result.error = QStringLiteral("cannot write beside ") + destination + QStringLiteral(": ") + file.errorString();
        return result;
    }
    TransferResult result = fetch(address, limits, [&](const QByteArray& chunk, QString& error) {
        if (file.write(chunk) == chunk.size())
            return true;
        error = QStringLiteral("cannot write ") + destination + QStringLiteral(": ") + file.errorString();
        return false;
    }, progress, cancel);
    if (!result.ok) {
        file.cancelWriting();
        return result;
    }
    if (!file.commit()) {
        result.ok = false;
        result.error = QStringLiteral("cannot replace ") + destination + QStringLiteral(": ") + file.errorString();
    }
    return result;
}
