#include "CliSession.h"
#include "Commands.h"
#include "ExitCode.h"
#include "instrument/Measurement.h"
#include "session/InstrumentIdentity.h"
#include "session/KeepAlive.h"

#include <cstdio>

namespace {

QString afterColon(const QString& panelText) { return panelText.section(QLatin1Char(':'), 1).trimmed(); }

void printRow(const QString& name, const QString& value)
{
    std::fputs((name + QStringLiteral(": ") + value + QLatin1Char('\n')).toLocal8Bit().constData(), stdout);
}

} // namespace

// Connects, runs connection control and prints what it read.
CliCommand InfoCommand()
{
    CliCommand command;
    command.name = QStringLiteral("info");
    command.summary = QStringLiteral("Connect and show the instrument's identity, dates, configuration, memory, "
                                     "clock error and schedule state.");
    command.run = [](CliSession& session, const QStringList&, const QCommandLineParser&) {
        const int status = session.connect();
        if (status != ExitOk)
            return status;
        const InstrumentInfo& info = session.instrument();
        // The identity as the Configure page shows it, then what the command line adds.
        for (const IdentityRow& row : InstrumentIdentityRows(info, true))
            printRow(row.name, row.value);
        const QList<IdentityRow> more{
            {QStringLiteral("Mode"), QStringLiteral("%1 (%2)").arg(info.Mode).arg(tolviM::ModeName(info.Mode))},
            {QStringLiteral("Limit"), QStringLiteral("%1 (%2)").arg(info.Limit).arg(tolviM::LimitName(info.Limit))},
            {QStringLiteral("Calibration"),
                info.CalibrationValid ? QStringLiteral("valid") : QStringLiteral("not calibrated")},
            {QStringLiteral("Schedule"), afterColon(ScheduleStateText(info))},
            {QStringLiteral("Record folder"), info.RecordFolder},
        };
        for (const IdentityRow& row : more)
            printRow(row.name, row.value);
        return int(ExitOk);
    };
    return command;
}
