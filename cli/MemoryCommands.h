#pragma once
#include "shell/Operation.h"

#include <QElapsedTimer>
#include <QString>
#include <csignal>

class CliSession;

// What the download and erase commands share.

// Connects to the instrument and checks that it holds slots up to lastSlot
// (0: no check). ExitOk, or the failure status with its message shown.
int ConnectForSlots(CliSession& session, int lastSlot);

// Status panel 1 on the terminal: the progress line rewritten in place (a
// few times a second at most) when stderr is a terminal; nothing otherwise.
class TerminalProgress : public OperationObserver {
public:
    TerminalProgress();
    ~TerminalProgress() override;
    void statusText(int panel, const QString& text) override;
    // Ends the line in progress.
    void finish();

private:
    void write(const QString& text);
    bool terminal_;
    bool lineOpen_ = false;
    QString pending_;
    QElapsedTimer sinceWrite_;
};

// Ctrl-C requests the cancel of the running download instead of ending the
// program, for as long as the object lives.
class InterruptCancels {
public:
    explicit InterruptCancels(CancelToken& token);
    ~InterruptCancels();
    InterruptCancels(const InterruptCancels&) = delete;
    InterruptCancels& operator=(const InterruptCancels&) = delete;

private:
    struct sigaction previous_{};
};
