#pragma once
#include <QByteArray>

// What one request/reply exchange of the link came to.
struct ExchangeOutcome {
    enum Result : int {
        NotSent = 0,        // link not open, empty frame, short serial write, or refused
        Sent = 1,           // sent, no reply awaited
        ReplyOk = 2,        // a reply arrived and passed the message check
        NoReply = 3,        // no complete reply within the timeout, or the wait was cancelled
        ReplyRejected = 4,  // a reply arrived and the message check rejected it
    };

    Result result = NotSent;
    // The reply as it arrived (length character, payload, checksum); empty
    // unless the result is ReplyOk or ReplyRejected.
    QByteArray received;
    // The reply as the check left it: the same except for a repaired "CJ03"
    // sample-memory reply, held here with its length character and checksum
    // corrected. Readers that test a reply's prefix use this copy, so replies
    // of the affected firmware are readable.
    QByteArray checked;

    bool replyOk() const { return result == ReplyOk; }
};
