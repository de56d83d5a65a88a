#pragma once
#include "shell/Prompts.h"

#include <mutex>

// Prompts that hand everything to other prompts (the terminal's), one call at
// a time, so that threads working at once may share them: a question is
// answered before the next one is put. A user of them derives from it and
// overrides only what it answers itself.
class ForwardingPrompts : public Prompts {
    Prompts& target_;
    std::mutex mutex_;

    // Defined before its callers: they take its return type from it.
    template <typename Call>
    decltype(auto) pass(Call&& call)
    {
        const std::lock_guard oneAtATime(mutex_);
        return call(target_);
    }

public:
    explicit ForwardingPrompts(Prompts& target) : target_(target) {}

    void message(Icon icon, const QString& text, const QString& title) override
    {
        pass([&](Prompts& p) { p.message(icon, text, title); });
    }
    Answer askYesNo(const QString& text, const QString& title, Icon icon, Answer defaultButton = Answer::Yes) override
    {
        return pass([&](Prompts& p) { return p.askYesNo(text, title, icon, defaultButton); });
    }
    Answer askOkCancel(const QString& text, const QString& title, Icon icon, Answer defaultButton) override
    {
        return pass([&](Prompts& p) { return p.askOkCancel(text, title, icon, defaultButton); });
    }
    Answer askYesCancel(const QString& text, const QString& title, Icon icon) override
    {
        return pass([&](Prompts& p) { return p.askYesCancel(text, title, icon); });
    }
    void balloon(const QString& text, const QString& title, Icon icon, int timeoutMs) override
    {
        pass([&](Prompts& p) { p.balloon(text, title, icon, timeoutMs); });
    }
    std::optional<QString> askText(const QString& prompt, const QString& title, bool secret) override
    {
        return pass([&](Prompts& p) { return p.askText(prompt, title, secret); });
    }
    std::optional<FileChosen> chooseSaveFile(const FileChoice& choice) override
    {
        return pass([&](Prompts& p) { return p.chooseSaveFile(choice); });
    }
    std::optional<FileChosen> chooseOpenFile(const FileChoice& choice) override
    {
        return pass([&](Prompts& p) { return p.chooseOpenFile(choice); });
    }
    bool openPath(const QString& path, OpenVerb verb) override
    {
        return pass([&](Prompts& p) { return p.openPath(path, verb); });
    }

};
