#include "DataFileOptions.h"

#include "CliSession.h"
#include "ExitCode.h"
#include "shell/ForwardingPrompts.h"
#include "MemoryCommands.h"
#include "data/DataFileSettings.h"
#include "data/DownloadPageModel.h"
#include "data/SaveData.h"
#include "data/SaveDialogChoice.h"
#include "shell/OutputFile.h"
#include "shell/Services.h"
#include "shell/StartupFiles.h"
#include "CliOutput.h"

#include <QCoreApplication>
#include <QDir>
#include <cmath>
#include <cstdio>

namespace {
const QStringList kSeparatorNames{QStringLiteral("comma"), QStringLiteral("semicolon"), QStringLiteral("tab"),
    QStringLiteral("space")};
const QStringList kRuleNames{QStringLiteral("between"), QStringLiteral("outside"), QStringLiteral("equal")};

// Answers the save dialog with the file and type the command line gave;
// everything else goes to the terminal's prompts.
class SaveFileAnswer : public ForwardingPrompts {
public:
    SaveFileAnswer(Prompts& terminal, QString path, std::optional<int> typeNumber)
        : ForwardingPrompts(terminal), path_(std::move(path)), typeNumber_(typeNumber) {}

    std::optional<FileChosen> chooseSaveFile(const FileChoice& choice) override
    {
        // Without --sep the type the dialog would preselect.
        return FileChosen{path_, typeNumber_ ? *typeNumber_ - 1 : choice.selectedFilter};
    }

private:
    QString path_;
    std::optional<int> typeNumber_;
};

std::optional<QDateTime> parseDate(const QString& text)
{
    const QDateTime value = QDateTime::fromString(text.trimmed(), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return value.isValid() ? std::optional(value) : std::nullopt;
}

// A concentration in ppm as the bar's thousandths, 0 to 10 ppm.
std::optional<int> parseBound(const QString& text)
{
    bool ok = false;
    const double ppm = text.trimmed().toDouble(&ok);
    // NaN passes every comparison, so finiteness is asked first.
    if (!ok || !std::isfinite(ppm) || ppm < 0 || ppm > DownloadFilter::BoundMaximum / 1000.0)
        return std::nullopt;
    return static_cast<int>(std::lround(ppm * 1000));
}

// An option's value read by parse into target when the option is given.
// False (with the problem named) when the value does not read.
template <typename T, typename Parse>
bool readValue(const QCommandLineParser& parser, const char* name, Parse parse, std::optional<T>& target,
    const QString& expected, QString& problem)
{
    const QString option = QString::fromLatin1(name);
    if (!parser.isSet(option))
        return true;
    target = parse(parser.value(option));
    if (!target)
        problem = QStringLiteral("--%1 takes %2").arg(option, expected);
    return target.has_value();
}

// Two switches for the two values of one choice: target is true with the
// first, false with the second, unset with neither; both is a problem.
bool readSwitchPair(const QCommandLineParser& parser, const char* yes, const char* no, std::optional<bool>& target,
    QString& problem)
{
    const bool first = parser.isSet(QString::fromLatin1(yes));
    const bool second = parser.isSet(QString::fromLatin1(no));
    if (first && second) {
        problem = QStringLiteral("--%1 and --%2 exclude each other").arg(QLatin1String(yes), QLatin1String(no));
        return false;
    }
    if (first || second)
        target = first;
    return true;
}

// The filter frame as the options set it, over what a completed download set.
void applyChoices(const DataFileRequest& r, DownloadPageModel& page)
{
    if (r.format)
        page.selectFormat(*r.format);
    if (r.singleColumn)
        page.setSingleColumn(*r.singleColumn);
    DownloadFilter& filter = page.filter;
    if (r.onlyScheduled)
        filter.onlyScheduled = *r.onlyScheduled;
    if (r.from)
        filter.from = *r.from;
    if (r.to)
        filter.to = *r.to;
    if (r.boundA)
        filter.boundA = *r.boundA;
    if (r.boundB)
        filter.boundB = *r.boundB;
    if (r.rule)
        filter.rule = *r.rule;
}

// A plot script is two files named from the target (FILE.dat and
// FILE.plt): the target must be a file of its own, never standard output or
// a device. Empty when it is.
QString PlotTargetProblem(const QString& output, const QString& what)
{
    if (IsStandardOutput(output))
        return what + QStringLiteral(" writes two files: -o - cannot take them");
    if (IsInPlaceTarget(output))
        return what + QStringLiteral(" writes two files named from -o FILE: ") + output
            + QStringLiteral(" is not a regular file");
    return {};
}

const QString ExplicitPlot = QStringLiteral("--format gnuplot");
const QString StoredPlot = QStringLiteral("the stored format is gnuplot, which");

// The filter frame after a completed download of the table, then the options.
void preparePage(DownloadPageModel& page, const DataFileRequest& request, const DownloadTable& table)
{
    page.restoreStoredChoices();
    page.downloadCompleted(table, QDateTime::currentDateTime());
    applyChoices(request, page);
}

} // namespace

QString StoredFormatProblem(CliSession& session, const DataFileRequest& request)
{
    if (request.format)
        return {};   // checked with the options
    const DataFileSettings settings(UserSettingsPath(session.services().paths));
    DownloadPageModel page(settings);
    page.restoreStoredChoices();
    if (page.filter.format() != DataFormat::PlotScript)
        return {};
    return PlotTargetProblem(request.output, StoredPlot) + QStringLiteral(": give --format or another file name");
}

std::optional<DataFileRequest> ReadDataFileRequest(const QCommandLineParser& parser, const QString& command,
    QString& problem)
{
    const QString output = parser.value(QStringLiteral("output"));
    if (output.isEmpty()) {
        problem = command + QStringLiteral(" needs -o FILE");
        return std::nullopt;
    }
    // Found out before the download, not after it: a file that cannot be
    // written would throw the whole download away.
    problem = OutputProblem(output);
    if (!problem.isEmpty())
        return std::nullopt;
    std::optional<DataFileRequest> r = ReadFilterRequest(parser, problem);
    if (!r)
        return std::nullopt;
    r->output = output;
    // A plot script is two files, named from the one given.
    if (r->format && *r->format == static_cast<int>(DataFormat::PlotScript)) {
        problem = PlotTargetProblem(r->output, ExplicitPlot);
        if (!problem.isEmpty())
            return std::nullopt;
    }
    if (parser.isSet(QStringLiteral("sep"))) {
        const qsizetype index = kSeparatorNames.indexOf(parser.value(QStringLiteral("sep")).toLower());
        if (index < 0) {
            problem = QStringLiteral("--sep takes comma, semicolon, tab or space");
            return std::nullopt;
        }
        r->typeNumber = static_cast<int>(index) + 1;
    }
    if (!readSwitchPair(parser, "single-column", "two-columns", r->singleColumn, problem))
        return std::nullopt;
    return r;
}

std::optional<DataFileRequest> ReadFilterRequest(const QCommandLineParser& parser, QString& problem)
{
    DataFileRequest r;
    if (parser.isSet(QStringLiteral("format"))) {
        const auto format = DataFormats::parse(parser.value(QStringLiteral("format")));
        if (!format) {
            problem = QStringLiteral("unknown --format: ") + parser.value(QStringLiteral("format"));
            return std::nullopt;
        }
        r.format = static_cast<int>(*format);
    }
    if (!readSwitchPair(parser, "scheduled", "unscheduled", r.onlyScheduled, problem))
        return std::nullopt;
    if (!readValue(parser, "date-from", parseDate, r.from, QStringLiteral("\"YYYY-MM-DD hh:mm:ss\""), problem)
        || !readValue(parser, "date-to", parseDate, r.to, QStringLiteral("\"YYYY-MM-DD hh:mm:ss\""), problem)
        || !readValue(parser, "conc-a", parseBound, r.boundA, QStringLiteral("a concentration from 0 to 10 ppm"), problem)
        || !readValue(parser, "conc-b", parseBound, r.boundB, QStringLiteral("a concentration from 0 to 10 ppm"), problem))
        return std::nullopt;
    if (parser.isSet(QStringLiteral("conc-rule"))) {
        const qsizetype index = kRuleNames.indexOf(parser.value(QStringLiteral("conc-rule")).toLower());
        if (index < 0) {
            problem = QStringLiteral("--conc-rule takes between, outside or equal");
            return std::nullopt;
        }
        r.rule = static_cast<DownloadFilter::ConcentrationRule>(index);
    }
    return r;
}

QList<QCommandLineOption> DataFileOptions()
{
    QList<QCommandLineOption> options{
        QCommandLineOption({QStringLiteral("o"), QStringLiteral("output")}, QStringLiteral("The data file to write; - for standard output."),
            QStringLiteral("FILE")),
        ValueOption("sep", "Field separator: comma, semicolon, tab or space.", "SEP"),
        QCommandLineOption(QStringLiteral("single-column"), QStringLiteral("Date and time in one column.")),
        QCommandLineOption(QStringLiteral("two-columns"), QStringLiteral("Date and time in two columns.")),
    };
    const QList<QCommandLineOption> filter = FilterOptions();
    options.insert(1, filter.first());   // --format after -o, as --help has always listed them
    options << filter.mid(1);
    return options;
}

QList<QCommandLineOption> FilterOptions()
{
    return {
        ValueOption("format", "dd-mmm-yyyy, dd/mm/yy, mm/dd/yy, utc, by-schedule, by-date, by-concentration, "
                              "comprehensive, gnuplot, or the index 0 to 8.", "NAME"),
        QCommandLineOption(QStringLiteral("scheduled"), QStringLiteral("by-schedule: only scheduled samples.")),
        QCommandLineOption(QStringLiteral("unscheduled"), QStringLiteral("by-schedule: only the other samples.")),
        ValueOption("date-from", "by-date: from \"YYYY-MM-DD hh:mm:ss\".", "DATE"),
        ValueOption("date-to", "by-date: to \"YYYY-MM-DD hh:mm:ss\".", "DATE"),
        ValueOption("conc-a", "by-concentration: bound A in ppm.", "X"),
        ValueOption("conc-b", "by-concentration: bound B in ppm.", "Y"),
        ValueOption("conc-rule", "by-concentration: between, outside or equal.", "RULE"),
    };
}

DownloadFilter FilterAsRequested(CliSession& session, const DataFileRequest& request, const DownloadTable& table)
{
    const DataFileSettings settings(UserSettingsPath(session.services().paths));
    DownloadPageModel page(settings);
    preparePage(page, request, table);
    return page.filter;
}

int SaveTableAsRequested(CliSession& session, const DataFileRequest& request, const DownloadTable& table,
    const InstrumentInfo& info, const FirmwareFlags& flags, TerminalProgress& progress)
{
    Services& services = session.services();
    const DataFileSettings settings(UserSettingsPath(services.paths));
    DownloadPageModel page(settings);
    preparePage(page, request, table);

    const bool toStdout = IsStandardOutput(request.output);
    // Without --format the stored one is used, and it may be the plot script.
    if (page.filter.format() == DataFormat::PlotScript) {
        if (const QString problem = PlotTargetProblem(request.output, StoredPlot); !problem.isEmpty()) {
            session.error(problem + QStringLiteral(": give --format or another file name"));
            return ExitUsage;
        }
    }
    SaveFileAnswer answer(services.prompts, toStdout ? request.output : QDir::current().absoluteFilePath(request.output),
        request.typeNumber);
    Services saveServices{services.log, answer, services.perUser, services.paths, services.appCaption};
    SaveDataContext saveContext{saveServices, settings, table, info, flags, progress,
        ThisProgramIdentity(services.appCaption, QCoreApplication::arguments().mid(1))};
    const SaveDataResult saved = SaveData(saveContext, page.filter, page.singleColumnBox.singleColumn());
    progress.finish();
    if (!saved.saved)
        return ExitFailed;
    // With -o - standard output carries the data alone.
    const QString where = toStdout ? QStringLiteral("standard output") : QLatin1Char('\'') + saved.path + QLatin1Char('\'');
    std::fputs(QStringLiteral("%1 data points saved to %2.\n").arg(saved.count).arg(where).toLocal8Bit().constData(),
        toStdout ? stderr : stdout);
    return ExitOk;
}
