#include "shell/ErrorReport.h"

#include <gtest/gtest.h>

// The common error text takes the description as it stands, whatever it
// holds: a file path may contain "%1" to "%9".
TEST(ErrorText, DescriptionIsTakenAsItStands)
{
    struct Case { const char* name; const char* description; const char* expected; };
    const Case cases[] = {
        {"plain", "Path/File access error: /tmp/a.csv",
            "Error 75 (Path/File access error: /tmp/a.csv) on line 0 in procedure btnSaveData_Click of Form frmMain."},
        {"placeholders in a path", "cannot write /home/u/run%1%2.csv",
            "Error 75 (cannot write /home/u/run%1%2.csv) on line 0 in procedure btnSaveData_Click of Form frmMain."},
        {"highest placeholder", "50%9 done",
            "Error 75 (50%9 done) on line 0 in procedure btnSaveData_Click of Form frmMain."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ErrorText(75, QString::fromUtf8(c.description), 0, ErrorSite{"btnSaveData_Click", "frmMain", true}),
            QString::fromUtf8(c.expected));
    }
}
