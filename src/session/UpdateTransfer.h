#pragma once
#include <QByteArray>
#include <QString>
#include <functional>

class CancelToken;

// Bounds of one transfer from the update server.
struct TransferLimits {
    int stallMs = 30000;                     // no byte for this long ends the transfer
    int deadlineMs = 30 * 60 * 1000;         // the transfer ends at the latest after this
    qint64 maxBytes = 512LL * 1024 * 1024;   // a larger resource is refused
};

// The list is small; anything larger is not a list.
constexpr qint64 UpdateListMaxBytes = 1024 * 1024;

struct TransferResult {
    bool ok = false;
    QString error;     // why it failed; empty on success
    qint64 bytes = 0;  // bytes received
};

// Fetches a whole http or https resource into memory. Fails on a network
// error, an answer other than 2xx, fewer bytes than announced, more than
// the limit, the stall time or the deadline, or a cancel request.
TransferResult FetchToMemory(const QString& address, const TransferLimits& limits, QByteArray& content,
    const CancelToken* cancel = nullptr);

// Fetches a whole resource into destination: written to a temporary file in
// the same folder and renamed over destination only when it arrived
// complete, so a failed or short transfer leaves the previous file as it
// was. progress (optional) receives 0..100 while the size is known.
TransferResult FetchToFile(const QString& address, const QString& destination, const TransferLimits& limits,
    const std::function<void(int percent)>& progress = {}, const CancelToken* cancel = nullptr);
