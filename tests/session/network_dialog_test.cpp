#include "ModelRig.h"
#include "QtPrinters.h"
#include "SimHost.h"
#include "session/NetworkConnect.h"
#include "link/SettingsStore.h"

#include <QTcpServer>
#include <gtest/gtest.h>

namespace {

NetworkConnectDialog dialogFor(ModelRig& rig)
{
    return NetworkConnectDialog(rig.services, rig.link, rig.model->remoteMemory().read);
}

} // namespace

TEST(NetworkDialog, LoadKeepsDefaultsWhereNothingIsRemembered)
{
    struct Case { QMap<QString, QString> remembered; const char* address; const char* port; };
    const Case cases[] = {
        {{}, "10.10.100.254", "8899"},
        {{{"Address", "bridge.local"}}, "bridge.local", "8899"},
        {{{"Address", "10.0.0.9"}, {"Port", "9000"}}, "10.0.0.9", "9000"},
    };
    for (const Case& c : cases) {
        ModelRig rig;
        for (auto it = c.remembered.begin(); it != c.remembered.end(); ++it)
            rig.model->remoteMemory().write(it.key(), it.value());
        NetworkConnectDialog dialog = dialogFor(rig);
        dialog.load();
        EXPECT_EQ(dialog.address, QString::fromLatin1(c.address));
        EXPECT_EQ(dialog.port, QString::fromLatin1(c.port));
        EXPECT_FALSE(dialog.accepted());
    }
}

TEST(NetworkDialog, TestConnectsReadsTheSerialNumberAndCloses)
{
    ModelRig rig;
    SimHostOptions tcp;
    tcp.pty = false;
    tcp.tcp = true;
    SimHost sim(SimScenario{}, tcp);
    NetworkConnectDialog dialog = dialogFor(rig);
    dialog.address = QStringLiteral("127.0.0.1");
    dialog.port = QString::number(sim.tcpPort());
    QStringList frames;
    const QString message = dialog.test([&frames](const QString& f) { frames << f; });
    EXPECT_EQ(message, QStringLiteral("Connected to 10234F at net://127.0.0.1:%1!").arg(sim.tcpPort()));
    EXPECT_EQ(rig.prompts.texts_of(QStringLiteral("message")), QStringList{message});
    EXPECT_TRUE(dialog.accepted());
    EXPECT_FALSE(frames.isEmpty());
    EXPECT_EQ(rig.link.network().state(), 0);
    dialog.cancel();
    EXPECT_FALSE(dialog.accepted());

    // Nothing listening: the failure message, and no confirmation.
    quint16 closed = 0;
    {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost);
        closed = server.serverPort();
    }
    dialog.port = QString::number(closed);
    EXPECT_EQ(dialog.test(), QStringLiteral("Could not connect to net://127.0.0.1:%1.").arg(closed));
    EXPECT_FALSE(dialog.accepted());
}

TEST(NetworkDialog, ProgressFramesRunRightAndBack)
{
    const QStringList frames = NetworkConnectDialog::progressFrames();
    ASSERT_EQ(frames.size(), 16);
    EXPECT_EQ(frames[0], QStringLiteral(" - |:______|"));
    EXPECT_EQ(frames[8], QStringLiteral(" - |______:|"));
    EXPECT_EQ(frames[9], QStringLiteral(" - |______.|"));
    EXPECT_EQ(frames[15], QStringLiteral(" - |.______|"));
}
