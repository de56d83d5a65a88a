#include "MemoryCommands.h"

#include "CliSession.h"
#include "ExitCode.h"

#include <atomic>
#include <cstdio>
#include <unistd.h>

namespace {
constexpr int kRewriteMs = 200;
// The token the signal handler cancels; set only while a download runs.
std::atomic<CancelToken*> interruptTarget{nullptr};

void requestCancel(int)
{
    if (CancelToken* token = interruptTarget.load())
        token->request();
}
}

TerminalProgress::TerminalProgress() : terminal_(::isatty(STDERR_FILENO) == 1) { sinceWrite_.start(); }

TerminalProgress::~TerminalProgress() { finish(); }

void TerminalProgress::statusText(int panel, const QString& text)
{
    if (panel != 1)
        return;
    pending_ = text;
    if (terminal_ && sinceWrite_.elapsed() >= kRewriteMs)
        write(text);
}

void TerminalProgress::write(const QString& text)
{
    std::fputs(("\r\033[K" + text).toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    lineOpen_ = true;
    sinceWrite_.restart();
}

void TerminalProgress::finish()
{
    if (!pending_.isEmpty() && terminal_)
        write(pending_);
    pending_.clear();
    if (lineOpen_)
        std::fputs("\n", stderr);
    lineOpen_ = false;
}

InterruptCancels::InterruptCancels(CancelToken& token)
{
    interruptTarget.store(&token);
    struct sigaction action{};
    action.sa_handler = requestCancel;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previous_);
}

InterruptCancels::~InterruptCancels()
{
    sigaction(SIGINT, &previous_, nullptr);
    interruptTarget.store(nullptr);
}

int ConnectForSlots(CliSession& session, int lastSlot)
{
    const int status = session.connect();
    if (status != ExitOk)
        return status;
    const int used = session.instrument().SlotsUsed;
    if (lastSlot > used) {
        session.error(QStringLiteral("the instrument holds %1 slots").arg(used));
        return ExitUsage;
    }
    return ExitOk;
}
