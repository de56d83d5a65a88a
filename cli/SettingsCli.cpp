#include "SettingsCli.h"

#include "CliSession.h"
#include "ExitCode.h"
#include "shell/Services.h"

#include <QLocale>
#include <cmath>
#include <cstdio>

namespace {
// How far a value times its scale may lie from a whole step: the rounding of
// a decimal text such as "2.55", not a value between two steps.
constexpr double StepTolerance = 1e-6;
}

NoticePrompts::NoticePrompts(CliPrompts& terminal) : ForwardingPrompts(terminal), terminal_(terminal) {}

void NoticePrompts::message(Icon, const QString& text, const QString&)
{
    terminal_.note(text);
}

void PanelPrinter::statusText(int panel, const QString& text)
{
    if (panel == 1)
        PrintLine(text);
}

SettingsSession::SettingsSession(CliSession& session)
    : cli(session),
      context{session.services(), session.link(), session.instrument(), printer, {}}
{
}

void SettingsSession::refresh()
{
    reading = UpdateSettingsPage(context);
    NoticePrompts notices(cli.prompts());
    page.apply(reading, notices, cli.services().appCaption);
}

int OutcomeStatus(CliSession& session, SettingsOutcome outcome)
{
    switch (outcome) {
    case SettingsOutcome::Done:
    case SettingsOutcome::Unchanged:
        return ExitOk;
    case SettingsOutcome::Refused:
        return session.failureStatus(ExitRefused);
    case SettingsOutcome::Failed:
        break;
    }
    return session.failureStatus(ExitFailed);
}

std::optional<int> ScaledOption(const QCommandLineParser& parser, const QString& name, int scale, int min, int max,
    const QString& unit, QString& error)
{
    if (!parser.isSet(name))
        return std::nullopt;
    bool ok = false;
    const double value = QLocale::c().toDouble(parser.value(name), &ok);
    const double scaled = ok ? std::nearbyint(value * scale) : 0;
    auto units = [scale](int count) { return QString::number(count / double(scale)); };
    if (!ok || !std::isfinite(value) || scaled < min || scaled > max) {
        error = QStringLiteral("--%1 takes a number from %2 to %3").arg(name, units(min), units(max));
        return std::nullopt;
    }
    // The instrument holds whole steps: a value between two would be sent as another.
    if (std::fabs(value * scale - scaled) > StepTolerance) {
        error = QStringLiteral("--%1 takes steps of %2%3; %4 is not one").arg(name, units(1), unit, parser.value(name));
        return std::nullopt;
    }
    return int(scaled);
}

std::optional<int> WordOption(const QCommandLineParser& parser, const QString& name, const QStringList& words,
    QString& error)
{
    if (!parser.isSet(name))
        return std::nullopt;
    const int index = words.indexOf(parser.value(name).toLower());
    if (index < 0) {
        error = QStringLiteral("--%1 takes %2").arg(name, words.join(QLatin1Char('|')));
        return std::nullopt;
    }
    return index;
}
