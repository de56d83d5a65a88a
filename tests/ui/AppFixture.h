#pragma once
#include "TempFolder.h"
#include "TolviApplication.h"
#include "link/PortDiscovery.h"

#include <QComboBox>

#include <QDir>
#include <QFile>

// A whole program on a fresh temporary folder: application folder "app",
// per-user data location "data" (so the data folder is data/Karvex/Tolvi),
// per-user settings in an ini file.
struct AppFixture {
    TempFolder root;

    QString appFolder() const { return root.file("app"); }
    QString dataFolder() const { return root.file("data/Karvex/Tolvi"); }
    QString dataFile(const QString& name) const { return QDir(dataFolder()).filePath(name); }

    AppFixture() { QDir().mkpath(appFolder()); }

    // A user who decided against a password: no dialog at start.
    void withoutPassword() const
    {
        QDir().mkpath(dataFolder());
        QFile user(dataFile("user.txt"));
        if (user.open(QIODevice::WriteOnly))
            user.write("; === User Settings ===\r\n[Password]\r\nValid=False\r\n");
    }

    TolviApplication::Options options(const QStringList& arguments = {}, bool demo = false) const
    {
        TolviApplication::Options o;
        o.demo = demo;
        o.appFolder = appFolder();
        o.dataLocation = root.file("data");
        o.arguments = arguments;
        o.perUserIni = root.file("peruser.ini");
        return o;
    }

    // Picks the simulated instrument's entry in the port list and presses
    // Connect, as a user would; true when the connection was made.
    static bool ConnectToDemo(TolviApplication& app) { return ConnectToPort(app, app.demoPort()); }

    // The same for the entry of port number `port`.
    static bool ConnectToPort(TolviApplication& app, int port)
    {
        ConfigurePage* page = app.window().configurePage();
        if (!app.instrumentThread().waitUntilIdle(30000))
            return false;
        // The entry reads "COM Port n - <device>": found by its number.
        QStringList entries;
        for (int i = 0; i < page->lstComPorts->count(); ++i)
            entries << page->lstComPorts->itemText(i);
        const qsizetype entry = PortEntry::indexOf(entries, port);
        if (entry < 0)
            return false;
        page->lstComPorts->setCurrentIndex(int(entry));
        page->btnSelectComPort->click();
        return app.instrumentThread().waitUntilIdle(60000) && page->btnDisconnect->isEnabled();
    }

    QString read(const QString& path) const
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
};
