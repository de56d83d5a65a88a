#pragma once
#include "config/SchedulePageModel.h"
#include "session/MainModel.h"
#include "shell/Password.h"

#include <QObject>
#include <atomic>
#include <functional>
#include <optional>

class InstrumentThread;
class OperationObserver;
class SchedulePageBinding;
class StatusPanels;

// The Schedule page's work with the instrument ("Use These Settings",
// "Reload from Instrument", "Start Schedule"/"Stop Schedule"), run on the
// instrument thread, plus the set-up files. The page is refreshed after
// every completed connection.
class SchedulePageActions : public QObject {
    Q_OBJECT
public:
    struct Parts {
        SchedulePageBinding& binding;       // the page, its model and its redraw
        StatusPanels& status;               // says a set-up file was saved or loaded
        std::function<bool()> windowShown;  // a hidden window's toggle says its outcome in a balloon
        MainModel& model;                   // the link state and the instrument session
        InstrumentThread& thread;
        OperationObserver& observer;
        PasswordDialogRunner passwordDialog;
    };

    explicit SchedulePageActions(Parts parts, QObject* parent = nullptr);

    void send();
    void reload();
    // "Start Schedule"/"Stop Schedule" and the tray's "Toggle Schedule"
    // (which also says the outcome in a balloon).
    void toggle(bool fromTray = false);
    void saveFile();
    void loadFile();
    // The page from the instrument record as it stands (after the clock was
    // set, for example), with the park-sensor probe; on the instrument thread.
    void refreshFromInstrument();

private:
    // Queues the refresh: before, on the instrument thread, what the record
    // may need first (a reload); takeRecord: whether the record replaces the page's.
    void queueRefresh(const QString& name, std::function<void()> before, bool takeRecord);
    void onLinkState(MainModel::LinkState state);
    // The page from a reading, on the GUI thread; record (when given) replaces the page's.
    void showReading(const std::optional<ScheduleRecord>& record, const SchedulePageModel::Reading& reading);

    Parts parts_;
    std::atomic<MainModel::LinkState> linkState_{MainModel::LinkState::NotConnected};
};
