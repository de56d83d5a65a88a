#include "ArchiveContents.h"
#include "CliProcess.h"
#include "QtPrinters.h"
#include "TempFolder.h"
#include "records/TechnicalFile.h"

#include <QDir>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

namespace {

// tolvi-cli --demo techfile with its data and home folder in folder.
CliFinished runTechFile(const TempFolder& folder, const QStringList& extra)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), folder.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folder.file(QStringLiteral("config")));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder.path());
    process.start(BriskCli(),
        QStringList{QStringLiteral("--data-dir"), folder.file(QStringLiteral("data")), QStringLiteral("--demo"),
            QStringLiteral("techfile")}
            + extra);
    return FinishCli(process);
}

TEST(CliTechFile, WritesTheArchiveAndPrintsItsPath)
{
    struct Case {
        const char* name;
        QStringList extra;
        QString expectedPath;   // relative to the folder
    };
    TempFolder folder;
    for (const Case& c : {Case{"GivenPath", {QStringLiteral("-o"), QStringLiteral("service.tolvi")},
                              QStringLiteral("service.tolvi")},
             Case{"DocumentsFolder", {},
                 QStringLiteral("Documents/") + TechnicalFileName(QStringLiteral("10234F"), QDate::currentDate())}}) {
        SCOPED_TRACE(c.name);
        const CliFinished run = runTechFile(folder, c.extra);
        const QString path = folder.file(c.expectedPath);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(run.out, path + QLatin1Char('\n'));
        const ToolRun unzip = RunTool(QStringLiteral("unzip"), {QStringLiteral("-t"), path});
        EXPECT_EQ(unzip.exitCode, 0) << unzip.out.toStdString();
        const QStringList info = EntryLines(ArchiveEntries(path).value(QStringLiteral("info.txt")));
        EXPECT_EQ(info.value(info.size() - 1), QStringLiteral(":::5720:::"));
        EXPECT_TRUE(QDir(folder.file(QStringLiteral("data/Packet"))).isEmpty());
    }
}

TEST(CliTechFile, DownloadFirstListsTheSamples)
{
    struct Case {
        const char* name;
        QStringList extra;
        bool listsSamples;
    };
    TempFolder folder;
    for (const Case& c : {Case{"without", {}, false}, Case{"with --download", {QStringLiteral("--download")}, true}}) {
        SCOPED_TRACE(c.name);
        const QString path = folder.file(QStringLiteral("service.tolvi"));
        const CliFinished run = runTechFile(folder, QStringList{QStringLiteral("-o"), path} + c.extra);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QStringList fram = EntryLines(ArchiveEntries(path).value(QStringLiteral("data/fram.csv")));
        ASSERT_FALSE(fram.isEmpty());
        // The header line, and with the download one line per slot of the demo instrument.
        EXPECT_EQ(fram.size() > 1, c.listsSamples) << fram.size();
    }
}

}
