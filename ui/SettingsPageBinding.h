#pragma once
#include "SettingsPage.h"
#include "config/SettingsPageModel.h"

#include <QObject>

class Prompts;
struct SettingsReading;

// Binds the Settings page's widgets to its model: a gesture on a control that
// works on the page alone goes to the model, and the page is redrawn from the
// model afterwards. The instrument actions are SettingsPageActions'.
class SettingsPageBinding : public QObject {
    Q_OBJECT
public:
    SettingsPageBinding(SettingsPage& page, SettingsPageModel& model, Prompts& prompts, QString title,
        QObject* parent = nullptr);

    SettingsPageModel& model() { return model_; }
    SettingsPage& page() { return page_; }

    // A refresh's reading: the model takes it, the page is redrawn.
    void apply(const SettingsReading& reading);
    // Model -> widgets.
    void refresh();

private:
    void refreshPumpValve();
    void refreshAlarm();

    SettingsPage& page_;
    SettingsPageModel& model_;
    Prompts& prompts_;
    QString title_;
};
