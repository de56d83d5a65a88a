#include "instrument/TerminalEepromDump.h"

#include "instrument/EepromAccess.h"
#include "link/ExchangeOutcome.h"
#include "link/Frame.h"
#include "shell/Bits.h"
#include "shell/Operation.h"
#include "shell/TextFile.h"

#include <QFileInfo>

TerminalEepromDump::TerminalEepromDump(TerminalSession& session,
    std::function<void(const QList<TranscriptLine>&)> onLines)
    : session_(session), onLines_(std::move(onLines))
{
}

EepromDumpResult TerminalEepromDump::run(const QString& path, OperationObserver* observer, const CancelToken* cancel)
{
    EepromDumpResult result;
    // Every exchange goes through the terminal, so the transcript shows it.
    const tolviM::PayloadExchange exchange = [this](const QByteArray& payload) {
        TerminalReply reply;
        const QList<TranscriptLine> lines = session_.exchange(ComposeMessage(payload, Frame::RequestOffset), &reply);
        if (onLines_)
            onLines_(lines);
        return ExchangeOutcome{ExchangeOutcome::Result(reply.result), reply.received, reply.received};
    };
    for (int address = 0; address < ImageSize; address += BlockSize) {
        if (cancel && cancel->isRequested()) {
            result.message = QStringLiteral("EEPROM dump cancelled; '") + path + QStringLiteral("' was not changed.");
            return result;
        }
        const std::optional<QByteArray> block = tolviM::ReadEepromBlock(exchange, address, BlockSize, RetryBudget);
        if (!block) {
            result.failedAddress = address;
            result.message = QStringLiteral("The instrument did not answer the EEPROM read at address 0x")
                + HexL(address, 4) + QStringLiteral("; '") + path + QStringLiteral("' was not changed.");
            return result;
        }
        result.image += *block;
        if (observer)
            observer->progress((address + BlockSize) * 100 / ImageSize);
    }
    if (!WriteFileAtomically(path, IntelHex(result.image))) {
        result.message = QStringLiteral("Could not write '") + path + QStringLiteral("'.");
        return result;
    }
    result.ok = true;
    result.message = QStringLiteral("Instrument setup saved to ") + QFileInfo(path).absoluteFilePath();
    return result;
}

QString TerminalEepromDump::DataRecord(int address, const QByteArray& bytes)
{
    int sum = bytes.size() + ((address >> 8) & 0xFF) + (address & 0xFF);
    for (char b : bytes)
        sum += static_cast<unsigned char>(b);
    const int checksum = (256 - (sum & 0xFF)) & 0xFF;
    return QStringLiteral(":") + HexL(bytes.size(), 2) + HexL(address, 4) + QStringLiteral("00")
        + QString::fromLatin1(bytes.toHex().toUpper()) + HexL(checksum, 2);
}

QByteArray TerminalEepromDump::IntelHex(const QByteArray& image)
{
    QByteArray text;
    for (int address = 0; address < image.size(); address += BlockSize)
        text += DataRecord(address, image.mid(address, BlockSize)).toLatin1() + "\r\n";
    text += ":00000001FF\r\n";
    return text;
}
