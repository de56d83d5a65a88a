// Where F1 finds the user manual: beside the program (a build or an unpacked
// copy), else in <prefix>/share/tolvi of an installed program.
#include "TempFolder.h"
#include "shell/AboutText.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

const QString Manual = QStringLiteral("Tolvi-M Download Software Manual.pdf");

void touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

TEST(ManualPath, BesideTheProgramFirstThenTheInstalledShareFolder)
{
    struct Case {
        const char* name;
        bool beside;
        bool installed;
        bool expectInstalled;
    };
    const Case cases[] = {
        {"OnlyInstalled", false, true, true},
        {"OnlyBeside", true, false, false},
        {"BothPreferBeside", true, true, false},
        // Neither: the documented place, so the failure names it.
        {"Neither", false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder prefix;
        const QString bin = prefix.file(QStringLiteral("bin"));
        QDir().mkpath(bin);
        const QString beside = QDir(bin).filePath(Manual);
        const QString installed = prefix.file(QStringLiteral("share/tolvi/") + Manual);
        if (c.beside)
            touch(beside);
        if (c.installed)
            touch(installed);
        EXPECT_EQ(ManualPath(bin), c.expectInstalled ? installed : beside);
    }
}

} // namespace
