#include "ScriptedPrompts.h"
#include "shell/ErrorReport.h"
#include "shell/SessionLog.h"

#include <gtest/gtest.h>
#include <functional>

// The boundary guard: a failure of each kind is reported once, with its
// number, through the common error text; the caller learns that the body
// did not finish.
namespace {
struct FailureCase {
    const char* name;
    std::function<void()> body;
    QString expected;   // the message shown
};

class GuardBoundaryTest : public ::testing::TestWithParam<FailureCase> {};

const ErrorSite Site{"ConnectionControl", "frmMain", true};
} // namespace

TEST_P(GuardBoundaryTest, ReportsTheFailureWithTheNumberOfItsKind)
{
    SessionLog log;
    QStringList logged;
    log.setListener([&](const QString& line, int level) {
        if (level == SessionLog::Error)
            logged << line;
    });
    ScriptedPrompts prompts;
    bool after = false;
    const bool finished = GuardBoundary(log, prompts, Site, [&] {
        GetParam().body();
        after = true;
    });
    EXPECT_FALSE(finished);
    EXPECT_FALSE(after);
    EXPECT_EQ(prompts.texts_of("message"), QStringList{GetParam().expected});
    ASSERT_EQ(logged.size(), 1);
    EXPECT_TRUE(logged[0].endsWith(GetParam().expected)) << logged[0].toStdString();
}

INSTANTIATE_TEST_SUITE_P(Kinds, GuardBoundaryTest,
    ::testing::Values(
        FailureCase{"SubscriptOutOfRange", [] { throw std::out_of_range("index 9"); },
            "Error 9 (index 9) on line 0 in procedure ConnectionControl of Form frmMain."},
        FailureCase{"Overflow", [] { throw std::overflow_error("too big"); },
            "Error 6 (too big) on line 0 in procedure ConnectionControl of Form frmMain."},
        FailureCase{"OutOfMemory", [] { throw std::bad_alloc(); },
            "Error 7 (std::bad_alloc) on line 0 in procedure ConnectionControl of Form frmMain."},
        FailureCase{"AnyOther", [] { throw std::runtime_error("no reply"); },
            "Error 5 (no reply) on line 0 in procedure ConnectionControl of Form frmMain."}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST(GuardBoundary, ABodyThatFinishesReportsNothing)
{
    SessionLog log;
    ScriptedPrompts prompts;
    int runs = 0;
    EXPECT_TRUE(GuardBoundary(log, prompts, Site, [&] { ++runs; }));
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(prompts.shown().isEmpty());
}

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
