#include "ScriptedPrompts.h"
#include "SlotFixtures.h"
#include "TempFolder.h"
#include "data/DataFileSettings.h"
#include "data/DownloadFilter.h"
#include "data/SaveData.h"
#include "instrument/InstrumentInfo.h"
#include "link/FirmwareFlags.h"
#include "shell/Operation.h"
#include "shell/PerUserSettings.h"
#include "shell/Services.h"
#include "shell/SessionLog.h"
#include "shell/TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace fixtures;

namespace {
struct RecordingObserver : OperationObserver {
    QStringList panel1;
    void statusText(int panel, const QString& text) override
    {
        if (panel == 1)
            panel1 << text;
    }
};

// A data folder with user.txt, the services and the downloaded slots of one save.
struct SaveFixture {
    TempFolder tmp;
    SessionLog log;
    QStringList logLines;
    ScriptedPrompts prompts;
    PerUserSettings perUser{tmp.file(QStringLiteral("per-user.ini"))};
    Services services{log, prompts, perUser, tmp.paths()};
    QString userFile = tmp.file(QStringLiteral("user.txt"));
    bool userFileMade = WriteFileAtomically(userFile, QByteArray());
    DataFileSettings settings{userFile};
    DownloadTable table;
    InstrumentInfo info;
    FirmwareFlags flags;
    RecordingObserver observer;
    DownloadFilter filter;

    SaveFixture()
    {
        log.setListener([this](const QString& line, int) { logLines << line; });
        info.SerialNumber = QStringLiteral("123F");
        const QDateTime start(QDate(2026, 9, 4), QTime(13, 5, 0));
        table.resize(4);
        table[1] = slot(1.25f, start);
        table[2] = scheduled(0.5f, true);
        table[2].SampleTime = start.addSecs(600);
        table[3] = scheduled(0.75f);
        table[3].SampleTime = start.addSecs(1200);
        table[4] = slot(-1.0f, start.addDays(90));
    }

    SaveDataResult save(const QString& fileName, int typeNumber, bool singleColumn, const QLocale& locale = english)
    {
        prompts.files.push_back(Prompts::FileChosen{tmp.file(fileName), typeNumber - 1});
        SaveDataContext context{services, settings, table, info, flags, observer, ProgramIdentity{}, locale};
        return SaveData(context, filter, singleColumn);
    }

    bool logged(const QString& text) const
    {
        return std::any_of(logLines.begin(), logLines.end(), [&](const QString& l) { return l.endsWith(text); });
    }
};

QStringList fileLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// Runs a program to its end (at most a minute); its standard output, or nullopt when it could not run or failed.
std::optional<QString> run(const QString& program, const QStringList& arguments, const QString& folder,
    const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString() << ": " << process.readAllStandardError().toStdString();
        return std::nullopt;
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}
}

TEST(SaveData, DelimitedFileStoresTheChoicesAndReportsTheCount)
{
    SaveFixture f;
    f.filter.formatIndex = static_cast<int>(DataFormat::ByConcentration);
    f.filter.boundA = 1000; // swapped to 0.5 .. 1.0 by the save
    f.filter.boundB = 500;
    const SaveDataResult result = f.save(QStringLiteral("run.csv"), 2, false);
    ASSERT_TRUE(result.saved);
    EXPECT_EQ(result.count, 2);
    EXPECT_EQ(f.settings.filter(), 6);
    EXPECT_EQ(f.settings.delimiter(), QStringLiteral("2"));

    const QStringList lines = fileLines(f.tmp.file(QStringLiteral("run.csv")));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], QStringLiteral("Date;Time;Reading/ppm;Temperature/oC;Humidity/%rh;Reading/mg.m^-3;Notes"));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("04-Sept-2026;13:15:00; 000.500;"))) << lines[1].toStdString(); // en_GB abbreviation
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral(";Scheduled")));

    EXPECT_TRUE(f.logged(QStringLiteral("2 slots removed by Concentration Filter")));
    EXPECT_TRUE(f.logged(QStringLiteral("2 results saved to ") + f.tmp.file(QStringLiteral("run.csv"))
        + QStringLiteral(" via DD-MMM-YYYY Filter")));
    EXPECT_TRUE(f.observer.panel1.last().startsWith(QStringLiteral("2 samples saved to '")));
    EXPECT_EQ(f.observer.panel1.first(), QStringLiteral("Saving data... (050%)"));

    // The next delimited save preselects the semicolon type again.
    f.save(QStringLiteral("again.csv"), 2, false);
    EXPECT_EQ(f.prompts.fileChoices.last().selectedFilter, 1);
    EXPECT_EQ(f.prompts.fileChoices.last().defaultExtension, QStringLiteral("csv"));
    EXPECT_TRUE(f.prompts.fileChoices.last().proposedName.startsWith(QStringLiteral("Karvex_")));
    EXPECT_EQ(f.prompts.fileChoices.last().proposedName.size(), 19);
}

