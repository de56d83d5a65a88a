#include "SchedulePageActions.h"

#include "TolviApplication.h"
#include "config/ScheduleActions.h"
#include "config/ScheduleFileActions.h"
#include "instrument/Schedule.h"

#include <QDateTime>

SchedulePageActions::SchedulePageActions(TolviApplication& app, QObject* parent)
    : QObject(parent), app_(app)
{
    binding_ = std::make_unique<SchedulePageBinding>(app_.window(), model_);
    SchedulePage* page = app_.window().schedulePage();
    connect(page->btnSchedSendNewSettings, &QPushButton::clicked, this, &SchedulePageActions::send);
    connect(page->btnSchedReloadFromInst, &QPushButton::clicked, this, &SchedulePageActions::reload);
    connect(page->btnSchedToggleEnable, &QPushButton::clicked, this, &SchedulePageActions::toggle);
    connect(page->btnSchedSaveToFile, &QPushButton::clicked, this, &SchedulePageActions::saveFile);
    connect(page->btnSchedLoadFromFile, &QPushButton::clicked, this, &SchedulePageActions::loadFile);
    // Emitted on the instrument thread, inside the connection's own job.
    connect(&app_.model(), &MainModel::linkStateChanged, this, &SchedulePageActions::onLinkState,
        Qt::DirectConnection);
}

void SchedulePageActions::onLinkState(MainModel::LinkState state)
{
    const MainModel::LinkState previous = linkState_.exchange(state);
    MainModel& main = app_.model();
    if (state != MainModel::LinkState::Connected || previous != MainModel::LinkState::NotConnected
        || !main.connectionComplete() || main.terminalDebug())
        return;
    // The last step of a connection: the page from the schedule it read.
    const ScheduleRecord record = ScheduleRecord::of(main.session().instrument());
    const SchedulePageModel::Reading reading =
        ReadForSchedulePage(app_.link(), app_.services().log, main.session().instrument());
    QMetaObject::invokeMethod(this, [this, record, reading] {
        model_.take(record);
        model_.refresh(reading, app_.prompts(), app_.services().appCaption);
        binding_->refresh();
        binding_->showSchedulePanel();
    }, Qt::QueuedConnection);
}

void SchedulePageActions::queueRefresh(const QString& name, std::function<void()> before, bool takeRecord)
{
    struct Result {
        ScheduleRecord record;
        SchedulePageModel::Reading reading;
    };
    auto result = std::make_shared<Result>();
    app_.instrumentThread().submit(name, [this, before = std::move(before), result] {
        if (before)
            before();
        result->record = ScheduleRecord::of(app_.instrument());
        result->reading = ReadForSchedulePage(app_.link(), app_.services().log, app_.instrument());
    }, [this, result, takeRecord] {
        if (takeRecord)
            model_.take(result->record);
        model_.refresh(result->reading, app_.prompts(), app_.services().appCaption);
        binding_->refresh();
        binding_->showSchedulePanel();
    });
}

void SchedulePageActions::refreshFromInstrument()
{
    queueRefresh(QStringLiteral("schedule page"), {}, true);
}

void SchedulePageActions::reload()
{
    queueRefresh(QStringLiteral("schedule reload"),
        [this] { tolviM::GetScheduleDetails(app_.link(), app_.services(), app_.instrument()); }, true);
}

void SchedulePageActions::send()
{
    const ScheduleRecord outgoing = model_.recordToSend(QDate::currentDate());
    struct Result {
        ScheduleSendOutcome outcome = ScheduleSendOutcome::Failed;
        ScheduleRecord readBack;
    };
    auto result = std::make_shared<Result>();
    app_.instrumentThread().submit(QStringLiteral("schedule send"), [this, outgoing, result] {
        ScheduleContext context{app_.services(), app_.link(), app_.instrument(), app_.observer(),
            [this](PasswordDialogModel& dialog) { return app_.runPasswordDialog(dialog); }};
        result->outcome = SendSchedule(context, outgoing);
        result->readBack = ScheduleRecord::of(app_.instrument());
    }, [this, result] {
        // The record holds what was read back; the controls stay as they are.
        if (result->outcome == ScheduleSendOutcome::Sent) {
            model_.sent(result->readBack);
            binding_->refresh();
        }
    });
}

void SchedulePageActions::toggle(bool fromTray)
{
    // From the tray, or with the window hidden, the outcome also goes into a balloon.
    const bool balloon = fromTray || !app_.window().isVisible();
    auto result = std::make_shared<ScheduleSwitchResult>();
    app_.instrumentThread().submit(QStringLiteral("schedule toggle"), [this, balloon, result] {
        ScheduleContext context{app_.services(), app_.link(), app_.instrument(), app_.observer(), {}};
        *result = SwitchSchedule(context, ScheduleSwitch::Toggle, balloon);
    }, [this, result] {
        if (!result->stateAfter)
            return;
        model_.scheduleSwitched(result->enabledAfter(), result->runningAfter());
        binding_->refresh();
        binding_->showSchedulePanel();
    });
}

void SchedulePageActions::saveFile()
{
    const auto chosen = app_.prompts().chooseSaveFile(ScheduleSaveChoice(QDateTime::currentDateTime()));
    if (chosen && !chosen->path.isEmpty() && SaveScheduleFile(model_, app_.services(), chosen->path))
        app_.window().statusPanels()->setPanelText(StatusPanel::Message, ScheduleSavedText(chosen->path));
}

void SchedulePageActions::loadFile()
{
    const auto chosen = app_.prompts().chooseOpenFile(ScheduleOpenChoice());
    if (!chosen || chosen->path.isEmpty())
        return;
    const bool hadUnsent = model_.unsent();
    if (!LoadScheduleFile(model_, app_.services(), chosen->path))
        return;
    app_.window().statusPanels()->setPanelText(StatusPanel::Message, ScheduleLoadedText(chosen->path, hadUnsent));
    binding_->refresh();
    queueRefresh(QStringLiteral("schedule page"), {}, false);
}
