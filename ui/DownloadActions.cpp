#include "DownloadActions.h"

#include "DownloadPage.h"
#include "DownloadPageBinding.h"
#include "InstrumentThread.h"
#include "ReportSave.h"
#include "StatusPanels.h"
#include "data/DownloadPageModel.h"
#include "data/MemoryErase.h"
#include "data/ReadingChartModel.h"
#include "link/InstrumentLink.h"
#include "records/ArchivedDownload.h"
#include "records/ArchivedErase.h"
#include "session/InstrumentSession.h"
#include "session/MainModel.h"
#include "shell/Prompts.h"
#include "shell/Services.h"

#include <QDateTime>
#include <QFileInfo>
#include <optional>
#include <utility>

namespace {
// The memory figures of the record, as the gauge shows them.
struct MemoryFigures {
    int used = 0;
    int total = 0;
};

constexpr int NotArchivedBalloonMs = 10000;

MemoryFigures FiguresOf(const InstrumentInfo& info)
{
    return {info.SlotsUsed, info.SlotsTotal};
}
} // namespace

DownloadActions::DownloadActions(Parts parts, QObject* parent)
    : QObject(parent), parts_(std::move(parts))
{
    DownloadPage& page = parts_.binding.page();
    connect(page.btnDownload, &QPushButton::clicked, this, [this] { downloadAll(); });
    connect(page.btnDownloadSection, &QPushButton::clicked, this, &DownloadActions::downloadPortion);
    connect(page.btnDownloadNew, &QPushButton::clicked, this, &DownloadActions::downloadNew);
    connect(page.btnRefreshFRAMSize, &QPushButton::clicked, this, &DownloadActions::refreshMemory);
    connect(page.btnDeleteAllMemory, &QPushButton::clicked, this, &DownloadActions::eraseAll);
    connect(page.btnEraseSection, &QPushButton::clicked, this, &DownloadActions::erasePortion);
    connect(page.btnSaveData, &QPushButton::clicked, this, &DownloadActions::saveData);
    connect(page.fraChart->btnChartReport, &QPushButton::clicked, this, &DownloadActions::makeReport);
}

void DownloadActions::downloadAll(bool thenSave)
{
    download(Kind::All, thenSave);
}

void DownloadActions::downloadPortion()
{
    download(Kind::Portion, false);
}

void DownloadActions::downloadNew()
{
    download(Kind::New, false);
}

void DownloadActions::download(Kind kind, bool thenSave)
{
    const MemoryRangeSlider slider = parts_.binding.model().slider;
    const bool hidden = !parts_.windowShown();
    struct Result {
        DownloadOutcome outcome = DownloadOutcome::Failed;
        DownloadSummary summary;   // taken from the table on the instrument thread
        ChartSource chart;         // likewise
        QString problem;           // what failed, for the message box
        QString notArchived;       // why the readings are not in the archive
    };
    const QString name = kind == Kind::Portion ? QStringLiteral("download portion")
        : kind == Kind::New                    ? QStringLiteral("download new data")
                                               : QStringLiteral("download");
    parts_.thread.submit<Result>(name,
        [this, kind, slider, hidden] {
            InstrumentSession& session = parts_.model.session();
            DownloadContext context = session.downloadContext(parts_.observer, parts_.thread.cancelToken());
            context.windowHidden = hidden;
            // Read at each download, so a changed setting counts at once.
            const ArchiveStore store = ArchiveStoreFromSettings(session.services().paths, session.services().log);
            Result result;
            result.outcome = kind == Kind::Portion ? DownloadPortionAndArchive(context, slider.selStart, slider.selLength, store)
                : kind == Kind::New                ? DownloadNewData(context, store)
                                                   : DownloadAllAndArchive(context, store);
            result.summary = DownloadSummary::of(session.downloads());
            if (SlotsWereRead(result.outcome))
                result.chart = ChartSource::of(session.downloads(), session.instrument(), session.link().firmwareFlags());
            result.problem = DownloadProblemText(result.outcome, context.report);
            result.notArchived = context.notArchived;
            return result;
        },
        [this, thenSave](Result result) {
            parts_.binding.model().downloadEnded(result.outcome, result.summary, std::move(result.chart),
                QDateTime::currentDateTime(), result.notArchived);
            parts_.binding.refresh();
            Services& services = parts_.model.session().services();
            if (!result.problem.isEmpty())
                services.prompts.message(Prompts::Icon::Exclamation, result.problem, services.appCaption);
            // Said again when the readings are saved.
            if (!result.notArchived.isEmpty()) {
                services.prompts.balloon(QStringLiteral("The download could not be added to the archive: ")
                        + result.notArchived,
                    services.appCaption, Prompts::Icon::Exclamation, NotArchivedBalloonMs);
            }
            // What was read of an incomplete download may be filtered and saved.
            if (thenSave && SlotsWereRead(result.outcome))
                saveData(); // queued behind the download, which still holds the buttons
        });
}

