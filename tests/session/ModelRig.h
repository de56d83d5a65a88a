#pragma once
#include "ServicesRig.h"
#include "link/InstrumentLink.h"
#include "link/PortDiscoverySystem.h"
#include "link/PortMap.h"
#include "session/InstrumentSession.h"
#include "session/MainModel.h"
#include "shell/PerUserSettings.h"
#include "shell/Services.h"
#include "shell/SessionLog.h"

#include <QFile>
#include <memory>

// The instrument session and the main-window model over a real link, with a temporary data folder,
// scripted prompts, a recorded log and a fixed platform device list. Ports
// are pseudo-terminals entered in the port map; port 1 is pointed at
// nothing so the machine's own serial port stays out of the tests. The port
// table holds the port map's devices while their nodes exist: a
// pseudo-terminal's node goes when its controlling side closes, as an
// adapter's does when it is unplugged.
struct ModelRig : ServicesRig {
    PortMap portMap;
    InstrumentLink link{log, portMap};
    QStringList devices;   // the device list: "\Device\VCP0=COM3" ...
    std::unique_ptr<InstrumentSession> session;
    std::unique_ptr<MainModel> model;
    QStringList logTexts;

    ModelRig()
    {
        log.setListener([this](const QString& line, int) { logTexts << line.section(QLatin1Char('\t'), 2); });
        QFile user(data.file(QStringLiteral("user.txt")));
        user.open(QIODevice::WriteOnly);
        user.write("; === User Settings ===\r\n");
        user.close();
        portMap.addOverride(1, data.file(QStringLiteral("no-such-device")));
        link.setPrompts(&prompts);

        PortScanSources sources = SystemPortSources(services, link);
        sources.readDeviceMap = [this](QString& pairs) {
            for (const QString& d : devices)
                pairs += d + QChar(0);
            pairs += QChar(0);
            return 0;
        };
        sources.presentDevices = [this] {
            QList<PresentSerialDevice> present;
            const QMap<int, QString> mapped = portMap.overrides();
            for (auto it = mapped.begin(); it != mapped.end(); ++it) {
                if (QFile::exists(it.value()))
                    present << PresentSerialDevice{it.value(), it.key()};
            }
            return present;
        };
        session = std::make_unique<InstrumentSession>(services, link, sources);
        model = std::make_unique<MainModel>(*session, MainModel::settingsFileMemory(data.file(QStringLiteral("user.txt"))));
    }

    bool logged(const QString& text) const { return logTexts.contains(text); }
    QString userFile() const { return data.file(QStringLiteral("user.txt")); }
};
