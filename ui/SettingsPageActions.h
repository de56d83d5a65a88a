#pragma once
#include "config/SettingsRefresh.h"

#include <QObject>

class InstrumentThread;
class MainModel;
class SettingsPageBinding;

// The instrument actions of the Settings page: the refresh, the pump and
// valve and alarm sends, the key lock, the two flag boxes, the data dump and
// the clock. Each runs on the instrument thread; the page is redrawn from
// its model when it is over.
class SettingsPageActions : public QObject {
    Q_OBJECT
public:
    SettingsPageActions(InstrumentThread& thread, MainModel& model, OperationObserver& observer,
        PasswordDialogRunner passwordDialog, SettingsPageBinding& binding, QObject* parent = nullptr);

    // The page's refresh (after a connection).
    void refreshPage();

Q_SIGNALS:
    // The instrument clock was set and read back: the Schedule page refreshes.
    void instrumentClockSet();

private:
    SettingsContext context();
    void setFlagBox(bool autoOff, bool checked);

    InstrumentThread& thread_;
    MainModel& model_;
    OperationObserver& observer_;
    PasswordDialogRunner passwordDialog_;
    SettingsPageBinding& binding_;
};
