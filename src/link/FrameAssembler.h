#pragma once
#include "MessageCheck.h"

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

// Cuts a byte stream into the instrument's messages, without any I/O: bytes
// go in as they arrive, whole messages (what lies between the start and the
// end character: length character, payload, checksum) come out in order. A
// start character begins a message afresh.
//
// Bounded: a message that grows past MaxMessageSize is dropped, with the
// rest of it up to the next start or end character, and counted. Fed bytes
// wait in the assembler only until next() frames them, so a reader that
// feeds one read at a time once next() has run dry keeps at most one read
// plus one message.
class FrameAssembler {
public:
    enum class Framing {
        // The program's side: an end character completes whatever came since
        // the last start character, even when none came, so a reply that
        // lost its start is reported (and rejected by the message check)
        // rather than waited for until the timeout.
        EndCompletes,
        // The instrument's side: only bytes after a start character count;
        // bytes outside a message and an end character without a start are dropped.
        StartRequired,
    };

    // The longest message the reply check can accept; anything longer is
    // no message of the instrument's.
    static constexpr qsizetype MaxMessageSize = LongestMessage;

    explicit FrameAssembler(Framing framing = Framing::EndCompletes) : framing_(framing) {}

    void feed(QByteArrayView bytes);
    // The next whole message, or nothing until more bytes come.
    std::optional<QByteArray> next();
    // Forgets the bytes fed and the message begun.
    void clear();
    // Messages dropped for their length so far.
    int droppedMessages() const { return dropped_; }

private:
    void append(QByteArrayView bytes);

    Framing framing_;
    QByteArray pending_;        // fed; framed up to framed_
    qsizetype framed_ = 0;
    QByteArray message_;        // the message being assembled
    bool inMessage_ = false;    // a start character came (StartRequired only)
    bool skipping_ = false;     // dropping the rest of an over-long message
    int dropped_ = 0;
};
