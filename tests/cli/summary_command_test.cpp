#include "CliProcess.h"
#include "PdfTools.h"
#include "QtPrinters.h"
#include "ReportFigures.h"
#include "TempFolder.h"

#include <QFile>
#include <QJsonDocument>
#include <gtest/gtest.h>

namespace {
// The built-in simulated instrument's serial number.
const QString kArchivedSerial = QStringLiteral("10234F");

QJsonObject Json(const QString& text)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << text.toStdString();
    return document.object();
}
}

// The summary of a download as JSON with its PDF, and the same slots read
// back from the archive without the instrument: the figures agree, and a
// reader of the PDF finds each of them.
TEST(SummaryCommand, DownloadAndArchiveGiveTheSameFiguresInJsonTextAndPdf)
{
    TempFolder folder;
    const QString pdf = folder.file(QStringLiteral("report.pdf"));
    const CliFinished download = RunCliWithData(folder.path(),
        {"--demo", "summary", "--json", "--limit", "0.5", "--window", "1h", "--window", "15m", "--pdf", pdf});
    ASSERT_EQ(download.exitCode, 0) << download.err.toStdString();
    // Standard output is the JSON alone.
    EXPECT_TRUE(download.err.endsWith(QStringLiteral("Report saved to '%1'.\n").arg(pdf))) << download.err.toStdString();
    const QJsonObject json = Json(download.out);
    EXPECT_EQ(json[QStringLiteral("layout")].toInt(), 1);
    EXPECT_EQ(json[QStringLiteral("instrument")][QStringLiteral("serial")].toString(), kArchivedSerial);
    EXPECT_EQ(json[QStringLiteral("samples")].toInt(), 301);
    EXPECT_GT(json[QStringLiteral("readings")].toInt(), 0);
    EXPECT_EQ(json[QStringLiteral("limit")][QStringLiteral("ppm")].toDouble(), 0.5);
    EXPECT_EQ(json[QStringLiteral("limit")][QStringLiteral("from")].toString(), QStringLiteral("given"));
    const QJsonArray windows = json[QStringLiteral("ppm")][QStringLiteral("windows")].toArray();
    ASSERT_EQ(windows.size(), 2);
    EXPECT_EQ(windows[0][QStringLiteral("name")].toString(), QStringLiteral("1h"));
    EXPECT_EQ(windows[1][QStringLiteral("seconds")].toInt(), 900);

    const QString text = pdftools::text(pdf);
    EXPECT_TRUE(text.contains(kArchivedSerial));
    for (const QString& figure : ReportFigures(json))
        EXPECT_TRUE(text.contains(figure)) << figure.toStdString();

    const CliFinished archived = RunCliWithData(folder.path(),
        {"summary", "--archive", "--serial", kArchivedSerial, "--json", "--limit", "0.5", "--window", "1h", "--window", "15m"});
    ASSERT_EQ(archived.exitCode, 0) << archived.err.toStdString();
    const QJsonObject fromArchive = Json(archived.out);
    for (const char* key : {"samples", "readings", "first", "last", "ppm", "mgPerCubicMetre", "episodes", "days", "gaps"})
        EXPECT_EQ(fromArchive[QLatin1String(key)], json[QLatin1String(key)]) << key;
    EXPECT_EQ(fromArchive[QStringLiteral("selection")][QStringLiteral("origin")].toString(),
        QStringLiteral("Archive of 10234F, generation 1"));

    const CliFinished plain = RunCliWithData(folder.path(), {"summary", "--archive", "--serial", kArchivedSerial});
    ASSERT_EQ(plain.exitCode, 0) << plain.err.toStdString();
    for (const char* expected : {"Measurement report: instrument 10234F", "Time-weighted mean", "Highest 8h average",
             "Days", "Episodes above the limit", "Gaps"})
        EXPECT_TRUE(plain.out.contains(QLatin1String(expected))) << expected;
}

TEST(SummaryCommand, BadRequestsSayWhatIsWrongAndWriteNoFile)
{
    TempFolder folder;
    ASSERT_EQ(RunCliWithData(folder.path(), {"--demo", "download", "-o", folder.file(QStringLiteral("a.csv"))}).exitCode, 0);
    const QString pdf = folder.file(QStringLiteral("never.pdf"));
    struct Case {
        QStringList arguments;
        int exitCode;
        QString error;
    };
    const QList<Case> cases{
        {{"summary", "--pdf", "-"}, 1, "--pdf takes a file name (not -)"},
        {{"summary", "--pdf", folder.file(QStringLiteral("gone/x.pdf"))}, 1, "cannot write "},
        {{"summary", "--window", "8x"}, 1, "--window takes a time such as 8h, 15m or 1h30m (up to 168h): 8x"},
        {{"summary", "--limit", "-1"}, 1, "--limit takes a concentration in ppm, 0 or more"},
        {{"summary", "--limit", "nan"}, 1, "--limit takes a concentration in ppm, 0 or more"},
        {{"summary", "--archive"}, 1, "summary --archive needs --serial S (see archive list)"},
        {{"summary", "--archive", "--serial", kArchivedSerial, "--new"}, 1,
            "--archive reads no instrument: --from, --to and --new do not go with it"},
        {{"summary", "--generation", "1"}, 1, "--generation and --all choose from an archive: give --archive --serial S"},
        {{"summary", "--archive", "--serial", "NOPE"}, 3, "No archive for instrument NOPE: "},
        {{"summary", "--archive", "--serial", kArchivedSerial, "--generation", "7"}, 1,
            "--generation takes one of the archive's generations (see archive list)"},
        {{"summary", "--archive", "--serial", kArchivedSerial, "--format", "by-concentration", "--conc-a", "9", "--conc-b", "10",
             "--pdf", pdf},
            3, "No reading passes this filter: there is nothing to summarise."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        const CliFinished run = RunCliWithData(folder.path(), c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_TRUE(run.err.contains(QStringLiteral("tolvi-cli: ") + c.error)) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    }
    EXPECT_FALSE(QFile::exists(pdf));
}
