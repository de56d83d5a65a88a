// Simulator scenario files and start-up command lines as people mistype
// them: each is refused with a message that names what is wrong, or taken
// as it stands; nothing is quietly made up.
#include "ScriptedPrompts.h"
#include "TempFolder.h"
#include "shell/CommandLineOptions.h"
#include "shell/PerUserSettings.h"
#include "shell/Services.h"
#include "shell/SessionLog.h"
#include "SimScenario.h"

#include <QtPrinters.h>

#include <gtest/gtest.h>

#include <random>

namespace {

struct BadScenario {
    const char* name;
    QByteArray json;
    const char* messagePart;   // the error must contain it
};

QByteArray RandomText()
{
    std::mt19937 random(99);
    QByteArray bytes(300, '\0');
    for (char& byte : bytes)
        byte = char(random() & 0xFF);
    return bytes;
}

void ExpectRefused(const BadScenario& c)
{
    QString error;
    EXPECT_FALSE(SimScenarioFromJson(c.json, &error).has_value()) << c.name;
    EXPECT_TRUE(error.contains(QLatin1String(c.messagePart))) << c.name << ": " << error.toStdString();
}

TEST(ScenarioInput, MalformedFilesAreRefusedByName)
{
    const BadScenario cases[] = {
        {"empty", "", "not valid JSON"},
        {"randomBytes", RandomText(), "not valid JSON"},
        {"cutShort", R"({"identity": {"serial": 12)", "not valid JSON"},
        {"list", "[1, 2]", "must be a JSON object"},
        {"serialAsText", R"({"identity": {"serial": "12"}})", "\"serial\""},
        {"serialHuge", R"({"identity": {"serial": 1e300}})", "\"serial\""},
        {"serialFraction", R"({"identity": {"serial": 1.5}})", "\"serial\""},
        {"badDate", R"({"dates": {"calibrated": "2026-02-30"}})", "\"calibrated\""},
        {"slotTimeText", R"({"slots": [{"time": "yesterday"}]})", "\"time\""},
        {"rawSlotShort", R"({"slots": ["00FF"]})", "32 hexadecimal digits"},
        {"generateTooMany", R"({"slots": [{"generate": {"count": 1e9}}]})", "\"count\""},
        {"eepromAddressOutside", R"({"eeprom": {"0x400": "00"}})", "\"0x400\""},
        {"eepromNotHex", R"({"eeprom": {"0x10": "GG"}})", "\"0x10\""},
        {"limitTableShort", R"({"limitTable": "0102"})", "\"limitTable\""},
    };
    for (const BadScenario& c : cases)
        ExpectRefused(c);
}

// Values of the wrong kind are refused too, rather than standing in for
// something the file did not say.
TEST(ScenarioInput, WrongKindsOfValueAreRefused)
{
    const BadScenario cases[] = {
        {"sectionNotAnObject", R"({"identity": "V2.31"})", "\"identity\""},
        {"eventLogsNotAList", R"({"eventLogs": {"log": 1}})", "\"eventLogs\""},
        {"slotNotAnObject", R"({"slots": [5]})", "slot"},
        {"modeListFraction", R"({"slots": [{"generate": {"count": 2, "modes": [1.5]}}]})", "\"modes\""},
        {"clockOffsetHuge", R"({"clock": {"offsetSeconds": 1e300}})", "\"offsetSeconds\""},
        {"faultCountText", R"({"faults": {"stopStreamAfter": "ten"}})", "\"stopStreamAfter\""},
    };
    for (const BadScenario& c : cases)
        ExpectRefused(c);
}

TEST(ScenarioInput, UnreadableFileNamesThePath)
{
    TempFolder folder;
    QString error;
    const QString missing = folder.file(QStringLiteral("missing.json"));
    EXPECT_FALSE(LoadSimScenario(missing, &error).has_value());
    EXPECT_TRUE(error.contains(missing)) << error.toStdString();
    EXPECT_FALSE(LoadSimScenario(folder.path(), &error).has_value());
    EXPECT_TRUE(error.contains(folder.path())) << error.toStdString();
}

// Arguments that are no option are each reported once, exactly as given:
// control characters, other scripts, look-alike dashes, a very long text.
TEST(CommandLineInput, OddArgumentsAreReportedAsGiven)
{
    struct Case {
        const char* name;
        QStringList args;
        QStringList invalid;
    };
    const QString longArg(5000, QLatin1Char('x'));
    const QString withNul = QStringLiteral("-d") + QChar(0);
    const Case cases[] = {
        {"emptyArgument", {""}, {}},
        {"spaceOnly", {" "}, {"", ""}},
        {"tab", {"-d\t"}, {"-d\t"}},
        {"newline", {"-d\n-m"}, {"-d\n-m"}},
        {"nul", {withNul}, {withNul}},
        {"enDash", {QStringLiteral("\u2013d")}, {QStringLiteral("\u2013d")}},
        {"dottedCapitalI", {QStringLiteral("-\u0130")}, {QStringLiteral("-\u0130")}},
        {"long", {longArg}, {longArg}},
    };
    for (const Case& c : cases) {
        TempFolder folder;
        SessionLog log;
        ScriptedPrompts prompts;
        PerUserSettings perUser(folder.file(QStringLiteral("peruser.ini")));
        Services services{log, prompts, perUser, folder.paths()};
        const CommandLineOptions options = ParseCommandLine(c.args);
        EXPECT_EQ(options.invalidPieces(), c.invalid) << c.name;
        ApplyCommandLine(options, services, {});
        QStringList expected;
        for (const QString& piece : c.invalid)
            expected << InvalidArgumentMessage(piece);
        EXPECT_EQ(prompts.texts_of(QStringLiteral("message")), expected) << c.name;
    }
}

} // namespace
