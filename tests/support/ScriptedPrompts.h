#pragma once
#include "shell/Prompts.h"

#include <QMutex>
#include <QStringList>
#include <deque>

// Prompts for tests: records everything shown and answers from queues.
// An unanswered question gets defaultAnswer; an unanswered file choice or
// text request is cancelled.
class ScriptedPrompts : public Prompts {
public:
    struct Shown {
        QString kind;   // "message", "yesno", "okcancel", "yescancel", "balloon", "text", "save", "open", "openpath"
        QString text;
        QString title;
        Icon icon = Icon::None;
        Answer defaultButton = Answer::Ok;   // the button Enter would press (questions only)
    };

    Answer defaultAnswer = Answer::No;
    std::deque<Answer> answers;
    std::deque<std::optional<QString>> texts;
    std::deque<std::optional<FileChosen>> files;
    QList<FileChoice> fileChoices;     // every file choice asked, as asked
    QStringList openedPaths;           // every path openPath was given

    QList<Shown> shown() const;
    // Texts of everything shown of one kind, in order.
    QStringList texts_of(const QString& kind) const;
    void clear();

    void message(Icon icon, const QString& text, const QString& title) override;
    Answer askYesNo(const QString& text, const QString& title, Icon icon, Answer defaultButton = Answer::Yes) override;
    Answer askOkCancel(const QString& text, const QString& title, Icon icon, Answer defaultButton) override;
    Answer askYesCancel(const QString& text, const QString& title, Icon icon) override;
    void balloon(const QString& text, const QString& title, Icon icon, int timeoutMs) override;
    std::optional<QString> askText(const QString& prompt, const QString& title, bool secret) override;
    std::optional<FileChosen> chooseSaveFile(const FileChoice& choice) override;
    std::optional<FileChosen> chooseOpenFile(const FileChoice& choice) override;
    bool openPath(const QString& path, OpenVerb verb) override;

private:
    void record(const QString& kind, const QString& text, const QString& title, Icon icon,
        Answer defaultButton = Answer::Ok);
    Answer nextAnswer();
    // Records the choice and gives the next scripted file (none when the script is empty).
    std::optional<FileChosen> chooseFile(const QString& kind, const FileChoice& choice);
    mutable QMutex mutex_;
    QList<Shown> shown_;
};
