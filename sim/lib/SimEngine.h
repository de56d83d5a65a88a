#pragma once
#include "SimInstrument.h"
#include "SimScenario.h"
#include "link/Frame.h"
#include "link/FrameAssembler.h"

#include <QByteArray>
#include <QFile>
#include <QJsonObject>
#include <QList>
#include <QMutex>
#include <chrono>
#include <deque>
#include <optional>

// One frame that crossed the line, as the frame log keeps it.
struct SimFrameRecord {
    enum Direction { Received, Sent };
    Direction direction = Received;
    qint64 ms = 0;       // since the engine started (line time)
    QByteArray text;     // length character, payload and checksum (no start and end characters)
    bool valid = true;   // a received frame whose length or checksum was wrong is ignored
    QByteArray payload() const { return Frame::Payload(text); }
};

// What the line should carry now.
struct SimOutput {
    QByteArray bytes;
    bool closeConnection = false; // a fault: drop the connection after these bytes
};

// The simulated instrument's line side: assembles request frames from the
// bytes received, answers them through SimInstrument, and schedules the
// reply bytes with their timing (line pacing, reply and slot delays, faults).
// Free of I/O: a transport feeds it received bytes and asks what is due.
// Thread-safe: a transport thread and a test may use it at once.
class SimEngine {
public:
    using Clock = std::chrono::steady_clock;

    explicit SimEngine(SimScenario scenario, SimInstrument::UtcClock utcNow = {});
    ~SimEngine();
    SimEngine(const SimEngine&) = delete;
    SimEngine& operator=(const SimEngine&) = delete;

    // Bytes that arrived from the line at `now`.
    void receive(const QByteArray& bytes, Clock::time_point now);
    // The bytes due for sending at `now`, taken off the queue.
    SimOutput takeDue(Clock::time_point now);
    // When the next bytes fall due; nullopt when nothing waits.
    std::optional<Clock::time_point> nextDue() const;
    // A new connection: the half-received frame, queued replies and any stream are dropped.
    void resetLine();

    // For tests: feeds bytes at a virtual time and runs the virtual clock
    // until nothing more is due (or maxMs passed). Each chunk comes with its
    // time after the feed in milliseconds.
    struct Timed {
        qint64 atMs = 0;
        QByteArray bytes;
        bool closeConnection = false;
    };
    QList<Timed> exchange(const QByteArray& bytes, qint64 maxMs = 600000);

    // The frames of the run, the most recent FrameLogLimit of them.
    static constexpr int FrameLogLimit = 200000;
    QList<SimFrameRecord> frameLog() const;
    // The payloads of the valid frames received, in order.
    QList<QByteArray> receivedPayloads() const;
    // Also appends every frame to a text file (CR LF lines). False when it cannot be opened.
    bool setLogFile(const QString& path);

    // The instrument's state as a scenario that starts it again.
    QJsonObject stateJson() const;
    bool writeState(const QString& path, QString* error) const;
    // Runs f on the instrument under the engine's lock (tests, state checks).
    template <class F> auto inspect(F f) const
    {
        QMutexLocker lock(&mutex_);
        return f(static_cast<const SimInstrument&>(instrument_));
    }
    const SimScenario& scenario() const { return scenario_; }

private:
    struct Pending {
        Clock::time_point at;
        QByteArray bytes;   // what goes on the line (garbage, frame)
        QByteArray frame;   // the frame alone, for the log
        bool stream = false;
        bool close = false;
    };
    struct Stream {
        int next = 0;
        int last = 0;
        int sent = 0;
        bool first = true;
        bool flooding = false;
    };
    struct FaultHits {
        const SimFaultRule* late = nullptr;
        const SimFaultRule* garbage = nullptr;
        bool corrupt = false;
    };

    void handleFrame(const QByteArray& text, Clock::time_point now);
    const SimFaultRule* consumeRule(int kind, const QByteArray& payload);
    QByteArray answeredPayload(const QByteArray& payload);
    // True once the switch-off fault has struck (at this request or before).
    bool switchedOffAt(const QByteArray& payload);
    void queue(const QByteArray& frame, Clock::time_point readyAt, const FaultHits& hits, bool stream, bool close);
    void queueNextStreamSlot(Clock::time_point readyAt);
    void queueFlood(Clock::time_point readyAt);
    void dropStream();
    QByteArray composeReply(const QByteArray& payload) const;
    void record(SimFrameRecord::Direction direction, const QByteArray& text, bool valid, Clock::time_point at);

    mutable QMutex mutex_;
    SimScenario scenario_;
    SimInstrument instrument_;
    Clock::time_point started_;
    FrameAssembler incoming_{FrameAssembler::Framing::StartRequired};
    std::deque<Pending> pending_;
    Clock::time_point lineFreeAt_{};
    std::optional<Stream> stream_;
    FaultHits streamHits_;
    QList<int> ruleUses_[5];
    int switchOffMatches_ = 0;
    bool switchedOff_ = false;
    QList<SimFrameRecord> log_;
    QFile logFile_;
    Clock::time_point virtualNow_;
};
