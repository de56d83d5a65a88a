#include "CliPrompts.h"

#include "shell/SessionLog.h"

#include <QRegularExpression>
#include <cstdio>
#include <iostream>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

// Switches terminal echo off for the lifetime of the object.
class EchoOff {
public:
    EchoOff()
    {
        active_ = tcgetattr(STDIN_FILENO, &saved_) == 0;
        if (active_) {
            termios quiet = saved_;
            quiet.c_lflag &= ~tcflag_t(ECHO);
            tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
        }
    }
    ~EchoOff()
    {
        if (active_)
            tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    termios saved_{};
    bool active_ = false;
};

// Error lines begin with the program's name, notices with "note: ".
void toStderr(const QString& line, const QString& head = QStringLiteral("tolvi-cli: "))
{
    std::fputs((head + line + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

} // namespace

CliPrompts::CliPrompts(SessionLog& log, bool assumeYes, std::optional<QString> password)
    : log_(log), assumeYes_(assumeYes), password_(std::move(password))
{
}

QString CliPrompts::oneLine(const QString& text)
{
    static const QRegularExpression breaks(QStringLiteral("\\s*[\\r\\n]+\\s*"));
    return QString(text).replace(breaks, QStringLiteral(" ")).trimmed();
}

bool CliPrompts::interactive() const { return isatty(STDIN_FILENO) && isatty(STDERR_FILENO); }

std::optional<QString> CliPrompts::readLine(const QString& prompt, bool secret)
{
    std::fputs(prompt.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    std::string line;
    bool ok = false;
    if (secret) {
        EchoOff quiet;
        ok = bool(std::getline(std::cin, line));
        std::fputs("\n", stderr);
    } else {
        ok = bool(std::getline(std::cin, line));
    }
    if (!ok)
        return std::nullopt;
    return QString::fromLocal8Bit(line.c_str());
}

void CliPrompts::note(const QString& text)
{
    log_.debugMessage(oneLine(text), SessionLog::Info);
    toStderr(oneLine(text), QStringLiteral("note: "));
}

void CliPrompts::message(Icon icon, const QString& text, const QString&)
{
    if (icon == Icon::Information) {
        note(text);
        return;
    }
    if (passwordMissing_) {
        // The caller's own complaint about the password it could not get adds
        // nothing to the line that already said why.
        passwordMissing_ = false;
        log_.debugMessage(oneLine(text), SessionLog::Info);
        return;
    }
    toStderr(oneLine(text));
}

bool CliPrompts::confirmed(const QString& text, bool yesByDefault)
{
    if (assumeYes_)
        return true;
    if (interactive()) {
        const auto answer = readLine(oneLine(text) + (yesByDefault ? QStringLiteral(" [Y/n] ") : QStringLiteral(" [y/N] ")),
            false);
        const QString given = answer ? answer->trimmed() : QString();
        const bool yes = given.isEmpty() ? answer && yesByDefault : given.startsWith(QLatin1Char('y'), Qt::CaseInsensitive);
        refused_ = refused_ || !yes;
        return yes;
    }
    refused_ = true;
    const QString line = QStringLiteral("Not confirmed (no terminal and no --yes): ") + oneLine(text);
    log_.debugMessage(line, SessionLog::Warning);
    toStderr(line);
    return false;
}

Prompts::Answer CliPrompts::askYesNo(const QString& text, const QString&, Icon, Answer)
{
    // On the terminal every question defaults to no.
    return confirmed(text, false) ? Answer::Yes : Answer::No;
}

Prompts::Answer CliPrompts::askOkCancel(const QString& text, const QString&, Icon, Answer defaultButton)
{
    return confirmed(text, defaultButton == Answer::Ok) ? Answer::Ok : Answer::Cancel;
}

Prompts::Answer CliPrompts::askYesCancel(const QString& text, const QString& title, Icon icon)
{
    return askYesNo(text, title, icon) == Answer::Yes ? Answer::Yes : Answer::Cancel;
}

void CliPrompts::balloon(const QString& text, const QString&, Icon, int)
{
    log_.debugMessage(oneLine(text), SessionLog::Info);
}

std::optional<QString> CliPrompts::askText(const QString& prompt, const QString&, bool secret)
{
    if (secret && password_)
        return password_;
    if (interactive())
        return readLine(oneLine(prompt) + QStringLiteral(" "), secret);
    refused_ = true;
    if (secret) {
        passwordMissing_ = true;
        const QString line = QStringLiteral("No password given (no terminal to ask): use --password or TOLVI_PASSWORD.");
        log_.debugMessage(line, SessionLog::Warning);
        toStderr(line);
    }
    return std::nullopt;
}

std::optional<Prompts::FileChosen> CliPrompts::chooseSaveFile(const FileChoice&) { return std::nullopt; }
std::optional<Prompts::FileChosen> CliPrompts::chooseOpenFile(const FileChoice&) { return std::nullopt; }

bool CliPrompts::openPath(const QString& path, OpenVerb)
{
    log_.debugMessage(QStringLiteral("Not opened (command line): ") + path, SessionLog::Info);
    return false;
}
