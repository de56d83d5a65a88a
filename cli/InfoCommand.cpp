#include "CliSession.h"
#include "Commands.h"
#include "ExitCode.h"
#include "instrument/Measurement.h"
#include "session/KeepAlive.h"
#include "session/MainModel.h"
#include "shell/Picture.h"
#include "shell/TimeConv.h"

#include <cstdio>

namespace {

QString dateText(const QDateTime& value)
{
    return value == ZeroDate() ? QStringLiteral("unknown") : FormatDate(value, QStringLiteral("DD-MMM-YYYY"));
}

QString memoryText(const InstrumentInfo& info)
{
    if (info.SlotsTotal == 0)
        return QStringLiteral("unknown");
    return QStringLiteral("%1 of %2 slots (%3)")
        .arg(info.SlotsUsed)
        .arg(info.SlotsTotal)
        .arg(FormatNumber(double(info.SlotsUsed) / info.SlotsTotal, QStringLiteral("0%")));
}

QString clockText(const InstrumentInfo& info)
{
    if (info.PCTime == ZeroDate())
        return QStringLiteral("???");
    return ClockErrorText(ClockErrorDays(info)).section(QStringLiteral(": "), 1);
}

QString afterColon(const QString& panelText) { return panelText.section(QLatin1Char(':'), 1).trimmed(); }

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
        const InstrumentInfo& info = session.model().instrument();
        const QList<std::pair<const char*, QString>> rows{
            {"Serial number", info.SerialNumber},
            {"Firmware", info.FirmwareID},
            {"Manufactured", dateText(info.Manufactured)},
            {"Calibrated", dateText(info.Calibrated)},
            {"Serviced", dateText(info.Serviced)},
            {"Usage counter", QString::number(info.UsageCounter)},
            {"Mode", QStringLiteral("%1 (%2)").arg(info.Mode).arg(tolviM::ModeName(info.Mode))},
            {"Limit", QStringLiteral("%1 (%2)").arg(info.Limit).arg(tolviM::LimitName(info.Limit))},
            {"Calibration", info.CalibrationValid ? QStringLiteral("valid") : QStringLiteral("not calibrated")},
            {"Memory used", memoryText(info)},
            {"Clock error", clockText(info)},
            {"Schedule", afterColon(ScheduleStateText(info))},
            {"Record folder", info.RecordFolder},
        };
        for (const auto& [name, value] : rows)
            std::fputs((QString::fromLatin1(name) + QStringLiteral(": ") + value + QLatin1Char('\n'))
                           .toLocal8Bit()
                           .constData(),
                stdout);
        return int(ExitOk);
    };
    return command;
}
