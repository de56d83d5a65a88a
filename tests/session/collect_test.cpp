#include "ModelRig.h"
#include "QtPrinters.h"
#include "QuickTiming.h"
#include "SilentLine.h"
#include "SimHost.h"
#include "session/Collect.h"
#include "shell/Operation.h"
#include "shell/SettingsFile.h"
#include "shell/StartupFiles.h"

#include <QFile>
#include <gtest/gtest.h>

// The bridges' list in app.txt: commas or blanks between entries, each
// entry once, as written.
TEST(Collect, BridgesAreReadFromAppTxt)
{
    struct Case {
        const char* name;
        const char* listed;   // nullptr: no entry at all
        QStringList bridges;
    };
    const Case cases[] = {
        {"NoEntry", nullptr, {}},
        {"Empty", "", {}},
        {"Commas", "net://10.0.0.5:8899,net://10.0.0.6:8899", {"net://10.0.0.5:8899", "net://10.0.0.6:8899"}},
        {"BlanksAndRepeats", " net://a:1 ,  net://b:2\tnet://a:1 ", {"net://a:1", "net://b:2"}},
        {"KeptAsWritten", "bridge:8899", {"bridge:8899"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        QFile app(AppSettingsPath(folder.paths()));
        ASSERT_TRUE(app.open(QIODevice::WriteOnly));
        app.write("; === Application Settings ===\r\n");
        app.close();
        if (c.listed) {
            ASSERT_TRUE(WriteSettingsEntry(app.fileName(), CollectSection, CollectBridgesKey, QString::fromLatin1(c.listed)));
        }
        EXPECT_EQ(CollectBridges(folder.paths()), c.bridges);
    }
}

// The port list's serial ports are tried, each on a link of its own: a port
// that answers nothing is passed by without a word, the instrument on
// another is collected, and the session's own link stays closed.
TEST(Collect, SilentPortIsPassedByAndTheInstrumentIsCollected)
{
    ModelRig rig;
    rig.link.setTiming(QuickTiming());
    SilentLine silent;
    SimScenario scenario;
    scenario.slots = VariedSlots(8, 1796389500);
    scenario.timing.slotDelayMs = 15;
    SimHost sim(scenario);
    rig.portMap.addOverride(3, silent.path());
    rig.portMap.addOverride(5, sim.ptyPath());
    rig.devices = {QStringLiteral("\\Device\\VCP0=COM3")};

    CancelToken cancel;
    QStringList told;
    const std::vector<CollectedInstrument> collected = CollectNewData(*rig.session, {}, ArchiveStore{}, cancel,
        [&told](const CollectedInstrument& c) { told << CollectedLine(c); });
    ASSERT_EQ(collected.size(), 1u);
    const CollectedInstrument& c = collected.front();
    EXPECT_EQ(c.where, sim.ptyPath());
    EXPECT_EQ(c.serial, QStringLiteral("10234F"));
    EXPECT_EQ(c.result, CollectedInstrument::Result::Archived);
    EXPECT_EQ(c.slotsAdded, 8);
    EXPECT_TRUE(c.answered);
    EXPECT_EQ(told, QStringList{"10234F on " + sim.ptyPath() + ": 8 slots added"});
    EXPECT_TRUE(rig.logged(QStringLiteral("No instrument on ") + silent.path()));
    EXPECT_TRUE(rig.prompts.shown().isEmpty());
    EXPECT_FALSE(rig.link.isOpen());
    EXPECT_EQ(CollectionVerdict(collected), CollectVerdict::AllArchived);
}