void DownloadActions::refreshMemory()
{
    parts_.thread.submit<std::optional<MemoryFigures>>(QStringLiteral("memory figures"),
        [this]() -> std::optional<MemoryFigures> {
            InstrumentSession& session = parts_.model.session();
            if (!session.readMemoryDetails())
                return std::nullopt;
            return FiguresOf(session.instrument());
        },
        [this](std::optional<MemoryFigures> figures) {
            if (!figures)
                return;
            parts_.binding.model().updateDownloadPage(figures->used, figures->total);
            parts_.binding.refresh();
        });
}

void DownloadActions::eraseAll()
{
    erase(false);
}

void DownloadActions::erasePortion()
{
    erase(true);
}

void DownloadActions::erase(bool portion)
{
    const MemoryRangeSlider slider = parts_.binding.model().slider;
    struct Result {
        EraseOutcome outcome = EraseOutcome::Failed;
        MemoryFigures figures;
    };
    parts_.thread.submit<Result>(portion ? QStringLiteral("erase portion") : QStringLiteral("erase"),
        [this, portion, slider] {
            InstrumentSession& session = parts_.model.session();
            EraseContext context{session.services(), session.link(), session.instrument(), session.downloads(),
                parts_.observer, parts_.passwordDialog};
            const EraseOutcome outcome = portion ? EraseMemoryPortionChecked(context, slider.selStart, slider.selLength)
                                                 : EraseAllMemoryChecked(context);
            return Result{outcome, FiguresOf(session.instrument())};
        },
        [this, portion](Result result) {
            if (result.outcome != EraseOutcome::Erased)
                return;
            parts_.binding.model().memoryErased(result.figures.used, result.figures.total, portion);
            parts_.binding.refresh();
        });
}

void DownloadActions::saveData()
{
    parts_.binding.readFilterControls();
    DownloadPageModel& pageModel = parts_.binding.model();
    const bool singleColumn = pageModel.singleColumnBox.singleColumn();
    // The save works on its own copy of the filter; the page gets it back
    // (bounds put in order) when the save is over.
    DownloadFilter filter = pageModel.filter;
    // Taken here: the window's title is read on the window's own thread.
    const ProgramIdentity program = parts_.program();
    using Saved = std::pair<DownloadFilter, SaveDataResult>;
    parts_.thread.submit<Saved>(QStringLiteral("save data"), [this, singleColumn, filter, program]() mutable {
        InstrumentSession& session = parts_.model.session();
        SaveDataContext context{session.services(), parts_.dataFiles, session.downloads(), session.instrument(),
            session.link().firmwareFlags(), parts_.observer, program};
        const SaveDataResult result = SaveData(context, filter, singleColumn);
        return Saved{filter, result};
    }, [this](Saved saved) {
        DownloadPageModel& pageModel = parts_.binding.model();
        pageModel.filter = std::move(saved.first);
        parts_.binding.refresh();
        if (!saved.second.saved)
            return;
        parts_.status.offerFolder(QFileInfo(saved.second.path).absolutePath());
        Services& services = parts_.model.session().services();
        if (const QString notice = pageModel.savedNotice(saved.second.path); !notice.isEmpty())
            services.prompts.message(Prompts::Icon::Exclamation, notice, services.appCaption);
    });
}

void DownloadActions::makeReport()
{
    const QString program = QStringLiteral("Tolvi " TOLVI_VERSION);
    if (const auto path = SaveMeasurementReport(parts_.model.session().services(), parts_.binding.model().chart, program,
            QDateTime::currentDateTime()))
        parts_.status.offerFolder(QFileInfo(*path).absolutePath());
}
