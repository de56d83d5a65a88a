#include "ServiceActions.h"

#include "CalibrationCheckWindow.h"
#include "InstrumentThread.h"
#include "SettingsPage.h"
#include "config/InfoReport.h"
#include "config/Offsets.h"
#include "config/SensorRefresh.h"
#include "session/InstrumentSession.h"
#include "session/MainModel.h"

ServiceActions::ServiceActions(Parts parts, QObject* parent) : QObject(parent), parts_(parts)
{
    SettingsPage& page = parts_.page;
    connect(page.btnDiagnoseProblem, &QPushButton::clicked, this, &ServiceActions::refreshSensor);
    connect(page.btnSettingsReadInfo, &QPushButton::clicked, this, &ServiceActions::showMoreInfo);
    connect(page.btnSettingsReadOffsets, &QPushButton::clicked, this, &ServiceActions::showOffsets);
    connect(page.btnSettingsCalibrationCheck, &QPushButton::clicked, this, &ServiceActions::openCalibrationCheck);
}

ServiceActions::~ServiceActions()
{
    delete guru_.data();
}

void ServiceActions::refreshSensor()
{
    // The schedule state as the status bar shows it now.
    const QString scheduleStatus = parts_.model.statusPanel(3);
    parts_.thread.submit(QStringLiteral("refresh sensor"), [this, scheduleStatus] {
        InstrumentSession& session = parts_.model.session();
        SensorRefreshContext context{session.services(), session.link(), session.instrument(), parts_.observer,
            parts_.thread.cancelToken(), scheduleStatus};
        RefreshSensor(context);
    });
}

void ServiceActions::showMoreInfo()
{
    parts_.thread.submit(QStringLiteral("more info"), [this] {
        InstrumentSession& session = parts_.model.session();
        ShowMoreInfo(session.link(), session.services(), parts_.observer, parts_.thread.cancelToken());
    });
}

void ServiceActions::showOffsets()
{
    parts_.thread.submit(QStringLiteral("offsets"), [this] {
        InstrumentSession& session = parts_.model.session();
        ShowOffsets(session.link(), session.services());
    });
}

void ServiceActions::openCalibrationCheck()
{
    if (!guru_) {
        auto reader = [this](std::function<void(const CalibrationReading&)> done) {
            auto reading = std::make_shared<CalibrationReading>();
            parts_.thread.submit(QStringLiteral("calibration check"),
                [this, reading] {
                    InstrumentSession& session = parts_.model.session();
                    *reading = ReadCalibrationForCheck(session.link(), session.services());
                },
                [reading, done] { done(*reading); });
        };
        guru_ = new CalibrationCheckWindow(QStringLiteral("Karvex"), QStringLiteral("Calibration Check"), reader,
            &parts_.window);
        guru_->placeOver(&parts_.window);
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
