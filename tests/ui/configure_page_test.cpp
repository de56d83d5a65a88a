#include "ConfigurePage.h"
#include "TempFolder.h"
#include "link/PortDiscovery.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <gtest/gtest.h>

// A port list that comes while the user has the list open (an adapter
// plugged in meanwhile) does not pull the entries from under the pointer:
// it is shown once the list closes.
TEST(ConfigurePage, APortListThatComesWhileTheListIsOpenIsShownWhenItCloses)
{
    TempFolder app;
    ConfigurePage page(app.path());
    page.setPorts({QStringLiteral("COM Port 1"), QStringLiteral("COM Port 2")}, PortEntry::PleaseSelect);
    page.show();
    page.lstComPorts->showPopup();
    ASSERT_TRUE(page.lstComPorts->view()->isVisible());

    page.setPorts({QStringLiteral("COM Port 1"), QStringLiteral("COM Port 2"), QStringLiteral("COM Port 3")},
        PortEntry::PleaseSelect);
    EXPECT_EQ(page.lstComPorts->count(), 2);

    page.lstComPorts->hidePopup();
    const QDeadlineTimer deadline(10000);
    while (page.lstComPorts->count() != 3 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    EXPECT_EQ(page.lstComPorts->count(), 3);
    EXPECT_EQ(page.lstComPorts->currentText(), PortEntry::PleaseSelect);
}
