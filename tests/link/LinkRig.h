#pragma once
#include "FarEnd.h"
#include "link/Frame.h"
#include "link/InstrumentLink.h"
#include "link/PortMap.h"
#include "shell/SessionLog.h"
#include "Transports.h"

#include <QMutex>

#include <memory>
#include <string>
#include <tuple>

// A link over a real transport to a scripted far end, with every log line captured.
class LinkRig {
public:
    // The port number the pseudo-terminal is registered under.
    static constexpr int TestPort = 200;

    struct Line {
        QString text;
        int level;
    };

    LinkRig()
    {
        log.setListener([this](const QString& line, int level) {
            QMutexLocker lock(&linesMutex_);
            lines_.append({line.section(QLatin1Char('\t'), 2), level});
        });
    }

    // Starts the far end and opens the link to it. False when the link could not be opened.
    bool connect(Transport transport, Script script)
    {
        if (transport == Transport::Serial) {
            auto pty = std::make_unique<PtyFarEnd>(portMap, TestPort, std::move(script));
            pty_ = pty.get();
            far = std::move(pty);
            int port = TestPort;
            link.PickComms(port);
            return port == TestPort;
        }
        auto tcp = std::make_unique<TcpFarEnd>(std::move(script));
        const quint16 port = tcp->port();
        far = std::move(tcp);
        link.setUseNetwork(true);
        return link.network().connectTo(QStringLiteral("127.0.0.1"), port, 5000) == NetworkTransport::Connected;
    }

    // The pseudo-terminal far end (serial rigs only).
    PtyFarEnd* pty() { return pty_; }

    QList<Line> lines() const
    {
        QMutexLocker lock(&linesMutex_);
        return lines_;
    }
    bool logged(const QString& text, int level) const
    {
        for (const Line& line : lines()) {
            if (line.text == text && line.level == level)
                return true;
        }
        return false;
    }

    SessionLog log;
    PortMap portMap;
    InstrumentLink link{log, portMap};
    std::unique_ptr<FarEnd> far;   // destroyed before the link

private:
    mutable QMutex linesMutex_;
    QList<Line> lines_;
    PtyFarEnd* pty_ = nullptr;
};

// Length character + payload + checksum, as a reply is held once received.
inline QByteArray Body(const QByteArray& payload)
{
    const QByteArray frame = ComposeMessage(payload);
    return frame.mid(1, frame.size() - 2);
}

inline QByteArray Framed(const QByteArray& body)
{
    return Frame::StartChar + body + Frame::EndChar;
}
