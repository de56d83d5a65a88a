#include "ScriptedPrompts.h"

namespace {

// The next scripted item, or none when the script has run out.
template <class T>
std::optional<T> TakeFront(std::deque<std::optional<T>>& script)
{
    std::optional<T> next;
    if (!script.empty()) {
        next.swap(script.front());
        script.pop_front();
    }
    return next;
}

} // namespace

QList<ScriptedPrompts::Shown> ScriptedPrompts::shown() const
{
    QMutexLocker lock(&mutex_);
    return shown_;
}

QStringList ScriptedPrompts::texts_of(const QString& kind) const
{
    QMutexLocker lock(&mutex_);
    QStringList out;
    for (const auto& s : shown_)
        if (s.kind == kind)
            out << s.text;
    return out;
}

void ScriptedPrompts::clear()
{
    QMutexLocker lock(&mutex_);
    shown_.clear();
}

void ScriptedPrompts::record(const QString& kind, const QString& text, const QString& title, Icon icon,
    Answer defaultButton)
{
    QMutexLocker lock(&mutex_);
    shown_.append({kind, text, title, icon, defaultButton});
}

Prompts::Answer ScriptedPrompts::nextAnswer()
{
    QMutexLocker lock(&mutex_);
    if (answers.empty())
        return defaultAnswer;
    const Answer a = answers.front();
    answers.pop_front();
    return a;
}

void ScriptedPrompts::message(Icon icon, const QString& text, const QString& title)
{
    record(QStringLiteral("message"), text, title, icon);
}

Prompts::Answer ScriptedPrompts::askYesNo(const QString& text, const QString& title, Icon icon, Answer defaultButton)
{
    record(QStringLiteral("yesno"), text, title, icon, defaultButton);
    const Answer a = nextAnswer();
    return a == Answer::Yes ? Answer::Yes : Answer::No;
}

Prompts::Answer ScriptedPrompts::askOkCancel(const QString& text, const QString& title, Icon icon,
    Answer defaultButton)
{
    record(QStringLiteral("okcancel"), text, title, icon, defaultButton);
    return nextAnswer() == Answer::Ok ? Answer::Ok : Answer::Cancel;
}

Prompts::Answer ScriptedPrompts::askYesCancel(const QString& text, const QString& title, Icon icon)
{
    record(QStringLiteral("yescancel"), text, title, icon);
    return nextAnswer() == Answer::Yes ? Answer::Yes : Answer::Cancel;
}

void ScriptedPrompts::balloon(const QString& text, const QString& title, Icon icon, int)
{
    record(QStringLiteral("balloon"), text, title, icon);
}

std::optional<QString> ScriptedPrompts::askText(const QString& prompt, const QString& title, bool)
{
    record(QStringLiteral("text"), prompt, title, Icon::None);
    QMutexLocker lock(&mutex_);
    return TakeFront(texts);
}

std::optional<Prompts::FileChosen> ScriptedPrompts::chooseSaveFile(const FileChoice& choice)
{
    return chooseFile(QStringLiteral("save"), choice);
}

std::optional<Prompts::FileChosen> ScriptedPrompts::chooseOpenFile(const FileChoice& choice)
{
    return chooseFile(QStringLiteral("open"), choice);
}

std::optional<Prompts::FileChosen> ScriptedPrompts::chooseFile(const QString& kind, const FileChoice& choice)
{
    record(kind, choice.proposedName, choice.title, Icon::None);
    QMutexLocker lock(&mutex_);
    fileChoices.append(choice);
    return TakeFront(files);
}

bool ScriptedPrompts::openPath(const QString& path, OpenVerb)
{
    record(QStringLiteral("openpath"), path, {}, Icon::None);
    QMutexLocker lock(&mutex_);
    openedPaths << path;
    return true;
}
