#pragma once
#include <QObject>
#include <QPointer>

#include "CalibrationCheckWindow.h"

class TolviApplication;

// The service functions of the Settings page: the sensor refresh, the
// information report ("Show More Info"), the offsets, and the
// calibration-check window. The instrument work runs on the instrument
// thread; the window's instrument buttons are disabled meanwhile.
class ServiceActions : public QObject {
    Q_OBJECT
public:
    explicit ServiceActions(TolviApplication& app, QObject* parent = nullptr);
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
    TolviApplication& app_;
    QPointer<CalibrationCheckWindow> guru_;
};
