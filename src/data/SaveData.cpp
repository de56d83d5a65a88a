#include "SaveData.h"

#include "data/DataFileLayout.h"
#include "data/DataFileSettings.h"
#include "data/DownloadFilter.h"
#include "data/PlotScript.h"
#include "data/SaveDialogChoice.h"
#include "instrument/DownloadTable.h"
#include "instrument/InstrumentInfo.h"
#include "shell/ErrorReport.h"
#include "shell/Operation.h"
#include "shell/Picture.h"
#include "shell/Services.h"
#include "shell/SessionLog.h"
#include "shell/SystemInfo.h"
#include "shell/OutputFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {
const ErrorSite kSite{"btnSaveData_Click", "frmMain", true};
// Room for the path in the status bar's first panel.
constexpr int kStatusPathChars = 48;

// The lines of one file, written in one step at the end. Lines marked
// verbose are logged once the file is written, so the log never claims a
// line that a failed write did not put in the file.
class FileText {
public:
    FileText(SessionLog& log, QString path) : log_(log), path_(std::move(path)) {}
    void add(const QString& line, bool verbose)
    {
        text_ += line;
        text_ += QLatin1String("\r\n");
        if (verbose)
            verboseLines_.append(line);
    }
    bool write() const
    {
        if (!WriteOutputFile(path_, text_.toUtf8()))
            return false;
        for (const QString& line : verboseLines_) {
            log_.debugMessage(QStringLiteral("Data written to ") + path_ + QStringLiteral(":"), SessionLog::Info);
            log_.debugMessage(QStringLiteral("\t\"") + line + QStringLiteral("\""), SessionLog::Info);
        }
        return true;
    }
    const QString& path() const { return path_; }

private:
    SessionLog& log_;
    QString path_;
    QString text_;
    QStringList verboseLines_;
};

// Progress of the records: the bar, and panel 1 unless quiet (the plot script).
class SaveProgress {
public:
    SaveProgress(OperationObserver& observer, int total, bool showText, const QLocale& locale)
        : observer_(observer), total_(total), showText_(showText), locale_(locale) {}
    void step(int done)
    {
        const int percent = total_ > 0 ? static_cast<int>(100LL * done / total_) : 100;
        if (percent == lastPercent_)
            return;
        lastPercent_ = percent;
        observer_.progress(percent);
        if (showText_) {
            observer_.statusText(StatusPanel::Message, QStringLiteral("Saving data... (")
                    + FormatNumber(total_ > 0 ? double(done) / total_ : 1.0, QStringLiteral("000%"), locale_)
                    + QStringLiteral(")"));
        }
    }

private:
    OperationObserver& observer_;
    int total_;
    bool showText_;
    QLocale locale_;
    int lastPercent_ = -1;
};

bool writeOrReport(SaveDataContext& context, const FileText& file)
{
    if (file.write())
        return true;
    ReportError(context.services.log, context.services.prompts, kSite, ErrorNumber::PathFileAccessError,
        QStringLiteral("Path/File access error: ") + file.path());
    return false;
}

DataFileMetadata metadataFor(const SaveDataContext& context, const QString& path)
{
    DataFileMetadata m;
    const QDateTime now = QDateTime::currentDateTime();
    m.retrieved = now;
    m.utcOffsetSeconds = now.offsetFromUtc();
    m.filePath = path;
    m.userName = GetUserName();
    m.launch = context.program.launch;
    m.versionMajor = context.program.versionMajor;
    m.versionMinor = context.program.versionMinor;
    m.versionRevision = context.program.versionRevision;
    ReadInstrumentRecordEntries(context.info.RecordFolder, m);
    return m;
}

bool writeDataFile(SaveDataContext& context, const SaveList& list, const DataFileLayout& layout, const QString& path)
{
    SessionLog& log = context.services.log;
    FileText file(log, path);
    file.add(layout.header(), true);
    SaveProgress progress(context.observer, list.count(), true, context.locale);
    for (int i = 0; i < list.count(); ++i) {
        file.add(layout.row(*list.records[static_cast<size_t>(i)], i + 1), layout.logsRows());
        progress.step(i + 1);
    }
    if (layout.format == DataFormat::Comprehensive) {
        for (const QString& line : MetadataLines(metadataFor(context, path), context.info, layout.sep, context.locale))
            file.add(line, true);
    }
    return writeOrReport(context, file);
}

