#include "ServiceActions.h"

#include "CalibrationCheckWindow.h"
#include "TolviApplication.h"
#include "config/InfoReport.h"
#include "config/Offsets.h"
#include "config/SensorRefresh.h"

ServiceActions::ServiceActions(TolviApplication& app, QObject* parent) : QObject(parent), app_(app) {}

ServiceActions::~ServiceActions()
{
    delete guru_.data();
}

void ServiceActions::refreshSensor()
{
    // The schedule state as the status bar shows it now.
    const QString scheduleStatus = app_.model().statusPanel(3);
    app_.instrumentThread().submit(QStringLiteral("refresh sensor"), [this, scheduleStatus] {
        SensorRefreshContext context{app_.services(), app_.link(), app_.instrument(), app_.observer(),
            app_.instrumentThread().cancelToken(), scheduleStatus};
        RefreshSensor(context);
    });
}

void ServiceActions::showMoreInfo()
{
    app_.instrumentThread().submit(QStringLiteral("more info"), [this] {
        ShowMoreInfo(app_.link(), app_.services(), app_.observer(), app_.instrumentThread().cancelToken());
    });
}

void ServiceActions::showOffsets()
{
    app_.instrumentThread().submit(QStringLiteral("offsets"), [this] { ShowOffsets(app_.link(), app_.services()); });
}

void ServiceActions::openCalibrationCheck()
{
    if (!guru_) {
        auto reader = [this](std::function<void(const CalibrationReading&)> done) {
            auto reading = std::make_shared<CalibrationReading>();
            app_.instrumentThread().submit(QStringLiteral("calibration check"),
                [this, reading] { *reading = ReadCalibrationForCheck(app_.link(), app_.services()); },
                [reading, done] { done(*reading); });
        };
        guru_ = new CalibrationCheckWindow(QStringLiteral("Karvex"), QStringLiteral("Calibration Check"), reader,
            &app_.window());
        guru_->placeOver(&app_.window());
    }
    guru_->show();
    guru_->raise();
    guru_->activateWindow();
}

void ServiceActions::closeWindows()
{
    if (guru_)
        guru_->close();
}
