#pragma once
#include "shell/Prompts.h"

#include <QString>
#include <optional>

class SessionLog;

// Prompts on a terminal. Messages go to stderr as one line each, beginning
// "tolvi-cli: " (an information message is a notice: "note: "); balloons
// only to the session log. A confirmation is Yes with --yes, asked on the
// terminal when there is one, and refused otherwise; a password comes from
// --password (or TOLVI_PASSWORD), else from the terminal. File choices are
// declined: a command takes the files it writes or reads as arguments.
class CliPrompts : public Prompts {
public:
    CliPrompts(SessionLog& log, bool assumeYes, std::optional<QString> password);

    void message(Icon icon, const QString& text, const QString& title) override;
    // A notice: one line "note: " + text on stderr.
    void note(const QString& text);
    Answer askYesNo(const QString& text, const QString& title, Icon icon, Answer defaultButton = Answer::Yes) override;
    // As askYesNo, with the default answer shown in capitals and taken by an empty line.
    Answer askOkCancel(const QString& text, const QString& title, Icon icon, Answer defaultButton) override;
    Answer askYesCancel(const QString& text, const QString& title, Icon icon) override;
    void balloon(const QString& text, const QString& title, Icon icon, int timeoutMs) override;
    std::optional<QString> askText(const QString& prompt, const QString& title, bool secret) override;
    std::optional<FileChosen> chooseSaveFile(const FileChoice& choice) override;
    std::optional<FileChosen> chooseOpenFile(const FileChoice& choice) override;
    bool openPath(const QString& path, OpenVerb verb) override;

    // True once a confirmation or password was refused.
    bool refused() const { return refused_; }

    // A text as one line: line breaks become single blanks.
    static QString oneLine(const QString& text);

private:
    bool interactive() const;
    // --yes, the terminal's answer or a refusal; an empty line gives yesByDefault.
    bool confirmed(const QString& text, bool yesByDefault);
    std::optional<QString> readLine(const QString& prompt, bool secret);

    SessionLog& log_;
    bool assumeYes_;
    std::optional<QString> password_;
    bool refused_ = false;
    bool passwordMissing_ = false;   // a password was asked for and none could be had
};
