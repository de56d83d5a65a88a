#pragma once
#include "CliOutput.h"
#include "shell/ForwardingPrompts.h"
#include "config/SettingsActions.h"
#include "config/SettingsPageModel.h"
#include "shell/Operation.h"

#include <QCommandLineParser>
#include <QString>
#include <optional>

class CliSession;
class CliPrompts;

// The page's own messages (the warning about sampling at the button press)
// are notices on the command line, not errors: the setting stands all the same.
class NoticePrompts : public ForwardingPrompts {
public:
    explicit NoticePrompts(CliPrompts& terminal);
    void message(Icon icon, const QString& text, const QString& title) override;

private:
    CliPrompts& terminal_;
};

// What the Settings page's commands share: the page's context on the
// command line, its refresh, option parsing with range checks, output.

// Status panel 1 messages of the page's actions, printed as lines on stdout.
class PanelPrinter : public OperationObserver {
public:
    void statusText(int panel, const QString& text) override;
};

// The connected session's Settings page: context, printer and the page
// model after its refresh.
struct SettingsSession {
    explicit SettingsSession(CliSession& session);
    // Reads the page as the window does after connecting.
    void refresh();

    CliSession& cli;
    PanelPrinter printer;
    SettingsContext context;
    SettingsPageModel page;
    SettingsReading reading;
};

// The exit status of an action's outcome.
int OutcomeStatus(CliSession& session, SettingsOutcome outcome);

// An option's value read as a number of tenths (scale 10) or hundredths (100)
// within min..max (in those units); nothing when the option is absent.
// Sets error to the usage text when the value is not a number in range or
// not a whole step (named with unit, " s" or " ppm").
std::optional<int> ScaledOption(const QCommandLineParser& parser, const QString& name, int scale, int min, int max,
    const QString& unit, QString& error);
// An option's value from a list of words; its index, nothing when absent.
std::optional<int> WordOption(const QCommandLineParser& parser, const QString& name, const QStringList& words,
    QString& error);
