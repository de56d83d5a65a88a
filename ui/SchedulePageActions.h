#pragma once
#include "SchedulePageBinding.h"
#include "config/SchedulePageModel.h"
#include "session/MainModel.h"

#include <QObject>
#include <atomic>
#include <memory>

class TolviApplication;

// The Schedule page in the window: its model and binding, and its work with
// the instrument ("Use These Settings", "Reload from Instrument",
// "Start Schedule"/"Stop Schedule"), run on the instrument thread, plus the set-up
// files. The page is refreshed after every completed connection.
class SchedulePageActions : public QObject {
    Q_OBJECT
public:
    explicit SchedulePageActions(TolviApplication& app, QObject* parent = nullptr);

    SchedulePageModel& model() { return model_; }
    SchedulePageBinding& binding() { return *binding_; }

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

    TolviApplication& app_;
    SchedulePageModel model_;
    std::unique_ptr<SchedulePageBinding> binding_;
    std::atomic<MainModel::LinkState> linkState_{MainModel::LinkState::NotConnected};
};
