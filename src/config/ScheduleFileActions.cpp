#include "ScheduleFileActions.h"

#include "config/ScheduleFile.h"
#include "config/SchedulePageModel.h"
#include "shell/ErrorReport.h"
#include "shell/Services.h"
#include "shell/SessionLog.h"

#include <QDir>

namespace {
constexpr int ErrFileAccess = 75;
constexpr int SchedulesFilter = 1;
const ErrorSite SaveSite{"btnSchedSaveToFile_Click", "frmMain", true};
const ErrorSite LoadSite{"btnSchedLoadFromFile_Click", "frmMain", true};

Prompts::FileChoice Choice()
{
    Prompts::FileChoice choice;
    choice.filters = {QStringLiteral("All Files (*.*)"), QStringLiteral("Schedule Files (*.sch)")};
    choice.selectedFilter = SchedulesFilter;
    choice.defaultExtension = ScheduleFile::Extension;
    return choice;
}
}

Prompts::FileChoice ScheduleSaveChoice(const QDateTime& localNow)
{
    Prompts::FileChoice choice = Choice();
    choice.proposedName = ScheduleFile::ProposedName(localNow);
    return choice;
}

Prompts::FileChoice ScheduleOpenChoice()
{
    return Choice();
}

bool SaveScheduleFile(const SchedulePageModel& page, Services& services, const QString& path)
{
    if (ScheduleFile::Write(services.paths.resolve(path), page.fileValues(), services.log))
        return true;
    ReportFileError(services.log, services.prompts, SaveSite, ErrFileAccess, QStringLiteral("Path/File access error"),
        services.paths.resolve(path));
    return false;
}

std::optional<ScheduleFileContent> ReadScheduleFile(Services& services, const QString& path)
{
    const QString full = services.paths.resolve(path);
    services.log.debugMessage(QStringLiteral("Opening ") + full + QStringLiteral(" as a Schedule file"), SessionLog::Info);
    const ScheduleFile::ReadResult read = ScheduleFile::Read(full, services.log);
    if (read.content)
        return read.content;
    const ScheduleFileProblem& problem = read.problem;
    if (problem.line == 0)
        ReportFileError(services.log, services.prompts, LoadSite, problem.number, problem.description, full);
    else
        ReportError(services.log, services.prompts, LoadSite, problem.number, problem.description, problem.line);
    return std::nullopt;
}

bool LoadScheduleFile(SchedulePageModel& page, Services& services, const QString& path)
{
    const auto content = ReadScheduleFile(services, path);
    if (content)
        page.applyFile(*content);
    return content.has_value();
}

QString ScheduleSavedText(const QString& path)
{
    return QStringLiteral("Schedule set-up saved to '%1'.").arg(QDir::toNativeSeparators(path));
}

QString ScheduleLoadedText(const QString& path, bool replacedUnsent)
{
    return QStringLiteral("Schedule set-up loaded from '%1' in place of the page's values%2; "
                          "'Use These Settings' sends it to the instrument.")
        .arg(QDir::toNativeSeparators(path),
            replacedUnsent ? QStringLiteral(", including the changes not sent yet") : QString());
}
