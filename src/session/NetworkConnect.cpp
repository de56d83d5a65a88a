#include "NetworkConnect.h"

#include "instrument/Identity.h"
#include "link/InstrumentLink.h"
#include "link/PortDiscovery.h"
#include "shell/Prompts.h"
#include "shell/Services.h"

NetworkConnectDialog::NetworkConnectDialog(Services& services, InstrumentLink& link,
    std::function<QString(const QString& key)> readLastRemote)
    : services_(services), link_(link), readLastRemote_(std::move(readLastRemote))
{
}

void NetworkConnectDialog::load()
{
    accepted_ = false;
    const QString unknown = QStringLiteral("Unknown");
    const QString lastAddress = readLastRemote_(QStringLiteral("Address"));
    const QString lastPort = readLastRemote_(QStringLiteral("Port"));
    if (lastAddress != unknown)
        address = lastAddress;
    if (lastPort != unknown)
        port = lastPort;
}

int NetworkConnectDialog::portNumber() const { return LeadingNumber(port); }

QStringList NetworkConnectDialog::progressFrames()
{
    const QStringList right{QStringLiteral(" - |:______|"), QStringLiteral(" - |.______|"),
        QStringLiteral(" - |_._____|"), QStringLiteral(" - |__.____|"), QStringLiteral(" - |___.___|"),
        QStringLiteral(" - |____.__|"), QStringLiteral(" - |_____._|"), QStringLiteral(" - |______.|"),
        QStringLiteral(" - |______:|")};
    QStringList frames = right;
    for (qsizetype i = right.size() - 2; i >= 1; --i)
        frames << right[i];
    return frames;
}

QString NetworkConnectDialog::test(const std::function<void(const QString& frame)>& progress)
{
    accepted_ = false;
    const QString where = QStringLiteral("net://") + address + QLatin1Char(':') + port;
    link_.close();
    if (progress)
        progress(progressFrames().at(1));

    QString message;
    if (link_.open(where)) {
        const QString serial = tolviM::GetSerialNumber(link_, services_);
        if (!serial.isEmpty()) {
            accepted_ = true;
            message = QStringLiteral("Connected to ") + serial + QStringLiteral(" at ") + where + QLatin1Char('!');
        }
    } else {
        message = QStringLiteral("Could not connect to ") + where + QLatin1Char('.');
    }
    if (!message.isEmpty())
        services_.prompts.message(Prompts::Icon::Information, message, services_.appCaption);
    link_.close();
    return message;
}

void NetworkConnectDialog::accept() { accepted_ = true; }

void NetworkConnectDialog::cancel() { accepted_ = false; }
