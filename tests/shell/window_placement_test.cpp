// Where the main window comes back and where the terminal opens: always on
// a screen that exists, whatever was stored or however small the screen.
#include "QtPrinters.h"
#include "TempFolder.h"
#include "shell/PerUserSettings.h"
#include "shell/WindowPlacement.h"

#include <gtest/gtest.h>

namespace {
const QRect Left(0, 0, 1920, 1050);        // two screens side by side
const QRect Right(1920, 0, 1280, 1000);
}

TEST(WindowPlacement, PlacedOnTheScreenItOverlapsMost)
{
    struct Case {
        const char* name;
        QRect wanted;
        QList<QRect> screens;
        QRect expected;
    };
    const Case cases[] = {
        {"inside a screen: unchanged", QRect(100, 80, 900, 600), {Left, Right}, QRect(100, 80, 900, 600)},
        {"on the second screen", QRect(2000, 100, 900, 600), {Left, Right}, QRect(2000, 100, 900, 600)},
        {"second screen unplugged: onto the first", QRect(2000, 100, 900, 600), {Left}, QRect(1020, 100, 900, 600)},
        {"across both: onto the one with more of it", QRect(1800, 100, 900, 600), {Left, Right},
            QRect(1920, 100, 900, 600)},
        {"above every screen", QRect(-3000, -2000, 900, 600), {Left, Right}, QRect(0, 0, 900, 600)},
        {"larger than the screen: shrunk to it", QRect(-50, -50, 3000, 2000), {Left}, Left},
        {"no screens known: unchanged", QRect(5000, 5000, 900, 600), {}, QRect(5000, 5000, 900, 600)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PlaceOnScreens(c.wanted, c.screens), c.expected) << c.name;
}

TEST(WindowPlacement, BesideTheAnchorRightThenLeftOnItsScreen)
{
    const QSize terminal(560, 420);
    struct Case {
        const char* name;
        QRect anchor;
        QRect expected;
    };
    const Case cases[] = {
        {"room to the right", QRect(100, 100, 900, 600), QRect(QPoint(1000, 100), terminal)},
        {"no room right: to the left", QRect(1000, 100, 900, 600), QRect(QPoint(440, 100), terminal)},
        {"room on neither side: kept on the screen", QRect(200, 100, 1500, 600),
            QRect(QPoint(1920 - 560, 100), terminal)},
        {"near the bottom: moved up", QRect(100, 900, 900, 100), QRect(QPoint(1000, 1050 - 420), terminal)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PlaceBeside(c.anchor, terminal, {Left}), c.expected) << c.name;
}

TEST(WindowPlacement, StoredPerUserAndDamagedEntriesIgnored)
{
    TempFolder folder;
    PerUserSettings perUser(folder.file(QStringLiteral("peruser.ini")));
    EXPECT_FALSE(StoredWindowPlacement(perUser)) << "nothing stored yet";
    StoreWindowPlacement(perUser, WindowPlacement{QRect(-1200, 40, 1024, 700), true});
    const auto stored = StoredWindowPlacement(perUser);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->geometry, QRect(-1200, 40, 1024, 700));
    EXPECT_TRUE(stored->maximized);

    struct Case { const char* key; const char* value; };
    for (const Case& c : {Case{"Width", "wide"}, Case{"Height", "3"}, Case{"Left", ""}}) {
        PerUserSettings damaged(folder.file(QStringLiteral("damaged.ini")));
        StoreWindowPlacement(damaged, WindowPlacement{QRect(0, 0, 800, 600), false});
        damaged.setValue(QStringLiteral("Window"), QLatin1String(c.key), QLatin1String(c.value));
        EXPECT_FALSE(StoredWindowPlacement(damaged)) << c.key << "=" << c.value;
    }
}
