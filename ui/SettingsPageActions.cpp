#include "SettingsPageActions.h"

#include "InstrumentThread.h"
#include "SettingsPageBinding.h"
#include "config/SettingsActions.h"
#include "session/InstrumentSession.h"
#include "session/MainModel.h"

#include <memory>

SettingsPageActions::SettingsPageActions(Parts parts, QObject* parent) : QObject(parent), parts_(std::move(parts))
{
    SettingsPage& page = parts_.binding.page();
    SettingsPageModel& pageModel = parts_.binding.model();

    connect(page.btnGetPumpAndValve, &QPushButton::clicked, this, [this] {
        auto reading = std::make_shared<SettingsReading>();
        parts_.thread.submit(QStringLiteral("re-load pump and valve"),
            [this, reading] {
                SettingsContext c = context();
                *reading = ReloadPumpValve(c);
            },
            [this, reading] { parts_.binding.apply(*reading); });
    });
    connect(page.btnSetPumpAndValve, &QPushButton::clicked, this, [this, &pageModel] {
        const PumpValveSettings settings = pageModel.pumpValveSettings();
        auto result = std::make_shared<PumpValveResult>();
        parts_.thread.submit(QStringLiteral("send pump and valve"),
            [this, settings, result] {
                SettingsContext c = context();
                *result = UsePumpValveSettings(c, settings);
            },
            [this, result] {
                if (result->reading)
                    parts_.binding.apply(*result->reading);
            });
    });
    connect(page.btnSettingsAlarm, &QPushButton::clicked, this, [this, &pageModel] {
        const AlarmSettings settings = pageModel.alarmSettings();
        parts_.thread.submit(QStringLiteral("send alarm"), [this, settings] {
            SettingsContext c = context();
            UseAlarmSettings(c, settings);
        });
    });
    connect(page.btnSettingsLockKeys, &QPushButton::clicked, this, [this, &pageModel] {
        auto result = std::make_shared<KeyLockResult>();
        parts_.thread.submit(QStringLiteral("toggle key lock"),
            [this, result] {
                SettingsContext c = context();
                *result = ToggleKeyLock(c);
            },
            [&pageModel, result] {
                if (result->switches)
                    pageModel.switches = result->switches;
            });
    });
    connect(page.chkAutoOnOff, &QCheckBox::clicked, this, [this](bool checked) { setFlagBox(true, checked); });
    connect(page.chkRemoteFramSave, &QCheckBox::clicked, this, [this](bool checked) { setFlagBox(false, checked); });
    connect(page.btnSettingsUseDumbSump, &QPushButton::clicked, this, [this, &pageModel] {
        auto result = std::make_shared<DataDumpResult>();
        const bool enabledNow = pageModel.dataDumpEnabled;
        parts_.thread.submit(QStringLiteral("data dump"),
            [this, result, enabledNow] {
                SettingsContext c = context();
                *result = ToggleDataDump(c, enabledNow);
            },
            [this, &pageModel, result] {
                pageModel.dataDumpEnabled = result->enabled;
                parts_.binding.refresh();
            });
    });
    connect(page.btnSetRTCToLocalTime, &QPushButton::clicked, this, [this] {
        auto outcome = std::make_shared<SettingsOutcome>(SettingsOutcome::Refused);
        parts_.thread.submit(QStringLiteral("set clock"),
            [this, outcome] {
                SettingsContext c = context();
                *outcome = SetClockToPcTime(c);
                if (*outcome != SettingsOutcome::Refused)
                    parts_.model.recordReadAgain();
            },
            [this, outcome] {
                if (*outcome != SettingsOutcome::Refused)
                    Q_EMIT instrumentClockSet();
            });
    });
}

SettingsContext SettingsPageActions::context()
{
    InstrumentSession& session = parts_.model.session();
    return SettingsContext{session.services(), session.link(), session.instrument(), parts_.observer,
        parts_.passwordDialog, &parts_.thread.cancelToken()};
}

void SettingsPageActions::refreshPage()
{
    auto reading = std::make_shared<SettingsReading>();
    parts_.thread.submit(QStringLiteral("settings page"),
        [this, reading] {
            SettingsContext c = context();
            *reading = UpdateSettingsPage(c);
        },
        [this, reading] { parts_.binding.apply(*reading); });
}

void SettingsPageActions::setFlagBox(bool autoOff, bool checked)
{
    auto result = std::make_shared<FlagBoxResult>();
    parts_.thread.submit(autoOff ? QStringLiteral("disable auto-off") : QStringLiteral("save all"),
        [this, result, autoOff, checked] {
            SettingsContext c = context();
            *result = autoOff ? SetAutoOffBlocked(c, checked) : SetSaveAll(c, checked);
        },
        [this, result, autoOff] {
            SettingsPageModel& page = parts_.binding.model();
            (autoOff ? page.autoOffBlocked : page.saveAll) = result->checked;
            parts_.binding.refresh();
        });
}