TEST(SaveData, DialogPreselectionFollowsStoredChoiceOrLocale)
{
    struct Case { const char* stored; const QLocale& locale; int preselected; const char* extension; };
    const Case cases[] = {{"0", english, 0, "csv"}, {"0", german, 1, "csv"}, {"3", english, 2, "txt"},
        {"4", german, 3, "txt"}, {"9", english, 0, "csv"}, {"junk", german, 1, "csv"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "stored " << c.stored << ", " << c.locale.name().toStdString());
        SaveFixture f;
        WriteFileAtomically(f.userFile, QByteArray("[Datafiles]\r\nDelimiter=") + c.stored + "\r\n");
        f.prompts.files.push_back(std::nullopt); // cancelled: nothing written
        SaveDataContext context{f.services, f.settings, f.table, f.info, f.flags, f.observer, ProgramIdentity{}, c.locale};
        EXPECT_FALSE(SaveData(context, f.filter, true).saved);
        EXPECT_EQ(f.prompts.fileChoices.last().selectedFilter, c.preselected) << c.stored;
        // A text type is not proposed as a ".csv" file.
        EXPECT_EQ(f.prompts.fileChoices.last().defaultExtension, QString::fromLatin1(c.extension));
        EXPECT_EQ(f.settings.delimiter(), QString::fromLatin1(c.stored)) << "a cancelled dialog stores nothing";
    }
}

// The dialog opens where the last save went; a folder since removed, or
// none kept yet, leaves the choice to the dialog. A cancelled dialog keeps
// the folder it had.
TEST(SaveData, DialogOpensInTheFolderOfTheLastSave)
{
    SaveFixture f;
    const QString sub = f.tmp.file(QStringLiteral("runs"));
    ASSERT_TRUE(QDir().mkpath(sub));
    f.prompts.files.push_back(std::nullopt);
    SaveDataContext context{f.services, f.settings, f.table, f.info, f.flags, f.observer, ProgramIdentity{}, english};
    SaveData(context, f.filter, false);
    EXPECT_EQ(f.prompts.fileChoices.last().folder, QString()) << "nothing saved yet";

    ASSERT_TRUE(f.save(QStringLiteral("runs/first.csv"), 1, false).saved);
    f.prompts.files.push_back(std::nullopt);
    SaveData(context, f.filter, false);
    EXPECT_EQ(f.prompts.fileChoices.last().folder, sub);
    f.prompts.files.push_back(std::nullopt);
    SaveData(context, f.filter, false);
    EXPECT_EQ(f.prompts.fileChoices.last().folder, sub) << "a cancel keeps it";

    ASSERT_TRUE(QDir(sub).removeRecursively());
    f.prompts.files.push_back(std::nullopt);
    SaveData(context, f.filter, false);
    EXPECT_EQ(f.prompts.fileChoices.last().folder, QString()) << "a removed folder is not offered";
}

TEST(SaveData, PlotScriptDialogStoresItsTypeAsTheDelimiter)
{
    SaveFixture f;
    f.filter.formatIndex = static_cast<int>(DataFormat::PlotScript);
    const SaveDataResult result = f.save(QStringLiteral("plot"), 2, true);
    ASSERT_TRUE(result.saved);
    EXPECT_EQ(f.prompts.fileChoices.last().defaultExtension, QStringLiteral("plt"));
    EXPECT_EQ(f.settings.delimiter(), QStringLiteral("2"));
    EXPECT_EQ(result.path, f.tmp.file(QStringLiteral("plot.dat")));
    EXPECT_EQ(fileLines(f.tmp.file(QStringLiteral("plot"))).size(), 20);     // the script survives
    EXPECT_EQ(fileLines(result.path).size(), 5);
    EXPECT_FALSE(f.logged(QStringLiteral("results saved to")));
    EXPECT_EQ(f.observer.panel1.size(), 1);
}

TEST(SaveData, FailedWriteLeavesTheEarlierFileAndReportsIt)
{
    SaveFixture f;
    const QString folder = f.tmp.file(QStringLiteral("locked"));
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString target = folder + QStringLiteral("/run.csv");
    ASSERT_TRUE(WriteFileAtomically(target, QByteArray("earlier\r\n")));
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    if (QFileInfo(folder).isWritable() || ::geteuid() == 0) {
        // Permissions do not bind here; a missing folder fails the same way.
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        f.prompts.files.push_back(Prompts::FileChosen{f.tmp.file(QStringLiteral("missing/run.csv")), 0});
    } else {
        f.prompts.files.push_back(Prompts::FileChosen{target, 0});
    }
    SaveDataContext context{f.services, f.settings, f.table, f.info, f.flags, f.observer, ProgramIdentity{}, english};
    EXPECT_FALSE(SaveData(context, f.filter, true).saved);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(fileLines(target), QStringList{QStringLiteral("earlier")});
    ASSERT_EQ(f.prompts.texts_of(QStringLiteral("message")).size(), 1);
    EXPECT_TRUE(f.prompts.texts_of(QStringLiteral("message"))[0].contains(QStringLiteral("procedure btnSaveData_Click")));
    EXPECT_FALSE(f.observer.panel1.last().contains(QStringLiteral("samples saved")));
    EXPECT_FALSE(f.logged(QStringLiteral("Data written to "))) << "the log claims lines the file never got";
}

