#pragma once
#include <QString>

// What the simulated instrument's firmware string implies for the way it
// encodes sample slots and frames its sample-memory replies.
struct SimFirmwareBand {
    double version = 0;        // the number after the first "V", e.g. 2.31
    bool statusBit = false;    // slot byte 0 bit 7 marks "status present"
    bool newStatus = false;    // ready in bit 0 (else, with statusBit, ready in bit 1, settling in bit 0)
    bool firstInSchedule = false; // the first sample of a run carries both the remote and scheduled bits
    bool memoryFullInverted = false; // the memory-full byte reads 0x00 for "stop"
    bool framReplyBug = false; // 1.08 and 1.09 send slot replies with a wrong length character and checksum

    static SimFirmwareBand fromFirmwareString(const QString& firmware);
};
