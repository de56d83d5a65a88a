#pragma once
#include "link/Terminal.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class CancelToken;
class OperationObserver;

// The service terminal's "Save EE": reads the instrument's first 1024 EEPROM
// bytes in 64 blocks of 16 and writes them as an Intel HEX file.
//
// Every block's reply is checked (good reply, echo of the request, 32
// hexadecimal digits). A failed block is asked again, up to RetryBudget
// more times; if it still fails the dump stops and names the address, and
// the file is not touched: it is written in one step only when every block
// arrived, so no half-written or stale image is ever left behind.
struct EepromDumpResult {
    bool ok = false;
    int failedAddress = -1;   // the block that could not be read, when !ok
    QByteArray image;         // the bytes read (1024 when ok)
    QString message;          // what to tell the user
};

class TerminalEepromDump {
public:
    static constexpr int ImageSize = 1024;
    static constexpr int BlockSize = 16;
    static constexpr int RetryBudget = 5;
    static constexpr const char* FileName = "eemap.hex";

    // Every exchange also goes to the transcript through onLines (may be empty).
    TerminalEepromDump(TerminalSession& session, std::function<void(const QList<TranscriptLine>&)> onLines = {});

    // Reads the image and writes it to path. Progress and cancel are optional.
    EepromDumpResult run(const QString& path, OperationObserver* observer = nullptr,
        const CancelToken* cancel = nullptr);

    // The Intel HEX text of an image whose size is a multiple of 16, starting
    // at address 0: one data record per 16 bytes and the end record,
    // lines ended CR LF.
    static QByteArray IntelHex(const QByteArray& image);
    // One data record: ":10" + address + "00" + data + checksum.
    static QString DataRecord(int address, const QByteArray& bytes);

private:
    TerminalSession& session_;
    std::function<void(const QList<TranscriptLine>&)> onLines_;
};
