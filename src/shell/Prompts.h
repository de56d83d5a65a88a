#pragma once
#include <QString>
#include <QStringList>
#include <optional>

// Everything a procedure shows to or asks of the user goes through this
// interface: message boxes, questions, tray balloons, file choices and
// "open this file". The GUI implements it with widgets (marshalled to the GUI
// thread), the command line with the terminal and --yes, tests with a
// scripted implementation that records what was shown.
// Implementations must be callable from the instrument thread.
class Prompts {
public:
    enum class Icon { None, Information, Exclamation, Critical, Question };
    enum class Answer { Ok, Yes, No, Cancel };
    enum class OpenVerb { Open, Edit, Explore };

    struct FileChoice {
        QString title;
        QStringList filters;      // e.g. "Comma Separated Values (*.csv)"
        int selectedFilter = 0;   // preselected entry of filters
        QString proposedName;     // file name (or full path) proposed
        QString defaultExtension; // without the dot
        QString folder;           // initial folder
    };
    struct FileChosen {
        QString path;
        int filterIndex = 0;      // the filter the user left selected
    };

    virtual ~Prompts() = default;

    // A message box with an OK button. An empty title means the application caption.
    virtual void message(Icon icon, const QString& text, const QString& title = {}) = 0;
    // Yes/No question; returns Yes or No. defaultButton is the answer Enter
    // gives: No for a warning whose Yes changes how the instrument works.
    virtual Answer askYesNo(const QString& text, const QString& title = {}, Icon icon = Icon::Question,
        Answer defaultButton = Answer::Yes) = 0;
    // OK/Cancel confirmation; returns Ok or Cancel. defaultButton is the
    // answer Enter gives: Cancel for a confirmation whose OK cannot be undone
    // (an erase). Where a front end has no box of its own for it, a Yes/No
    // question stands in (Yes is Ok).
    virtual Answer askOkCancel(const QString& text, const QString& title = {}, Icon icon = Icon::Question,
        Answer defaultButton = Answer::Ok)
    {
        (void)defaultButton;
        return askYesNo(text, title, icon, defaultButton == Answer::Ok ? Answer::Yes : Answer::No) == Answer::Yes
            ? Answer::Ok
            : Answer::Cancel;
    }
    // A question whose only way back is Cancel; returns Yes or Cancel.
    virtual Answer askYesCancel(const QString& text, const QString& title = {}, Icon icon = Icon::Question) = 0;
    // A tray balloon; where no tray exists it goes to status panel 1 and the log.
    virtual void balloon(const QString& text, const QString& title, Icon icon, int timeoutMs) = 0;
    // A line of text (the password dialog, input boxes); nullopt when cancelled.
    virtual std::optional<QString> askText(const QString& prompt, const QString& title, bool secret) = 0;
    virtual std::optional<FileChosen> chooseSaveFile(const FileChoice& choice) = 0;
    virtual std::optional<FileChosen> chooseOpenFile(const FileChoice& choice) = 0;
    // Opens a file or folder with the desktop's handler, or an http(s) address
    // in the browser; false when nothing could open it.
    virtual bool openPath(const QString& path, OpenVerb verb) = 0;
};
