#pragma once
#include "shell/Prompts.h"

// Prompts that hand everything to other prompts (the terminal's); a command
// derives from it and overrides only what it answers itself.
class ForwardingPrompts : public Prompts {
public:
    explicit ForwardingPrompts(Prompts& target) : target_(target) {}

    void message(Icon icon, const QString& text, const QString& title) override { target_.message(icon, text, title); }
    Answer askYesNo(const QString& text, const QString& title, Icon icon, Answer defaultButton = Answer::Yes) override
    {
        return target_.askYesNo(text, title, icon, defaultButton);
    }
    Answer askOkCancel(const QString& text, const QString& title, Icon icon, Answer defaultButton) override
    {
        return target_.askOkCancel(text, title, icon, defaultButton);
    }
    Answer askYesCancel(const QString& text, const QString& title, Icon icon) override
    {
        return target_.askYesCancel(text, title, icon);
    }
    void balloon(const QString& text, const QString& title, Icon icon, int timeoutMs) override
    {
        target_.balloon(text, title, icon, timeoutMs);
    }
    std::optional<QString> askText(const QString& prompt, const QString& title, bool secret) override
    {
        return target_.askText(prompt, title, secret);
    }
    std::optional<FileChosen> chooseSaveFile(const FileChoice& choice) override { return target_.chooseSaveFile(choice); }
    std::optional<FileChosen> chooseOpenFile(const FileChoice& choice) override { return target_.chooseOpenFile(choice); }
    bool openPath(const QString& path, OpenVerb verb) override { return target_.openPath(path, verb); }

private:
    Prompts& target_;
};