bool writePlotFiles(SaveDataContext& context, const SaveList& list, const PlotFileNames& names)
{
    SessionLog& log = context.services.log;
    FileText script(log, names.scriptPath);
    for (const QString& line : PlotScriptLines(names, context.info.SerialNumber, QDateTime::currentDateTime(),
             context.program.windowTitle, context.locale))
        script.add(line, false);
    if (!writeOrReport(context, script))
        return false;
    FileText data(log, names.dataPath);
    data.add(PlotDataHeader(), false);
    SaveProgress progress(context.observer, list.count(), false, context.locale);
    for (int i = 0; i < list.count(); ++i) {
        data.add(PlotDataLine(*list.records[static_cast<size_t>(i)]), false);
        progress.step(i + 1);
    }
    return writeOrReport(context, data);
}
}

SaveDataResult SaveData(SaveDataContext& context, DownloadFilter& filter, bool singleColumn)
{
    SessionLog& log = context.services.log;
    SaveDataResult result;
    const bool finished = GuardBoundary(log, context.services.prompts, kSite, [&] {
        log.debugMessage(QStringLiteral("Form:frmMain.btnSaveData_Click"), SessionLog::Detail);
        const SaveList list = BuildSaveList(context.table, filter, log);
        const DataFormat format = filter.format();
        context.settings.setFilter(static_cast<int>(format));

        const QDateTime now = QDateTime::currentDateTime();
        const bool plot = format == DataFormat::PlotScript;
        auto choice = plot ? SaveDialogChoice::plotScript(now)
                           : SaveDialogChoice::delimitedFile(context.settings.delimiter(), context.locale, now);
        choice.folder = SaveDialogChoice::lastFolder(context.services.perUser);
        const auto chosen = context.services.prompts.chooseSaveFile(choice);
        if (!chosen || chosen->path.isEmpty())
            return;
        const int typeNumber = SaveDialogChoice::typeNumberOf(*chosen);
        context.settings.setDelimiter(typeNumber);
        const QString path = IsStandardOutput(chosen->path)
            ? chosen->path
            : QFileInfo(context.services.paths.resolve(chosen->path)).absoluteFilePath();

        context.observer.progress(0);
        if (plot) {
            const PlotFileNames names = PlotFileNamesFor(path);
            if (!writePlotFiles(context, list, names))
                return;
            result.path = names.dataPath;
        } else {
            DataFileLayout layout;
            layout.format = format;
            layout.sep = SaveDialogChoice::separatorFor(typeNumber);
            layout.singleColumn = singleColumn;
            layout.locale = context.locale;
            layout.flags = context.flags;
            if (!writeDataFile(context, list, layout, path))
                return;
            result.path = path;
            log.debugMessage(QString::number(list.count()) + QStringLiteral(" results saved to ") + path
                    + DataFormats::savedLogSuffix(format), SessionLog::Info);
        }
        result.saved = true;
        result.count = list.count();
        SaveDialogChoice::rememberFolder(context.services.perUser, result.path);
        context.observer.statusText(StatusPanel::Message,
            QString::number(result.count) + QStringLiteral(" samples saved to '")
                + CompactPath(result.path, kStatusPathChars) + QStringLiteral("'."));
    });
    if (!finished)
        result.saved = false;
    return result;
}

ProgramIdentity ThisProgramIdentity(const QString& windowTitle, const QStringList& arguments)
{
    const QStringList version = QStringLiteral(TOLVI_VERSION).split(QLatin1Char('.'));
    ProgramIdentity program;
    program.windowTitle = windowTitle;
    program.launch = QDir::toNativeSeparators(QCoreApplication::applicationFilePath()) + QLatin1Char(' ')
        + arguments.join(QLatin1Char(' '));
    program.versionMajor = version.value(0).toInt();
    program.versionMinor = version.value(1).toInt();
    program.versionRevision = version.value(2).toInt();
    return program;
}
