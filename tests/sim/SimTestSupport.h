#pragma once
#include "SimEngine.h"
#include "link/Frame.h"

#include <QDateTime>
#include <QTimeZone>

// Helpers shared by the simulator tests.
namespace simtest {

// A small instrument: twelve slots, known identity, a fixed clock.
inline SimScenario SmallScenario()
{
    SimScenario s;
    s.serial = 123;
    s.serialType = 0x04;
    s.slots = VariedSlots(12, 1793606400); // 2 Nov 2026 08:00 UTC
    s.eventLogs = {{1, 0, 1788258600, QByteArray::fromHex("01F632")}};
    return s;
}

// Thursday 31 December 2026, 23:59:58 UTC.
inline QDateTime FixedUtc() { return QDateTime(QDate(2026, 12, 31), QTime(23, 59, 58), QTimeZone::utc()); }

// Every frame in the bytes (from start character to end character), garbage dropped.
inline QList<QByteArray> SplitFrames(const QByteArray& bytes)
{
    QList<QByteArray> frames;
    int start = -1;
    for (int i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == Frame::StartChar)
            start = i;
        else if (bytes[i] == Frame::EndChar && start >= 0) {
            frames.append(bytes.mid(start, i - start + 1));
            start = -1;
        }
    }
    return frames;
}

// The payload of a full frame.
inline QByteArray PayloadOf(const QByteArray& frame) { return frame.mid(2, frame.size() - 5); }

// Length character + payload + checksum: a frame as the logs show it.
inline QByteArray Body(const QByteArray& payload)
{
    const QByteArray frame = ComposeMessage(payload);
    return frame.mid(1, frame.size() - 2);
}

// Sends one request and returns the reply frames, all timing run through.
inline QList<QByteArray> Ask(SimEngine& engine, const QByteArray& payload)
{
    QByteArray all;
    for (const auto& chunk : engine.exchange(ComposeMessage(payload)))
        all += chunk.bytes;
    return SplitFrames(all);
}

} // namespace simtest
