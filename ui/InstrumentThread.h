#pragma once
#include "shell/Operation.h"

#include <QObject>
#include <QString>
#include <QThread>
#include <functional>
#include <memory>

// The one thread that talks to the instrument. The window queues procedures
// here; they run one at a time, in order, and the window never waits for
// them. While any is queued or running the thread is busy, and the window
// keeps its instrument buttons disabled.
class InstrumentThread : public QObject {
    Q_OBJECT
public:
    using Job = std::function<void()>;

    explicit InstrumentThread(QObject* parent = nullptr);
    ~InstrumentThread() override;

    // Queues job; afterwards (on the GUI thread) runs done, if given.
    // The cancel token is reset when the thread was idle.
    void submit(const QString& name, Job job, std::function<void()> done = {});
    // Queues job; its result, taken on this thread, is handed to done by
    // value on the GUI thread, so done never reads what the instrument
    // thread owns.
    template <typename Result>
    void submit(const QString& name, std::function<Result()> job, std::function<void(Result)> done)
    {
        auto result = std::make_shared<Result>();
        submit(name, [job = std::move(job), result] { *result = job(); },
            [done = std::move(done), result] { done(std::move(*result)); });
    }
    bool isBusy() const { return pending_ > 0; }
    // The name of the job running or queued first; empty when idle.
    QString currentJob() const { return current_; }

    // The cancel request every queued procedure polls.
    CancelToken& cancelToken() { return cancel_; }

    // Asks the running job to stop and waits until the queue is drained and
    // the thread has ended (the window's close).
    void shutdown();

    // Runs the event loop until the queue is empty or timeoutMs passed;
    // true when it emptied. For tests.
    bool waitUntilIdle(int timeoutMs);

    QThread* thread() { return &thread_; }

Q_SIGNALS:
    void busyChanged(bool busy);
    void jobFinished(const QString& name);

private:
    void finished(const QString& name, const std::function<void()>& done);

    QThread thread_;
    QObject* worker_ = nullptr;
    CancelToken cancel_;
    int pending_ = 0;       // touched on the GUI thread only
    QString current_;
};
