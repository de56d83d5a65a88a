#include "ModelRig.h"
#include "QtPrinters.h"
#include "SilentLine.h"
#include "SimHost.h"
#include "session/KeepAlive.h"
#include "session/PortWatcher.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

// The bound on each wait for the watcher's word; the tests never measure
// time, they wait for the event.
constexpr int WatchWaitMs = 10000;

// A model whose port list follows the port table, as the window wires it:
// the watcher reads the table every few milliseconds and its signals go
// straight to the model's actions.
struct WatchedModelRig : ModelRig {
    PortWatcher watcher{*model, 5ms};
    QSignalSpy changed{&watcher, &PortWatcher::portsChanged};
    QSignalSpy gone{&watcher, &PortWatcher::connectedAdapterGone};

    WatchedModelRig()
    {
        QObject::connect(&watcher, &PortWatcher::portsChanged, model.get(), &MainModel::followPorts);
        QObject::connect(&watcher, &PortWatcher::connectedAdapterGone, model.get(), &MainModel::adapterUnplugged);
        model->rescanPorts();
    }

    // Adds a port to the map and waits until the watcher has seen it.
    bool plugIn(int port, const QString& path)
    {
        portMap.addOverride(port, path);
        return waitForChange();
    }
    bool waitForChange()
    {
        const qsizetype before = changed.size();
        return changed.size() > before || changed.wait(WatchWaitMs);
    }
    bool lists(int port) const { return PortEntry::indexOf(model->portEntries(), port) >= 0; }
};

} // namespace

TEST(PortWatcher, ListFollowsPortsPluggedInAndOutKeepingTheSelection)
{
    WatchedModelRig rig;
    ASSERT_TRUE(rig.watcher.watching());
    SilentLine first;
    auto second = std::make_unique<SilentLine>();

    // Plugged in: the new port is listed, with its device.
    ASSERT_TRUE(rig.plugIn(7, first.path()));
    EXPECT_TRUE(rig.lists(7));
    EXPECT_EQ(rig.model->portEditText(), PortEntry::PleaseSelect);

    // The user picks it; another port plugged in leaves the pick alone.
    rig.model->setPortEditText(PortEntry::serial(7));
    ASSERT_TRUE(rig.plugIn(9, second->path()));
    EXPECT_TRUE(rig.lists(9));
    EXPECT_EQ(rig.model->portEditText(), rig.model->portEntries()[PortEntry::indexOf(rig.model->portEntries(), 7)]);

    // Unplugged (the node goes with its controlling side): the port leaves
    // the list, the pick of another port stays.
    second.reset();
    ASSERT_TRUE(rig.waitForChange());
    EXPECT_FALSE(rig.lists(9));
    EXPECT_TRUE(rig.lists(7));
    EXPECT_EQ(PortEntry::portNumber(rig.model->portEditText()), 7);

    // The picked port itself unplugged: the box asks for a port again.
    rig.portMap.removeOverride(7);
    ASSERT_TRUE(rig.waitForChange());
    EXPECT_FALSE(rig.lists(7));
    EXPECT_EQ(rig.model->portEditText(), PortEntry::PleaseSelect);
}

TEST(PortWatcher, TheListStaysWhileConnectedAndAnUnpluggedAdapterIsALostLink)
{
    WatchedModelRig rig;
    auto sim = std::make_unique<SimHost>(SimScenario{});
    rig.portMap.addOverride(5, sim->ptyPath());
    rig.model->setPortEditText(PortEntry::serial(5));
    ASSERT_TRUE(rig.model->connectSelected());
    ASSERT_TRUE(rig.watcher.watching());
    const QStringList listed = rig.model->portEntries();
    const QString label = rig.model->connectionLabel();
    QSignalSpy listChanges(rig.model.get(), &MainModel::portListChanged);

    // A port plugged in while connected is not listed, not even when asked.
    SilentLine another;
    rig.portMap.addOverride(9, another.path());
    rig.model->followPorts();

    // The connected adapter unplugged: the keep-alive's lost link, its words
    // and its state, though no keep-alive ran.
    rig.prompts.clear();
    sim.reset();
    ASSERT_TRUE(rig.gone.size() > 0 || rig.gone.wait(WatchWaitMs));
    EXPECT_EQ(rig.model->linkState(), MainModel::LinkState::Lost);
    EXPECT_EQ(rig.model->statusPanel(1), LinkLostText);
    EXPECT_EQ(rig.model->statusPicture(), MainModel::StatusPicture::Lost);
    EXPECT_EQ(rig.prompts.texts_of(QStringLiteral("balloon")), QStringList{LinkLostText});
    EXPECT_TRUE(rig.logged(QStringLiteral("The device of COM5 has gone.")));
    EXPECT_EQ(rig.gone.size(), 1);
    EXPECT_FALSE(rig.watcher.watching());

    // The watcher read the table after port 9 came, yet the list never moved.
    EXPECT_EQ(rig.changed.size(), 0);
    EXPECT_EQ(listChanges.size(), 0);
    EXPECT_EQ(rig.model->portEntries(), listed);
    EXPECT_EQ(rig.model->connectionLabel(), label);

    // Disconnecting shows the ports present now, and the watch resumes.
    rig.model->disconnect();
    EXPECT_TRUE(rig.lists(9));
    EXPECT_FALSE(rig.lists(5));
    EXPECT_TRUE(rig.watcher.watching());
}

TEST(PortWatcher, NetworkLinksAreNotWatched)
{
    WatchedModelRig rig;
    SimHost bridge(SimScenario{}, {.pty = false, .tcp = true});
    ASSERT_TRUE(rig.model->connectNewNetwork(QStringLiteral("127.0.0.1"), bridge.tcpPort()));
    EXPECT_FALSE(rig.watcher.watching());

    rig.model->adapterUnplugged();
    EXPECT_EQ(rig.model->linkState(), MainModel::LinkState::Connected);
    EXPECT_NE(rig.model->statusPanel(1), LinkLostText);
}
