#pragma once
#include "link/Frame.h"
#include "link/Terminal.h"
#include "shell/Bits.h"

#include <QMap>

// A small stand-in for the instrument's answer to EEPROM reads ("G" + address
// + count), used where a test needs exact control over failed exchanges.
// Addresses listed in failures get that many unanswered requests first;
// staleAt makes the next reply at that address echo another address.
struct EepromResponder {
    QByteArray eeprom = QByteArray(1024, '\0');
    QMap<int, int> failures;
    QMap<int, int> staleAt;
    int requests = 0;

    EepromResponder()
    {
        for (int i = 0; i < eeprom.size(); ++i)
            eeprom[i] = static_cast<char>((i * 37 + 11) & 0xFF);
    }

    static QByteArray Reply(const QByteArray& payload)
    {
        const QByteArray body = QByteArray(1, static_cast<char>(payload.size() + Frame::RequestOffset)) + payload;
        return body + HexL(Frame::Checksum(body), 2).toLatin1();
    }

    TerminalReply operator()(const QByteArray& frame, int)
    {
        ++requests;
        const QByteArray payload = frame.mid(2, frame.size() - 5);
        if (!payload.startsWith('G') || payload.size() != 7)
            return {3, {}};
        const int address = payload.mid(1, 4).toInt(nullptr, 16);
        const int count = payload.mid(5, 2).toInt(nullptr, 16);
        if (failures.value(address) > 0) {
            failures[address]--;
            return {3, {}};
        }
        int echoed = address;
        if (staleAt.value(address) > 0) {
            staleAt[address]--;
            echoed = (address + 16) % 1024;
        }
        return {2, Reply("G" + HexL(echoed, 4).toLatin1() + eeprom.mid(address, count).toHex().toUpper())};
    }
};

// A terminal session answered by the responder, with a fixed clock (3725.5 s).
inline TerminalSession TerminalSessionOn(EepromResponder& responder)
{
    TerminalSession session([&responder](const QByteArray& frame, int timeout) { return responder(frame, timeout); });
    session.clock = [] { return 3725.5; };
    return session;
}
