#include "SettingsPageActions.h"

#include "InstrumentThread.h"
#include "SettingsPageBinding.h"
#include "config/SettingsActions.h"
#include "session/InstrumentSession.h"
#include "session/MainModel.h"

#include <memory>

SettingsPageActions::SettingsPageActions(InstrumentThread& thread, MainModel& model, OperationObserver& observer,
    PasswordDialogRunner passwordDialog, SettingsPageBinding& binding, QObject* parent)
    : QObject(parent), thread_(thread), model_(model), observer_(observer), passwordDialog_(std::move(passwordDialog)),
      binding_(binding)
{
    SettingsPage& page = binding_.page();
    SettingsPageModel& pageModel = binding_.model();

    connect(page.btnGetPumpAndValve, &QPushButton::clicked, this, [this] {
        auto reading = std::make_shared<SettingsReading>();
        thread_.submit(QStringLiteral("re-load pump and valve"),
            [this, reading] {
                SettingsContext c = context();
                *reading = ReloadPumpValve(c);
            },
            [this, reading] { binding_.apply(*reading); });
    });
    connect(page.btnSetPumpAndValve, &QPushButton::clicked, this, [this, &pageModel] {
        const PumpValveSettings settings = pageModel.pumpValveSettings();
        auto result = std::make_shared<PumpValveResult>();
        thread_.submit(QStringLiteral("send pump and valve"),
            [this, settings, result] {
                SettingsContext c = context();
                *result = UsePumpValveSettings(c, settings);
            },
            [this, result] {
                if (result->reading)
                    binding_.apply(*result->reading);
            });
    });
    connect(page.btnSettingsAlarm, &QPushButton::clicked, this, [this, &pageModel] {
        const AlarmSettings settings = pageModel.alarmSettings();
        thread_.submit(QStringLiteral("send alarm"), [this, settings] {
            SettingsContext c = context();
            UseAlarmSettings(c, settings);
        });
    });
    connect(page.btnSettingsLockKeys, &QPushButton::clicked, this, [this, &pageModel] {
        auto result = std::make_shared<KeyLockResult>();
        thread_.submit(QStringLiteral("toggle key lock"),
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
        thread_.submit(QStringLiteral("data dump"),
            [this, result, enabledNow] {
                SettingsContext c = context();
                *result = ToggleDataDump(c, enabledNow);
            },
            [this, &pageModel, result] {
                pageModel.dataDumpEnabled = result->enabled;
                binding_.refresh();
            });
    });
    connect(page.btnSetRTCToLocalTime, &QPushButton::clicked, this, [this] {
        auto outcome = std::make_shared<SettingsOutcome>(SettingsOutcome::Refused);
        thread_.submit(QStringLiteral("set clock"),
            [this, outcome] {
                SettingsContext c = context();
                *outcome = SetClockToPcTime(c);
                if (*outcome != SettingsOutcome::Refused)
                    model_.recordReadAgain();
            },
            [this, outcome] {
                if (*outcome != SettingsOutcome::Refused)
                    Q_EMIT instrumentClockSet();
            });
    });
}

SettingsContext SettingsPageActions::context()
{
    return SettingsContext{model_.session().services(), model_.session().link(), model_.session().instrument(), observer_, passwordDialog_,
        &thread_.cancelToken()};
}

void SettingsPageActions::refreshPage()
{
    auto reading = std::make_shared<SettingsReading>();
    thread_.submit(QStringLiteral("settings page"),
        [this, reading] {
            SettingsContext c = context();
            *reading = UpdateSettingsPage(c);
        },
        [this, reading] { binding_.apply(*reading); });
}

void SettingsPageActions::setFlagBox(bool autoOff, bool checked)
{
    auto result = std::make_shared<FlagBoxResult>();
    thread_.submit(autoOff ? QStringLiteral("disable auto-off") : QStringLiteral("save all"),
        [this, result, autoOff, checked] {
            SettingsContext c = context();
            *result = autoOff ? SetAutoOffBlocked(c, checked) : SetSaveAll(c, checked);
        },
        [this, result, autoOff] {
            SettingsPageModel& page = binding_.model();
            (autoOff ? page.autoOffBlocked : page.saveAll) = result->checked;
            binding_.refresh();
        });
}
