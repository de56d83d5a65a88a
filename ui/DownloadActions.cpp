#include "DownloadActions.h"

#include "TolviApplication.h"
#include "data/MemoryDownload.h"
#include "data/MemoryErase.h"
#include "instrument/SampleMemory.h"

#include <QDateTime>

DownloadActions::DownloadActions(TolviApplication& app, QObject* parent)
    : QObject(parent), app_(app)
{
    DownloadPage* page = app_.window().downloadPage();
    connect(page->btnDownload, &QPushButton::clicked, this, [this] { downloadAll(); });
    connect(page->btnDownloadSection, &QPushButton::clicked, this, &DownloadActions::downloadPortion);
    connect(page->btnRefreshFRAMSize, &QPushButton::clicked, this, &DownloadActions::refreshMemory);
    connect(page->btnDeleteAllMemory, &QPushButton::clicked, this, &DownloadActions::eraseAll);
    connect(page->btnEraseSection, &QPushButton::clicked, this, &DownloadActions::erasePortion);
}

void DownloadActions::downloadAll(bool thenSave)
{
    download(false, thenSave);
}

void DownloadActions::downloadPortion()
{
    download(true, false);
}

void DownloadActions::download(bool portion, bool thenSave)
{
    const MemoryRangeSlider slider = app_.downloadPage().slider;
    const bool hidden = !app_.window().isVisible();
    auto outcome = std::make_shared<DownloadOutcome>(DownloadOutcome::Failed);
    app_.instrumentThread().submit(portion ? QStringLiteral("download portion") : QStringLiteral("download"),
        [this, portion, slider, hidden, outcome] {
            DownloadContext context{app_.services(), app_.link(), app_.instrument(), app_.downloads(), app_.observer(),
                app_.instrumentThread().cancelToken(), hidden};
            *outcome = portion ? DownloadMemoryPortion(context, slider.selStart, slider.selLength)
                               : DownloadAllMemory(context);
        },
        [this, outcome, thenSave] {
            DownloadPageModel& model = app_.downloadPage();
            if (*outcome == DownloadOutcome::Completed)
                model.downloadCompleted(app_.downloads(), QDateTime::currentDateTime());
            else if (*outcome != DownloadOutcome::EmptyMemory)
                model.dataDropped();
            app_.refreshDownloadPage();
            if (thenSave && *outcome == DownloadOutcome::Completed)
                app_.saveData(); // queued behind the download, which still holds the buttons
        });
}

void DownloadActions::refreshMemory()
{
    auto figures = std::make_shared<std::pair<int, int>>();
    app_.instrumentThread().submit(QStringLiteral("memory figures"),
        [this, figures] {
            tolviM::GetFRAMDetails(app_.link(), app_.services(), app_.instrument());
            *figures = {app_.instrument().SlotsUsed, app_.instrument().SlotsTotal};
        },
        [this, figures] { showMemory(figures->first, figures->second); });
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
    const MemoryRangeSlider slider = app_.downloadPage().slider;
    struct Result {
        EraseOutcome outcome = EraseOutcome::Failed;
        int used = 0, total = 0;
    };
    auto result = std::make_shared<Result>();
    app_.instrumentThread().submit(portion ? QStringLiteral("erase portion") : QStringLiteral("erase"),
        [this, portion, slider, result] {
            EraseContext context{app_.services(), app_.link(), app_.instrument(), app_.downloads(), app_.observer(),
                [this](PasswordDialogModel& model) { return app_.runPasswordDialog(model); }};
            result->outcome = portion ? EraseMemoryPortion(context, slider.selStart, slider.selLength)
                                      : EraseAllMemory(context);
            result->used = app_.instrument().SlotsUsed;
            result->total = app_.instrument().SlotsTotal;
        },
        [this, result, portion] {
            if (result->outcome != EraseOutcome::Erased)
                return;
            app_.downloadPage().memoryErased(result->used, result->total, portion);
            app_.refreshDownloadPage();
        });
}

void DownloadActions::showMemory(int slotsUsed, int slotsTotal)
{
    app_.downloadPage().updateDownloadPage(slotsUsed, slotsTotal);
    app_.refreshDownloadPage();
}
