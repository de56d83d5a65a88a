#include "InstrumentThread.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

InstrumentThread::InstrumentThread(QObject* parent)
    : QObject(parent)
{
    thread_.setObjectName(QStringLiteral("instrument"));
    worker_ = new QObject;
    worker_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    thread_.start();
}

InstrumentThread::~InstrumentThread()
{
    shutdown();
}

void InstrumentThread::submit(const QString& name, Job job, std::function<void()> done)
{
    if (!thread_.isRunning())
        return;
    if (pending_++ == 0) {
        // A new run of work: forget a cancel request of the previous one.
        // Within a run a cancel stays, so closing stops the queued jobs too.
        cancel_.reset();
        current_ = name;
        Q_EMIT busyChanged(true);
    }
    QMetaObject::invokeMethod(worker_, [this, name, job = std::move(job), done = std::move(done)]() {
        if (job)
            job();
        QMetaObject::invokeMethod(this, [this, name, done]() { finished(name, done); }, Qt::QueuedConnection);
    }, Qt::QueuedConnection);
}

void InstrumentThread::finished(const QString& name, const std::function<void()>& done)
{
    if (done)
        done();
    Q_EMIT jobFinished(name);
    if (--pending_ == 0) {
        current_.clear();
        Q_EMIT busyChanged(false);
    }
}

bool InstrumentThread::waitUntilIdle(int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (pending_ > 0 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    return pending_ == 0;
}

void InstrumentThread::shutdown()
{
    if (!thread_.isRunning())
        return;
    cancel_.request();
    thread_.quit();
    // A job may be waiting for an answer from the GUI thread (a prompt
    // marshalled with a blocking call); deliver those calls while waiting so
    // the job can finish instead of both threads waiting for each other.
    while (!thread_.wait(20))
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
}
