#include "ScriptedPrompts.h"

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

void ScriptedPrompts::record(const QString& kind, const QString& text, const QString& title, Icon icon)
{
    QMutexLocker lock(&mutex_);
    shown_.append({kind, text, title, icon});
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

Prompts::Answer ScriptedPrompts::askYesNo(const QString& text, const QString& title, Icon icon)
{
    record(QStringLiteral("yesno"), text, title, icon);
    const Answer a = nextAnswer();
    return a == Answer::Yes ? Answer::Yes : Answer::No;
}

Prompts::Answer ScriptedPrompts::askYesNoCancel(const QString& text, const QString& title, Icon icon)
{
    record(QStringLiteral("yesnocancel"), text, title, icon);
    return nextAnswer();
}

void ScriptedPrompts::balloon(const QString& text, const QString& title, Icon icon, int)
{
    record(QStringLiteral("balloon"), text, title, icon);
}

std::optional<QString> ScriptedPrompts::askText(const QString& prompt, const QString& title, bool)
{
    record(QStringLiteral("text"), prompt, title, Icon::None);
    QMutexLocker lock(&mutex_);
    if (texts.empty())
        return std::nullopt;
    auto t = texts.front();
    texts.pop_front();
    return t;
}

std::optional<Prompts::FileChosen> ScriptedPrompts::chooseSaveFile(const FileChoice& choice)
{
    record(QStringLiteral("save"), choice.proposedName, choice.title, Icon::None);
    QMutexLocker lock(&mutex_);
    fileChoices.append(choice);
    if (files.empty())
        return std::nullopt;
    auto f = files.front();
    files.pop_front();
    return f;
}

std::optional<Prompts::FileChosen> ScriptedPrompts::chooseOpenFile(const FileChoice& choice)
{
    record(QStringLiteral("open"), choice.proposedName, choice.title, Icon::None);
    QMutexLocker lock(&mutex_);
    fileChoices.append(choice);
    if (files.empty())
        return std::nullopt;
    auto f = files.front();
    files.pop_front();
    return f;
}

bool ScriptedPrompts::openPath(const QString& path, OpenVerb)
{
    record(QStringLiteral("openpath"), path, {}, Icon::None);
    QMutexLocker lock(&mutex_);
    openedPaths << path;
    return true;
}
