#include "UpdateRunner.h"

#include <QCoreApplication>

namespace {
constexpr int StopPollMs = 20;
}

UpdateRunner::UpdateRunner(Services& services, OperationObserver& observer,
    std::function<UpdateCheckOptions()> options, QObject* parent)
    : QObject(parent), services_(services), observer_(observer), options_(std::move(options))
{
}

UpdateRunner::~UpdateRunner()
{
    stop();
}

bool UpdateRunner::start()
{
    if (thread_)
        return false;
    cancel_.reset();
    const UpdateCheckOptions options = options_();
    QThread* thread = QThread::create([this, options] {
        UpdateCheckContext context{services_, observer_, &cancel_};
        outcome_ = CheckForUpdates(context, options);
    });
    thread_ = thread;
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    connect(thread, &QThread::finished, this, [this, thread] {
        if (thread_ != thread)
            return;
        thread_ = nullptr;
        Q_EMIT finished(outcome_);
        if (outcome_.restartRequested)
            Q_EMIT restartRequested();
    });
    thread->start();
    return true;
}

void UpdateRunner::stop()
{
    QThread* thread = thread_;
    if (!thread)
        return;
    thread_ = nullptr;
    cancel_.request();
    // The check may wait for an answer from this thread (a question or a
    // balloon marshalled with a blocking call); deliver those while waiting.
    while (!thread->wait(StopPollMs))
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
}
