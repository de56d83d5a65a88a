#pragma once

// Every fixed wait of the exchange with the instrument, in one record: the
// link holds it (the session gives it the real one) and the procedures take
// their waits from the link. Tests of paths that end in silence (an
// instrument that is mute, switched off, or never leaves TEST mode) give the
// link a scaled record: the same steps, counts and messages in a fraction of
// the time.
struct ProtocolTiming {
    // The pause between sending a request and looking for its reply.
    double pauseAfterSendSeconds = 0.1;
    // How long a request waits for its reply (reads, writes, the ping, the
    // stop of a stream, the erase).
    double replyTimeoutSeconds = 5;
    // The wait for the replies that come at once or not at all (the slot
    // status, the schedule's resume after a download that ended early).
    double shortReplyTimeoutSeconds = 1;
    // A streamed download ends after this long without a good message...
    int streamGapMs = 1000;
    // ...or at the latest twice its slots' time on the line plus this.
    int streamMarginMs = 10000;
    // Leaving TEST mode and restoring the settings after a sensor refresh:
    // the pause after each attempt and the attempts per step.
    double testModeRetryPauseSeconds = 5;
    int testModeAttempts = 6;
    // The instrument's clock is read back this long after it was set.
    double clockSettleSeconds = 5;
    // The keep-alive pings after this long without an exchange (a changed
    // instrument state is marked stale by dating the last exchange this far
    // back); idle periods above keepAliveIdleLogSeconds are logged.
    double keepAlivePingAfterIdleSeconds = 60;
    double keepAliveIdleLogSeconds = 5;

    // Every wait times factor; the attempt count stays.
    ProtocolTiming scaled(double factor) const
    {
        ProtocolTiming t = *this;
        t.pauseAfterSendSeconds *= factor;
        t.replyTimeoutSeconds *= factor;
        t.shortReplyTimeoutSeconds *= factor;
        t.streamGapMs = static_cast<int>(streamGapMs * factor);
        t.streamMarginMs = static_cast<int>(streamMarginMs * factor);
        t.testModeRetryPauseSeconds *= factor;
        t.clockSettleSeconds *= factor;
        t.keepAlivePingAfterIdleSeconds *= factor;
        t.keepAliveIdleLogSeconds *= factor;
        return t;
    }

    bool operator==(const ProtocolTiming&) const = default;
};
