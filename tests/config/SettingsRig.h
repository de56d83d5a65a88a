#pragma once
#include "../data/SimRig.h"
#include "config/SettingsActions.h"
#include "shell/Password.h"
#include "Transports.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

// Every status text a procedure reported, by panel.
struct PanelObserver : OperationObserver {
    QMap<int, QStringList> panels;
    void statusText(int panel, const QString& text) override { panels[panel] << text; }
};

// The simulated instrument with the Settings page's context over it.
struct SettingsRig : SimRig {
    PanelObserver panels;
    SettingsContext context{services, link, info, panels, {}, &cancel};

    bool start(const SimScenario& s, Transport transport)
    {
        const bool open = SimRig::start(s, transport == Transport::Network);
        link.setCancelToken(&cancel);
        return open;
    }
    // A scenario whose EEPROM holds these bytes.
    static SimScenario withEeprom(std::initializer_list<std::pair<int, const char*>> bytes)
    {
        SimScenario s;
        for (const auto& [address, hex] : bytes)
            s.eepromOverrides.insert(address, QByteArray::fromHex(hex));
        return s;
    }
    // The user's cancel gesture, made after a while from another thread (joined with the result).
    std::jthread cancelAfter(std::chrono::milliseconds delay)
    {
        return std::jthread([this, delay] {
            std::this_thread::sleep_for(delay);
            cancel.request();
        });
    }
    void requirePassword(const QString& password)
    {
        WriteFileAtomically(tmp.file(QStringLiteral("user.txt")),
            "[Password]\r\nValid=True\r\nValue=" + PasswordHash(password).toUtf8() + "\r\n");
    }
    QByteArray eeprom(int address, int count) const
    {
        return sim->engine().inspect([&](const SimInstrument& i) { return i.eeprom().mid(address, count); });
    }
};
