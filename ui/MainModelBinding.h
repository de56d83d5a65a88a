#pragma once
#include "session/MainModel.h"
#include "session/PortWatcher.h"

#include <QObject>

class InstrumentThread;
class MainWindow;
class TerminalWindow;
class GuiPrompts;

// Binds the Configure page, the status bar, the tray menu, the keep-alive
// timer and the port watcher to the main-window model. The model's actions talk to the
// instrument, so they are queued to the instrument thread; its state comes
// back through its signals (queued to the GUI thread).
class MainModelBinding : public QObject {
    Q_OBJECT
public:
    MainModelBinding(MainModel& model, MainWindow& window, TerminalWindow& terminal, InstrumentThread& thread,
        GuiPrompts& prompts, QObject* parent = nullptr);

    // Runs a model action on the instrument thread.
    void run(const QString& name, std::function<void()> action);

    // The network connection dialog ("cmdUseNetwork").
    void useNetwork();

Q_SIGNALS:
    // The record was read again: the pages redraw from it. Carries the
    // memory figures read on the instrument thread.
    void memoryChanged(int slotsUsed, int slotsTotal);
    void downloadsCleared();

private:
    void applyButtons(const MainModel::Buttons& buttons);
    void applyTrayMenu(const MainModel::TrayMenu& menu);

    MainModel& model_;
    MainWindow& window_;
    TerminalWindow& terminal_;
    InstrumentThread& thread_;
    GuiPrompts& prompts_;
    PortWatcher portWatcher_{model_};
};
