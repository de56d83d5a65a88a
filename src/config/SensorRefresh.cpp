#include "config/SensorRefresh.h"

#include "config/RefreshParameters.h"
#include "instrument/AddHistory.h"
#include "instrument/EepromMap.h"
#include "instrument/InstrumentInfo.h"
#include "instrument/EepromAccess.h"
#include "instrument/TestMode.h"
#include "link/InstrumentLink.h"
#include "shell/Bits.h"
#include "shell/ErrorReport.h"
#include "shell/Operation.h"
#include "shell/Picture.h"
#include "shell/Prompts.h"
#include "shell/Services.h"
#include "shell/SessionLog.h"
#include "shell/StartupFiles.h"
#include "shell/SystemInfo.h"

#include <QDeadlineTimer>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>
#include <stdexcept>

namespace {

using namespace tolviM;

// The soft timer that times each cycle.
constexpr int CycleTimer = 2;
// How often the time left is brought up to date while a cycle runs.
constexpr int CycleTickMs = 250;

// The saved settings are read and the refresh's written with the usual repeats.
constexpr int Retries = 5;

const QString DoneText = RefreshingText + QStringLiteral(" [Done]");
const QString CancelledText = QStringLiteral("Sensor refresh cancelled; the pump and valve settings are as they were.");
const QString RefreshedMessage = QStringLiteral("The sensor has been refreshed, disconnect from the instrument and "
                                                "turn off for about an hour before using it again.");

QByteArray HexBytes(const QByteArray& bytes) { return bytes.toHex().toUpper(); }
QByteArray HexByte(int value) { return HexL(value, 2).toLatin1(); }

// The pump and valve bytes as they were before the refresh.
struct SavedSettings {
    QByteArray pumpRunTime;   // the byte at 0x0020
    QByteArray valveBlock;    // the bytes at 0x0042 to 0x0046

    // One attempt at writing each back.
    bool restorePump(InstrumentLink& link, SessionLog& log) const
    {
        return WriteEeprom(link, log, EepromMap::PumpTime, HexBytes(pumpRunTime), 0);
    }
    bool restoreBlock(InstrumentLink& link, SessionLog& log) const
    {
        return WriteEeprom(link, log, EepromMap::PumpValveBlock, HexBytes(valveBlock), 0);
    }
    // The writes as a person types them at the service terminal.
    QString byHand() const
    {
        return QString::fromLatin1(EepromWriteText(EepromMap::PumpTime, HexBytes(pumpRunTime)) + " and "
            + EepromWriteText(EepromMap::PumpValveBlock, HexBytes(valveBlock)));
    }
    QString text() const
    {
        return QStringLiteral("0x0020 = %1, 0x0042 to 0x0046 = %2")
            .arg(QString::fromLatin1(HexBytes(pumpRunTime)), QString::fromLatin1(valveBlock.toHex(' ').toUpper()));
    }
};

// While it lives, cancel requests do not cut the link's exchanges and waits
// short: leaving TEST mode and the restore must run after a cancel too.
class CancelIgnored {
public:
    CancelIgnored(InstrumentLink& link, CancelToken& cancel) : link_(link), cancel_(cancel)
    {
        link_.setCancelToken(nullptr);
    }
    ~CancelIgnored() { link_.setCancelToken(&cancel_); }
    CancelIgnored(const CancelIgnored&) = delete;
    CancelIgnored& operator=(const CancelIgnored&) = delete;

private:
    InstrumentLink& link_;
    CancelToken& cancel_;
};

class Refresh {
public:
    explicit Refresh(SensorRefreshContext& c) : c_(c), log_(c.services.log) {}

