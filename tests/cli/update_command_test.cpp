#include "CliProcess.h"
#include "FixedHttpServer.h"
#include "QtPrinters.h"
#include "TempFolder.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

const QString CliFolder = QStringLiteral(TOLVI_BINARY_DIR "/cli");

CliFinished runUpdate(const TempFolder& data, const QStringList& arguments)
{
    QProcess process;
    process.start(CliFolder + QStringLiteral("/tolvi-cli"),
        QStringList{QStringLiteral("--data-dir"), data.path(), QStringLiteral("update")} + arguments);
    return FinishCli(process);
}

} // namespace

TEST(CliUpdate, WithoutAServerSaysHowToSetOne)
{
    TempFolder data;
    const CliFinished run = runUpdate(data, {});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("No update server is set"))) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("--server"))) << run.err.toStdString();
}

// The program's own folder is the application folder; a dry run only says
// what it would do there.
TEST(CliUpdate, DryRunPrintsThePlanAndChangesNothing)
{
    TempFolder data;
    FixedHttpServer server;
    const QString absent = QStringLiteral("tolvi-update-test-absent.dll");
    server.serve(QStringLiteral("/updates/Tolvi_001000.txt"),
        ("%A notice for everyone\r\n" + absent + "_:_0_:_" + server.url(QStringLiteral("/files/x.dll")) + "_:_R_:_New\r\n")
            .toUtf8());
    const CliFinished run = runUpdate(data, {QStringLiteral("--server"), server.url(QStringLiteral("/updates/")),
                                               QStringLiteral("--dry-run")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("A notice for everyone\n"))) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(absent + QStringLiteral(": would replace "))) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("Update complete!\n"))) << run.out.toStdString();
    EXPECT_FALSE(QFileInfo::exists(QDir(CliFolder).filePath(absent)));
    EXPECT_EQ(server.requested(), QStringList{"/updates/Tolvi_001000.txt"});
}

TEST(CliUpdate, MissingListFails)
{
    TempFolder data;
    FixedHttpServer server;
    const CliFinished run = runUpdate(data, {QStringLiteral("--server"), server.url(QStringLiteral("/nothing/"))});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_TRUE(run.out.contains(QStringLiteral("The latest Version File was not retrieved!"))) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("Failed to retrieve the latest version file from the server")));
}
