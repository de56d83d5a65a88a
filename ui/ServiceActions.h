#pragma once
#include <QObject>
#include <QPointer>

#include "CalibrationCheckWindow.h"

class InstrumentThread;
class MainModel;
class OperationObserver;
class SettingsPage;

// The service functions of the Settings page: the sensor refresh, the
// information report ("Show More Info"), the offsets, and the
// calibration-check window. The instrument work runs on the instrument
// thread; the window's instrument buttons are disabled meanwhile.
class ServiceActions : public QObject {
    Q_OBJECT
public:
    struct Parts {
        SettingsPage& page;          // the four service buttons
        QWidget& window;             // the calibration-check window opens over it
        MainModel& model;            // the schedule's status panel and the instrument session
        InstrumentThread& thread;
        OperationObserver& observer;
    };

    explicit ServiceActions(Parts parts, QObject* parent = nullptr);
    ~ServiceActions() override;

    void refreshSensor();
    void showMoreInfo();
    void showOffsets();
    // Shows the calibration-check window (made on first use), in front.
    void openCalibrationCheck();
    // Closes the calibration-check window (shutdown).
    void closeWindows();

    CalibrationCheckWindow* calibrationCheckWindow() const { return guru_; }

private:
    Parts parts_;
    QPointer<CalibrationCheckWindow> guru_;
};
