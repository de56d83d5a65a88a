#include "TempFolder.h"
#include "link/PortMap.h"
#include "link/PortMapSettings.h"

#include <QFile>
#include <gtest/gtest.h>

TEST(PortMapSettings, OnlyNumberedPortsWithAPathJoinTheMap)
{
    TempFolder folder;
    const QString app = folder.file("app.txt");
    QFile file(app);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("; === Application Settings ===\r\n[Ports]\r\n7=/dev/pts/4\r\n0=/dev/pts/5\r\n257=/dev/pts/6\r\n"
               "x=/dev/pts/7\r\n9=\r\n256=/tmp/sim\r\n[Other]\r\n8=/dev/pts/8\r\n");
    file.close();
    const QMap<int, QString> expected{{7, "/dev/pts/4"}, {256, "/tmp/sim"}};
    EXPECT_EQ(PortsFromSettings(app), expected);
    EXPECT_TRUE(PortsFromSettings(folder.file("missing.txt")).isEmpty());
}

TEST(PortMapSettings, FreePortIsTheHighestUnused)
{
    PortMap map;
    map.setOverrides({{256, "/tmp/a"}, {255, "/tmp/b"}});
    EXPECT_EQ(FreePortNumber(map), 254);
}
