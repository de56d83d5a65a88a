#include "CommandLineOptions.h"

#include "PostInstall.h"
#include "Prompts.h"
#include "Services.h"
#include "SessionLog.h"

#include <algorithm>

namespace {

StartupOption optionFor(const QString& piece)
{
    struct Spelling { const char* text; StartupOption option; };
    static constexpr Spelling spellings[] = {
        {"-d", StartupOption::Debug}, {"/d", StartupOption::Debug},
        {"-l", StartupOption::OfferLogAtExit}, {"/l", StartupOption::OfferLogAtExit},
        {"-lc", StartupOption::OfferLogAtExit}, {"/lc", StartupOption::OfferLogAtExit},
        {"-m", StartupOption::StartHidden}, {"/m", StartupOption::StartHidden},
        {"-small", StartupOption::StartHidden},
        {"-u", StartupOption::UpdateCheck}, {"/u", StartupOption::UpdateCheck},
        {"-p", StartupOption::PostInstall}, {"/p", StartupOption::PostInstall},
        {"-n", StartupOption::NewPassword}, {"/n", StartupOption::NewPassword},
    };
    const QString lower = piece.toLower();
    for (const auto& s : spellings)
        if (lower == QLatin1String(s.text))
            return s.option;
    return StartupOption::Invalid;
}

} // namespace

bool CommandLineOptions::has(StartupOption option) const
{
    for (const auto& piece : pieces)
        if (piece.option == option)
            return true;
    return false;
}

QStringList CommandLineOptions::invalidPieces() const
{
    QStringList out;
    for (const auto& piece : pieces)
        if (piece.option == StartupOption::Invalid)
            out << piece.text;
    return out;
}

CommandLineOptions ParseCommandLine(const QStringList& args)
{
    CommandLineOptions options;
    options.commandLine = args.join(QLatin1Char(' '));
    if (options.commandLine.isEmpty())
        return options;
    for (const QString& piece : options.commandLine.split(QLatin1Char(' ')))
        options.pieces.append({optionFor(piece), piece});
    return options;
}

bool AsksForHelp(const QStringList& args)
{
    return std::any_of(args.begin(), args.end(), [](const QString& arg) {
        const QString lower = arg.toLower();
        return lower == QLatin1String("--help") || lower == QLatin1String("-h") || lower == QLatin1String("/h");
    });
}

QString CommandLineHelp()
{
    return QStringLiteral(
        "Usage: tolvi [options]\n"
        "The desktop program for the hand-held gas-concentration meter.\n"
        "\n"
        "Options (the one-dash options may also be written with \"/\" instead of \"-\"):\n"
        "  -d              debug mode of the terminal window\n"
        "  -l, -lc         offer the session log when the program ends\n"
        "  -m, -small      start hidden, with only the tray icon shown\n"
        "  -u              check for updates at once\n"
        "  -p              run the steps after an installation during this start\n"
        "  -n              choose a new user password at once\n"
        "  --demo          start the built-in simulated instrument and connect to it\n"
        "  -h, --help      print these options and end\n"
        "\n"
        "Any other argument is reported as \"Invalid argument\".\n");
}

QString InvalidArgumentMessage(const QString& piece)
{
    return QStringLiteral("Invalid argument: ") + piece;
}

QString InvalidArgumentLogLine(const QString& piece)
{
    return QStringLiteral("Invalid argument:") + piece;
}

void ApplyCommandLine(const CommandLineOptions& options, Services& services, const StartupOptionHandlers& handlers)
{
    const auto run = [](const std::function<void()>& handler) {
        if (handler)
            handler();
    };
    for (const auto& piece : options.pieces) {
        switch (piece.option) {
        case StartupOption::Debug:
            run(handlers.setDebugMode);
            break;
        case StartupOption::OfferLogAtExit:
            run(handlers.offerLogAtExit);
            break;
        case StartupOption::StartHidden:
            services.log.debugMessage(QStringLiteral("Hiding the form to the system tray at startup."), SessionLog::Info);
            run(handlers.startHidden);
            break;
        case StartupOption::UpdateCheck:
            run(handlers.checkForUpdates);
            break;
        case StartupOption::PostInstall:
            RequestPostInstall(services.perUser);
            break;
        case StartupOption::NewPassword:
            services.log.debugMessage(QStringLiteral("Setting a new password."), SessionLog::Info);
            run(handlers.chooseNewPassword);
            break;
        case StartupOption::Invalid:
            services.prompts.message(Prompts::Icon::Information, InvalidArgumentMessage(piece.text));
            services.log.debugMessage(InvalidArgumentLogLine(piece.text), SessionLog::Warning);
            break;
        }
    }
}
