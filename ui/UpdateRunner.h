#pragma once
#include "session/UpdateCheck.h"
#include "shell/Operation.h"

#include <QObject>
#include <QPointer>
#include <QThread>
#include <functional>

struct Services;

// Runs the software update check on a thread of its own, one check at a
// time, so the window never waits for the server and instrument work goes
// on meanwhile. Questions, balloons and the status bar reach the window
// through the services' prompts and the observer, both callable from any
// thread.
class UpdateRunner : public QObject {
    Q_OBJECT
public:
    // options: the check's options, read when a check starts.
    UpdateRunner(Services& services, OperationObserver& observer, std::function<UpdateCheckOptions()> options,
        QObject* parent = nullptr);
    ~UpdateRunner() override;

    // Starts a check; false (and nothing happens) while one runs.
    bool start();
    bool isRunning() const { return thread_ != nullptr; }
    // Stops a running check and waits for it to end (the window's close).
    void stop();

Q_SIGNALS:
    // On the window's thread, once a check has ended.
    void finished(const UpdateOutcome& outcome);
    // The user agreed to restart after an update: the window closes.
    void restartRequested();

private:
    Services& services_;
    OperationObserver& observer_;
    std::function<UpdateCheckOptions()> options_;
    CancelToken cancel_;
    QPointer<QThread> thread_;
    UpdateOutcome outcome_;
};
