#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

struct Services;

// The start-up options of the program. The command line is split at every
// single space (two spaces in a row give an empty piece, which is invalid);
// each piece is compared in lower case and the pieces take effect in order.
enum class StartupOption {
    Debug,           // "-d", "/d": the terminal window's debug mode
    OfferLogAtExit,  // "-l", "/l", "-lc", "/lc"
    StartHidden,     // "-m", "/m", "-small": only the tray icon at start
    UpdateCheck,     // "-u", "/u": check for updates at once
    PostInstall,     // "-p", "/p": run the post-install steps during this start
    NewPassword,     // "-n", "/n": choose a new password at once
    Invalid,         // anything else
};

struct CommandLinePiece {
    StartupOption option = StartupOption::Invalid;
    QString text;  // the piece as given
};

struct CommandLineOptions {
    QString commandLine;             // the arguments joined with single spaces
    QList<CommandLinePiece> pieces;  // in order

    bool has(StartupOption option) const;
    QStringList invalidPieces() const;
};

// args: the program's arguments without the program name.
CommandLineOptions ParseCommandLine(const QStringList& args);

// "--help" (or "-h", "/h") anywhere on the command line: the program prints
// CommandLineHelp() on standard output and ends before any window opens.
bool AsksForHelp(const QStringList& args);
// The options, one a line ("  -d, /d  ..."), for "tolvi --help".
QString CommandLineHelp();

// The information box for a piece that is no option: "Invalid argument: " + piece.
QString InvalidArgumentMessage(const QString& piece);
// Its session-log line (level 253): "Invalid argument:" + piece.
QString InvalidArgumentLogLine(const QString& piece);

// What the window does for the options that concern it. Missing handlers
// are skipped.
struct StartupOptionHandlers {
    std::function<void()> setDebugMode;
    std::function<void()> offerLogAtExit;
    std::function<void()> startHidden;
    std::function<void()> checkForUpdates;
    std::function<void()> chooseNewPassword;  // the password dialog in new-password mode, modally
};

// Applies the options in command-line order: logs what they do, marks the
// post-install run in the per-user settings for "-p", and reports every
// invalid piece (information box and a level-253 log line).
void ApplyCommandLine(const CommandLineOptions& options, Services& services, const StartupOptionHandlers& handlers);
