#include "SchedulePageActions.h"

#include "InstrumentThread.h"
#include "SchedulePageBinding.h"
#include "StatusPanels.h"
#include "config/ScheduleActions.h"
#include "config/ScheduleFileActions.h"
#include "instrument/Schedule.h"
#include "session/InstrumentSession.h"
#include "shell/Services.h"

#include <QDateTime>
#include <optional>

SchedulePageActions::SchedulePageActions(Parts parts, QObject* parent) : QObject(parent), parts_(std::move(parts))
{
    SchedulePage& page = parts_.binding.page();
    connect(page.btnSchedSendNewSettings, &QPushButton::clicked, this, &SchedulePageActions::send);
    connect(page.btnSchedReloadFromInst, &QPushButton::clicked, this, &SchedulePageActions::reload);
    connect(page.btnSchedToggleEnable, &QPushButton::clicked, this, &SchedulePageActions::toggle);
    connect(page.btnSchedSaveToFile, &QPushButton::clicked, this, &SchedulePageActions::saveFile);
    connect(page.btnSchedLoadFromFile, &QPushButton::clicked, this, &SchedulePageActions::loadFile);
    // Emitted on the instrument thread, inside the connection's own job.
    connect(&parts_.model, &MainModel::linkStateChanged, this, &SchedulePageActions::onLinkState,
        Qt::DirectConnection);
}

void SchedulePageActions::onLinkState(MainModel::LinkState state)
{
    const MainModel::LinkState previous = linkState_.exchange(state);
    MainModel& main = parts_.model;
    if (state != MainModel::LinkState::Connected || previous != MainModel::LinkState::NotConnected
        || !main.connectionComplete() || main.terminalDebug())
        return;
    // The last step of a connection: the page from the schedule it read.
    InstrumentSession& session = main.session();
    const ScheduleRecord record = ScheduleRecord::of(session.instrument());
    const SchedulePageModel::Reading reading =
        ReadForSchedulePage(session.link(), session.services().log, session.instrument());
    QMetaObject::invokeMethod(this, [this, record, reading] { showReading(record, reading); }, Qt::QueuedConnection);
}

void SchedulePageActions::showReading(
    const std::optional<ScheduleRecord>& record, const SchedulePageModel::Reading& reading)
{
    Services& services = parts_.model.session().services();
    SchedulePageModel& page = parts_.binding.model();
    if (record)
        page.take(*record);
    page.refresh(reading, services.prompts, services.appCaption);
    parts_.binding.refresh();
    parts_.binding.showSchedulePanel();
}

void SchedulePageActions::queueRefresh(const QString& name, std::function<void()> before, bool takeRecord)
{
    struct Result {
        ScheduleRecord record;
        SchedulePageModel::Reading reading;
    };
    auto result = std::make_shared<Result>();
    parts_.thread.submit(name, [this, before = std::move(before), result] {
        if (before)
            before();
        InstrumentSession& session = parts_.model.session();
        result->record = ScheduleRecord::of(session.instrument());
        result->reading = ReadForSchedulePage(session.link(), session.services().log, session.instrument());
    }, [this, result, takeRecord] {
        showReading(takeRecord ? std::optional<ScheduleRecord>(result->record) : std::nullopt, result->reading);
    });
}

void SchedulePageActions::refreshFromInstrument()
{
    queueRefresh(QStringLiteral("schedule page"), {}, true);
}

void SchedulePageActions::reload()
{
    queueRefresh(QStringLiteral("schedule reload"), [this] {
        InstrumentSession& session = parts_.model.session();
        tolviM::GetScheduleDetails(session.link(), session.services(), session.instrument());
    }, true);
}

void SchedulePageActions::send()
{
    const ScheduleRecord outgoing = parts_.binding.model().recordToSend(QDate::currentDate());
    struct Result {
        ScheduleSendOutcome outcome = ScheduleSendOutcome::Failed;
        ScheduleRecord readBack;
    };
    auto result = std::make_shared<Result>();
    parts_.thread.submit(QStringLiteral("schedule send"), [this, outgoing, result] {
        InstrumentSession& session = parts_.model.session();
        ScheduleContext context{session.services(), session.link(), session.instrument(), parts_.observer,
            parts_.passwordDialog};
        result->outcome = SendSchedule(context, outgoing);
        result->readBack = ScheduleRecord::of(session.instrument());
    }, [this, result] {
        // The record holds what was read back; the controls stay as they are.
        if (result->outcome == ScheduleSendOutcome::Sent) {
            parts_.binding.model().sent(result->readBack);
            parts_.binding.refresh();
        }
    });
}

void SchedulePageActions::toggle(bool fromTray)
{
    // From the tray, or with the window hidden, the outcome also goes into a balloon.
    const bool balloon = fromTray || !parts_.windowShown();
    auto result = std::make_shared<ScheduleSwitchResult>();
    parts_.thread.submit(QStringLiteral("schedule toggle"), [this, balloon, result] {
        InstrumentSession& session = parts_.model.session();
        ScheduleContext context{session.services(), session.link(), session.instrument(), parts_.observer, {}};
        *result = SwitchSchedule(context, ScheduleSwitch::Toggle, balloon);
    }, [this, result] {
        if (!result->stateAfter)
            return;
        parts_.binding.model().scheduleSwitched(result->enabledAfter(), result->runningAfter());
        parts_.binding.refresh();
        parts_.binding.showSchedulePanel();
    });
}

void SchedulePageActions::saveFile()
{
    Services& services = parts_.model.session().services();
    const auto chosen = services.prompts.chooseSaveFile(ScheduleSaveChoice(QDateTime::currentDateTime()));
    if (chosen && !chosen->path.isEmpty() && SaveScheduleFile(parts_.binding.model(), services, chosen->path))
        parts_.status.setPanelText(StatusPanel::Message, ScheduleSavedText(chosen->path));
}

void SchedulePageActions::loadFile()
{
    Services& services = parts_.model.session().services();
    const auto chosen = services.prompts.chooseOpenFile(ScheduleOpenChoice());
    if (!chosen || chosen->path.isEmpty())
        return;
    SchedulePageModel& page = parts_.binding.model();
    const bool hadUnsent = page.unsent();
    if (!LoadScheduleFile(page, services, chosen->path))
        return;
    parts_.status.setPanelText(StatusPanel::Message, ScheduleLoadedText(chosen->path, hadUnsent));
    parts_.binding.refresh();
    queueRefresh(QStringLiteral("schedule page"), {}, false);
}
