#include "CliSession.h"
#include "Commands.h"
#include "ExitCode.h"
#include "MemoryCommands.h"
#include "config/SensorRefresh.h"
#include "link/InstrumentLink.h"
#include "session/KeepAlive.h"

#include <QRegularExpression>
#include <cstdio>

namespace {

// The refresh's progress on standard output: one line for every new step
// or cycle (the time left, which changes every moment, is left out).
class CycleLines : public OperationObserver {
public:
    void statusText(int panel, const QString& text) override
    {
        static const QRegularExpression timeLeft(QStringLiteral(R"( \([0-9:]+ left\)$)"));
        if (panel != 1 || text.isEmpty())
            return;
        const QString line = QString(text).remove(timeLeft);
        if (line == last_)
            return;
        last_ = line;
        std::fputs((line + QLatin1Char('\n')).toLocal8Bit().constData(), stdout);
        std::fflush(stdout);
    }

private:
    QString last_;
};

int runRefreshSensor(CliSession& session, const QStringList&, const QCommandLineParser&)
{
    const int status = session.connect();
    if (status != ExitOk)
        return status;
    CancelToken cancel;
    CycleLines progress;
    SensorRefreshContext context{session.services(), session.link(), session.instrument(), progress, cancel,
        ScheduleStateText(session.instrument())};
    SensorRefreshOutcome outcome;
    {
        // Ctrl-C stops after the running cycle; TEST mode is still left and the settings restored.
        InterruptCancels interrupt(cancel);
        outcome = RefreshSensor(context);
        session.link().setCancelToken(nullptr);
    }
    switch (outcome) {
    case SensorRefreshOutcome::Refreshed:
        return ExitOk;
    case SensorRefreshOutcome::ScheduleNotDisabled:
        return ExitRefused;
    case SensorRefreshOutcome::NotConfirmed:
        session.error(QStringLiteral("the sensor refresh was not confirmed (use --yes)"));
        return ExitRefused;
    case SensorRefreshOutcome::Cancelled:
        session.error(QStringLiteral("sensor refresh cancelled; the instrument left TEST mode and has its settings back"));
        return ExitFailed;
    case SensorRefreshOutcome::BadParameters:
    case SensorRefreshOutcome::NotSaved:
    case SensorRefreshOutcome::NotRefreshed:
    case SensorRefreshOutcome::RestoreIncomplete:
        break;   // the reason is on stderr already
    }
    return ExitFailed;
}

} // namespace

// Runs the sensor refresh after a confirmation (or --yes).
CliCommand RefreshSensorCommand()
{
    CliCommand command;
    command.name = QStringLiteral("refresh-sensor");
    command.summary = QStringLiteral("Refresh the sensor: test cycles as set in section \"Refresh\" of app.txt "
                                     "(Ctrl-C stops after the running cycle and still restores).");
    command.run = runRefreshSensor;
    return command;
}
