#pragma once
#include "AppFixture.h"
#include "SimHost.h"

#include <QDir>
#include <QFile>
#include <memory>

// The program against its built-in simulated instrument, driven through the
// windows as a user would.
struct SimFixture : AppFixture {
    std::unique_ptr<TolviApplication> app;
    bool connected = false;

    explicit SimFixture(const QStringList& arguments = {}, const QByteArray& userFile = "[Password]\r\nValid=False\r\n")
    {
        QDir().mkpath(dataFolder());
        QFile user(dataFile("user.txt"));
        if (user.open(QIODevice::WriteOnly))
            user.write("; === User Settings ===\r\n" + userFile);
        user.close();
        app = std::make_unique<TolviApplication>(options(arguments, true));
        app->start();
        connected = ConnectToDemo(*app);
    }
    DownloadPage* page() { return app->window().downloadPage(); }
    QString panel1() { return app->window().statusPanels()->panelText(1); }
    int simSlotsUsed()
    {
        return app->demoInstrument()->engine().inspect([](const SimInstrument& i) { return int(i.slots().size()); });
    }
};