TEST(SaveData, ComprehensiveEndsWithTheMetadataBlock)
{
    SaveFixture f;
    f.filter.formatIndex = static_cast<int>(DataFormat::Comprehensive);
    f.info.RecordFolder = f.tmp.file(QStringLiteral("123F"));
    QDir().mkpath(f.info.RecordFolder);
    WriteFileAtomically(f.info.RecordFolder + QStringLiteral("/settings.txt"),
        "[MGM]\r\nP=101.3\r\n[Defualt]\r\nCounter=17\r\n");
    WriteFileAtomically(f.info.RecordFolder + QStringLiteral("/initial.txt"), "[Default]\r\nFirstSeen=01/02/2020 GMT\r\n");
    const SaveDataResult result = f.save(QStringLiteral("all.txt"), 3, true);
    ASSERT_TRUE(result.saved);
    const QStringList lines = fileLines(result.path);
    ASSERT_EQ(lines.size(), 1 + 4 + 28);
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("0001\t")));
    EXPECT_EQ(lines[5], QString());
    EXPECT_EQ(lines[6], QStringLiteral("#%$Meta%"));
    EXPECT_EQ(lines[9], QStringLiteral("#File:\t\"") + result.path + QStringLiteral("\""));
    EXPECT_TRUE(lines.contains(QStringLiteral("#P=\t\"101.3\"")));
    EXPECT_TRUE(lines.contains(QStringLiteral("#FIRST=\t\"01/02/2020 GMT\"")));
    EXPECT_EQ(lines.last(), QStringLiteral("#FISRTCOUNT=\t\"17\""));
    EXPECT_TRUE(f.logged(QStringLiteral(" via Comprehensive Filter")));
}

// The exports read back by a CSV reader that knows nothing of this program,
// with numbers read in the locale the file was written for.
TEST(SaveData, CsvExportsReadBackWithAStandardReader)
{
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty())
        GTEST_SKIP() << "python3 is not installed";
    const char* script = R"(
import csv, locale, sys
locale.setlocale(locale.LC_NUMERIC, sys.argv[3])
with open(sys.argv[1], newline='', encoding='utf-8') as f:
    rows = list(csv.reader(f, delimiter=sys.argv[2]))
print(len(rows[0]))
for row in rows[1:]:
    reading = row[-5].strip()
    print(len(row), locale.atof(reading) if reading else 'none', locale.atof(row[-4]), row[-1])
)";
    struct Case { const QLocale& locale; const char* posixLocale; int type; const char* sep; };
    const Case cases[] = {{english, "en_GB.UTF-8", 1, ","}, {german, "de_DE.UTF-8", 2, ";"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.posixLocale << " type " << c.type);
        SaveFixture f;
        if (!run(QStringLiteral("locale"), {QStringLiteral("-a")}, f.tmp.path())
                 .value_or(QString()).contains(QString::fromLatin1(c.posixLocale).replace(QStringLiteral("UTF-8"), QStringLiteral("utf8")))) {
            ADD_FAILURE() << c.posixLocale << " is not generated (run locale-gen)";
            continue;
        }
        const SaveDataResult result = f.save(QStringLiteral("read.csv"), c.type, false, c.locale);
        ASSERT_TRUE(result.saved);
        WriteFileAtomically(f.tmp.file(QStringLiteral("read.py")), script);
        const auto out = run(python, {f.tmp.file(QStringLiteral("read.py")), result.path, QString::fromLatin1(c.sep),
                                          QString::fromLatin1(c.posixLocale)}, f.tmp.path());
        ASSERT_TRUE(out.has_value());
        EXPECT_EQ(out->split(QLatin1Char('\n'), Qt::SkipEmptyParts),
            (QStringList{QStringLiteral("7"), QStringLiteral("7 1.25 21.5 Manual"),
                QStringLiteral("7 0.5 21.5 Scheduled"), QStringLiteral("7 0.75 21.5 Scheduled"),
                QStringLiteral("7 none 21.5 No Reading:Manual")}))
            << c.posixLocale;
    }
}

// The exported script, run by the plotting program in its own folder, draws its chart,
// whatever month names the user's locale has.
TEST(SaveData, PlotScriptRunsInThePlottingProgram)
{
    const QString gnuplot = QStandardPaths::findExecutable(QStringLiteral("gnuplot"));
    if (gnuplot.isEmpty())
        GTEST_SKIP() << "gnuplot is not installed (scripts/setup.sh installs gnuplot-nox)";
    for (const QLocale& locale : {english, german}) {
        SaveFixture f;
        f.filter.formatIndex = static_cast<int>(DataFormat::PlotScript);
        const SaveDataResult result = f.save(QStringLiteral("chart.plt"), 1, true, locale);
        ASSERT_TRUE(result.saved);
        ASSERT_TRUE(run(gnuplot, {QStringLiteral("chart.plt")}, f.tmp.path()).has_value());
        const QFileInfo png(f.tmp.file(QStringLiteral("chart.png")));
        EXPECT_TRUE(png.exists() && png.size() > 0) << locale.name().toStdString();
    }
}