    SensorRefreshOutcome run()
    {
        if (!c_.scheduleStatus.contains(QLatin1String("Disabled"))) {
            c_.services.prompts.message(Prompts::Icon::Information, QStringLiteral("You must disable the schedule first"));
            return SensorRefreshOutcome::ScheduleNotDisabled;
        }
        try {
            parameters_ = ReadRefreshParameters(AppSettingsPath(c_.services.paths));
        } catch (const std::exception& e) {
            ReportError(log_, c_.services.prompts, ErrorSite{"btnDiagnoseProblem_Click", "frmMain", true}, 6,
                QString::fromStdString(e.what()));
            return SensorRefreshOutcome::BadParameters;
        }
        if (c_.services.prompts.askYesCancel(RefreshQuestion(parameters_)) != Prompts::Answer::Yes) {
            finish();
            return SensorRefreshOutcome::NotConfirmed;
        }
        c_.link.setCancelToken(&c_.cancel);
        const SensorRefreshOutcome outcome = refresh();
        finish();
        // A cancel is said where the user looks; the other outcomes have their own boxes.
        if (outcome == SensorRefreshOutcome::Cancelled)
            c_.observer.statusText(1, CancelledText);
        return outcome;
    }

private:
    SensorRefreshOutcome refresh()
    {
        c_.observer.statusText(1, RefreshingText);
        log_.debugMessage(QStringLiteral("Refreshing sensor..."), SessionLog::Detail);
        log_.debugMessage(QStringLiteral("Getting current HHU Pump & Valve settings"), SessionLog::Detail);
        const std::optional<SavedSettings> saved = save();
        if (!saved) {
            EndSensorRefresh(c_.link);
            if (c_.cancel.isRequested())
                return SensorRefreshOutcome::Cancelled;
            tellNotRefreshed();
            return SensorRefreshOutcome::NotSaved;
        }
        log_.debugMessage(QStringLiteral("Saved pump and valve settings: ") + saved->text(), SessionLog::Detail);

        bool cycled = false;
        if (overwrite()) {
            EnterTestMode(c_.link);
            log_.debugMessage(QStringLiteral("Entering 'TEST' mode..."), SessionLog::Detail);
            if (StartTest(c_.link, log_))
                cycled = cycles();
        }

        const CancelIgnored restoring(c_.link, c_.cancel);
        log_.debugMessage(QStringLiteral("Exiting 'TEST' mode..."), SessionLog::Detail);
        // Every exchange discards what is waiting on the line before it sends.
        const bool leftTestMode =
            repeatUntilAnswered([&] { return LeaveTestMode(c_.link, log_); }, QStringLiteral("Exiting 'TEST' mode"));
        log_.debugMessage(QStringLiteral("Restoring old settings...."), SessionLog::Detail);
        const bool pumpRestored = repeatUntilAnswered([&] { return saved->restorePump(c_.link, log_); },
            QStringLiteral("Restoring the pump run time"));
        const bool blockRestored = repeatUntilAnswered([&] { return saved->restoreBlock(c_.link, log_); },
            QStringLiteral("Restoring the pump and valve settings"));
        EndSensorRefresh(c_.link);

        if (!leftTestMode || !pumpRestored || !blockRestored) {
            reportUnfinished(*saved, leftTestMode, pumpRestored && blockRestored);
            return SensorRefreshOutcome::RestoreIncomplete;
        }
        if (cycled) {
            c_.services.prompts.message(Prompts::Icon::Information, RefreshedMessage);
            return SensorRefreshOutcome::Refreshed;
        }
        if (c_.cancel.isRequested())
            return SensorRefreshOutcome::Cancelled;
        tellNotRefreshed();
        return SensorRefreshOutcome::NotRefreshed;
    }

    std::optional<SavedSettings> save()
    {
        const auto pump = ReadEeprom(c_.link, log_, EepromMap::PumpTime, 1, Retries);
        if (!pump)
            return std::nullopt;
        const auto block = ReadEeprom(c_.link, log_, EepromMap::PumpValveBlock, EepromMap::PumpValveSavedBytes, Retries);
        if (!block)
            return std::nullopt;
        return SavedSettings{*pump, *block};
    }

    // The refresh's pump run time, and valve mode 1 (timed), valve delay 0
    // and the same valve run time.
    bool overwrite()
    {
        log_.debugMessage(QStringLiteral("Overwriting the settings..."), SessionLog::Detail);
        const QByteArray prt = HexByte(parameters_.pumpRunTenths);
        if (!WriteEeprom(c_.link, log_, EepromMap::PumpTime, prt, Retries))
            return false;
        return WriteEeprom(c_.link, log_, EepromMap::PumpValveBlock, "0100" + prt, Retries);
    }

    // Runs the cycles; false when a cancel stopped them before the last.
    bool cycles()
    {
        const int count = parameters_.cycles;
        const double length = parameters_.cycleSeconds;
        for (int i = 1; i <= count; ++i) {
            if (c_.cancel.isRequested()) {
                log_.debugMessage(QStringLiteral("Sensor refresh stopped after %1 of %2 cycles.").arg(i - 1).arg(count),
                    SessionLog::Note);
                return false;
            }
            c_.link.timers().BackgroundTimerSet(CycleTimer, length);
            // The soft timer follows the wall clock; the deadline keeps the
            // cycle bounded should the clock be set back.
            const QDeadlineTimer deadline(qint64(std::ceil(length * 1000)));
            const QString text = RefreshCycleText(i, count);
            log_.debugMessage(text, SessionLog::Note);
            StartSamplingCycle(c_.link);
            do {
                showCycle(text, i, count, deadline.remainingTime() / 1000.0);
                QThread::msleep(static_cast<unsigned long>(std::clamp<qint64>(deadline.remainingTime(), 0, CycleTickMs)));
            } while (c_.link.timers().BackgroundTimer(CycleTimer) && !deadline.hasExpired());
        }
        c_.observer.progress(100);
        c_.observer.statusText(1, DoneText);
        return true;
    }

