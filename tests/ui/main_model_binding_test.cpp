#include "AppFixture.h"
#include "SilentLine.h"
#include "link/InstrumentLink.h"
#include "link/PortMap.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <gtest/gtest.h>

namespace {

QStringList listedPorts(ConfigurePage* page)
{
    QStringList entries;
    for (int i = 0; i < page->lstComPorts->count(); ++i)
        entries << page->lstComPorts->itemText(i);
    return entries;
}

// Runs the window's events until the port list does (or does not) hold
// port, within a bound; true when it came to pass.
bool waitForListing(ConfigurePage* page, int port, bool listed)
{
    const QDeadlineTimer deadline(20000);
    while ((PortEntry::indexOf(listedPorts(page), port) >= 0) != listed) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

} // namespace

// An adapter plugged in shows in the window's list without a rescan, the
// user's pick stays while other adapters come and go, and an adapter
// unplugged leaves the list.
TEST(MainModelBinding, PortListFollowsAdaptersWithoutARescan)
{
    AppFixture f;
    f.withoutPassword();
    TolviApplication app(f.options());
    app.start();
    ASSERT_TRUE(app.instrumentThread().waitUntilIdle(30000));
    ConfigurePage* page = app.window().configurePage();
    PortMap& ports = app.link().ports().portMap();

    SilentLine picked;
    ports.addOverride(201, picked.path());
    ASSERT_TRUE(waitForListing(page, 201, true));

    // The user picks it in the list.
    const int at = int(PortEntry::indexOf(listedPorts(page), 201));
    page->lstComPorts->setCurrentIndex(at);
    Q_EMIT page->lstComPorts->textActivated(page->lstComPorts->itemText(at));
    const QString pick = page->lstComPorts->currentText();

    auto other = std::make_unique<SilentLine>();
    ports.addOverride(202, other->path());
    ASSERT_TRUE(waitForListing(page, 202, true));
    EXPECT_EQ(page->lstComPorts->currentText(), pick);

    other.reset();   // unplugged: its device node goes
    ASSERT_TRUE(waitForListing(page, 202, false));
    EXPECT_EQ(page->lstComPorts->currentText(), pick);
    ASSERT_TRUE(app.instrumentThread().waitUntilIdle(30000));
    EXPECT_TRUE(page->btnSelectComPort->isEnabled());
}
