#pragma once
#include "SchedulePage.h"
#include "config/SchedulePageModel.h"

#include <QObject>

class MainWindow;

// Binds the Schedule page's widgets to its model: every gesture goes to the
// model and the page is redrawn from it. The instrument work of the page is
// wired by the schedule page's actions.
class SchedulePageBinding : public QObject {
    Q_OBJECT
public:
    SchedulePageBinding(MainWindow& window, SchedulePageModel& model, QObject* parent = nullptr);

    SchedulePageModel& model() { return model_; }
    SchedulePage& page() { return page_; }

    // Model -> widgets.
    void refresh();
    // Status panel 3 from the model (after a refresh from the instrument).
    void showSchedulePanel();

private:
    // A gesture: the model's handler, then the page redrawn.
    template <typename Handler>
    void gesture(Handler handler);

    MainWindow& window_;
    SchedulePage& page_;
    SchedulePageModel& model_;
    bool refreshing_ = false;
};