    void showCycle(const QString& text, int cycle, int count, double secondsLeftInCycle)
    {
        const double length = parameters_.cycleSeconds;
        const double total = count * length;
        const double left = std::max(0.0, (count - cycle) * length + secondsLeftInCycle);
        if (total > 0)
            c_.observer.progress(int((total - left) * 100 / total));
        const QString note = c_.cancel.isRequested()
            ? QStringLiteral("stopping after this cycle")
            : FormatDays(std::round(left) / 86400.0, QStringLiteral("h:mm:ss")) + QStringLiteral(" left");
        c_.observer.statusText(1, text + QStringLiteral(" (") + note + QLatin1Char(')'));
    }

    // Sends the request until the instrument answers as expected, pausing
    // after every attempt; gives up after the attempts of the link's timing.
    bool repeatUntilAnswered(const std::function<bool()>& attempt, const QString& step)
    {
        const ProtocolTiming& timing = c_.link.timing();
        const int attempts = std::max(1, timing.testModeAttempts);
        for (int tried = 1; tried <= attempts; ++tried) {
            const bool answered = attempt();
            c_.link.WaitFor(timing.testModeRetryPauseSeconds);
            if (answered)
                return true;
            c_.observer.statusText(1, QStringLiteral("%1... (no answer, attempt %2 of %3)").arg(step).arg(tried).arg(attempts));
        }
        log_.debugMessage(QStringLiteral("%1: no answer from the instrument after %2 attempts; giving up.")
                              .arg(step)
                              .arg(attempts),
            SessionLog::Problem);
        return false;
    }

    void reportUnfinished(const SavedSettings& saved, bool leftTestMode, bool restored)
    {
        const QString bytes = saved.text();
        const QString byHand = saved.byHand();
        log_.debugMessage(QStringLiteral("Sensor refresh unfinished: instrument %1, settings %2. Saved settings: %3; "
                                         "restore by hand with %4.")
                              .arg(leftTestMode ? QStringLiteral("left TEST mode") : QStringLiteral("may still be in TEST mode"),
                                  restored ? QStringLiteral("restored") : QStringLiteral("may not be restored"), bytes, byHand),
            SessionLog::Problem);
        QStringList history{QStringLiteral("::: Sensor refresh by ") + GetUserName() + QStringLiteral(" did not finish")};
        if (!leftTestMode)
            history << QStringLiteral(": The instrument did not answer when asked to leave TEST mode.");
        if (!restored)
            history << QStringLiteral(": The pump and valve settings may not have been restored.");
        history << QStringLiteral(": Saved settings: ") + bytes << QStringLiteral(": Restore by hand with ") + byHand;
        for (const QString& line : history)
            AddHistory(c_.services, c_.info.RecordFolder, line);

        QString text = QStringLiteral("The instrument stopped answering during the sensor refresh.");
        if (!leftTestMode)
            text += QStringLiteral(" It may still be in TEST mode.");
        if (!restored)
            text += QStringLiteral(" Its pump and valve settings may not have been restored.");
        text += QStringLiteral("\r\n\r\nThe settings saved before the refresh were ") + bytes
            + QStringLiteral(" (the session log and the instrument's history hold them too). Check the instrument and "
                             "its pump and valve settings before using it again.");
        c_.services.prompts.message(Prompts::Icon::Exclamation, text);
    }

    void tellNotRefreshed()
    {
        log_.debugMessage(QStringLiteral("Sensor not refreshed: the instrument did not answer."), SessionLog::Warning);
        c_.services.prompts.message(Prompts::Icon::Exclamation,
            QStringLiteral("The sensor has not been refreshed: the instrument did not answer."));
    }

    void finish()
    {
        c_.observer.progress(-1);
        c_.observer.statusText(1, QString());
        log_.debugMessage(QStringLiteral("Done!"), SessionLog::Detail);
    }

    SensorRefreshContext& c_;
    SessionLog& log_;
    RefreshParameters parameters_;
};

} // namespace

SensorRefreshOutcome RefreshSensor(SensorRefreshContext& context)
{
    return Refresh(context).run();
}

QString RefreshCycleText(int cycle, int cycles)
{
    return RefreshingText + QStringLiteral(" [Cycle %1 of %2]").arg(cycle).arg(cycles);
}

bool SensorRefreshCancelGesture(const QString& panel1Text, CancelToken& cancel, Services& services)
{
    if (!panel1Text.startsWith(RefreshingText + QStringLiteral(" [Cycle")))
        return false;
    cancel.request();
    services.log.debugMessage(QStringLiteral("Sensor refresh cancelled by user..."), SessionLog::Info);
    return true;
}
