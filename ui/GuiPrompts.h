#pragma once
#include "shell/Prompts.h"

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <functional>

class TrayIcon;

// Prompts answered with widgets: message boxes, questions, input and file
// dialogs, tray balloons, the desktop's file opener. Callable from any
// thread: calls from the instrument thread are carried to the GUI thread and
// wait there for the answer. Once shutting down, questions get the neutral
// answer (No, Cancel, nothing chosen) without showing anything.
class GuiPrompts : public QObject, public Prompts {
    Q_OBJECT
public:
    explicit GuiPrompts(QObject* parent = nullptr);

    void setCaption(const QString& caption) { caption_ = caption; }
    QString caption() const { return caption_; }
    void setParentWidget(QWidget* widget) { parentWidget_ = widget; }
    void setTray(TrayIcon* tray) { tray_ = tray; }
    void setShuttingDown(bool on) { shuttingDown_ = on; }

    void message(Icon icon, const QString& text, const QString& title = {}) override;
    Answer askYesNo(const QString& text, const QString& title = {}, Icon icon = Icon::Question,
        Answer defaultButton = Answer::Yes) override;
    Answer askOkCancel(const QString& text, const QString& title = {}, Icon icon = Icon::Question,
        Answer defaultButton = Answer::Ok) override;
    Answer askYesCancel(const QString& text, const QString& title = {}, Icon icon = Icon::Question) override;
    void balloon(const QString& text, const QString& title, Icon icon, int timeoutMs) override;
    std::optional<QString> askText(const QString& prompt, const QString& title, bool secret) override;
    std::optional<FileChosen> chooseSaveFile(const FileChoice& choice) override;
    std::optional<FileChosen> chooseOpenFile(const FileChoice& choice) override;
    bool openPath(const QString& path, OpenVerb verb) override;

    // Runs a window of the GUI (a dialog) for a caller on any thread and
    // returns its result; false without running it once shutting down.
    bool runOnGuiThread(const std::function<bool()>& window);

    // Message boxes with OK and Cancel, used by confirmations of the pages.
    bool confirm(Icon icon, const QString& text, const QString& title = {});

private:
    template <typename F>
    auto onGuiThread(F f) -> decltype(f());
    // defaultButton: the button Enter presses (0: the box's own choice).
    int showBox(Icon icon, const QString& text, const QString& title, int buttons, int defaultButton = 0);
    std::optional<FileChosen> chooseFile(const FileChoice& choice, bool save);
    QString titleOr(const QString& title) const { return title.isEmpty() ? caption_ : title; }

    QString caption_ = QStringLiteral("Tolvi");
    QPointer<QWidget> parentWidget_;
    QPointer<TrayIcon> tray_;
    std::atomic<bool> shuttingDown_{false};
};
