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
    struct Parts {
        SettingsPageBinding& binding;   // the page, its model and its redraw
        MainModel& model;               // the instrument session; the record read again after the clock
        InstrumentThread& thread;
        OperationObserver& observer;
        PasswordDialogRunner passwordDialog;
    };

    explicit SettingsPageActions(Parts parts, QObject* parent = nullptr);

    // The page's refresh (after a connection).
    void refreshPage();

Q_SIGNALS:
    // The instrument clock was set and read back: the Schedule page refreshes.
    void instrumentClockSet();

private:
    SettingsContext context();
    void setFlagBox(bool autoOff, bool checked);

    Parts parts_;
};
