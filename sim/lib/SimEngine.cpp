#include "SimEngine.h"

#include "link/Frame.h"
#include "link/MessageCheck.h"
#include "shell/Bits.h"
#include "shell/TextFile.h"

#include <QJsonDocument>
#include <QTime>

#include <algorithm>

namespace {

enum RuleKind { NoReply = 0, LateReply = 1, CorruptReply = 2, Garbage = 3, WrongSlot = 4 };

// The flood fault: characters of a slot message that never ends, in chunks
// at least a millisecond apart.
constexpr int FloodChunk = 1024;
constexpr auto FloodSpacing = std::chrono::milliseconds(1);

// The frame with a checksum that does not match its content.
QByteArray WithBadChecksum(const QByteArray& frame)
{
    QByteArray bad = frame;
    const int good = frame.mid(frame.size() - 3, 2).toInt(nullptr, 16);
    bad.replace(frame.size() - 3, 2, HexL((good + 1) % 128, 2).toLatin1());
    return bad;
}

} // namespace

SimEngine::SimEngine(SimScenario scenario, SimInstrument::UtcClock utcNow)
    : scenario_(std::move(scenario))
    , instrument_(scenario_, std::move(utcNow))
{
    ruleUses_[NoReply].resize(scenario_.faults.noReply.size());
    ruleUses_[LateReply].resize(scenario_.faults.lateReply.size());
    ruleUses_[CorruptReply].resize(scenario_.faults.corruptReply.size());
    ruleUses_[Garbage].resize(scenario_.faults.garbage.size());
    ruleUses_[WrongSlot].resize(scenario_.faults.wrongSlotReply.size());
}

SimEngine::~SimEngine() = default;

void SimEngine::receive(const QByteArray& bytes, Clock::time_point now)
{
    QMutexLocker lock(&mutex_);
    if (started_ == Clock::time_point{})
        started_ = now;
    // Bytes outside a frame (line noise, trailing characters) are dropped.
    incoming_.feed(bytes);
    while (const std::optional<QByteArray> frame = incoming_.next())
        handleFrame(*frame, now);
}

void SimEngine::handleFrame(const QByteArray& text, Clock::time_point now)
{
    const QByteArray payload = Frame::Payload(text);
    const bool valid = CheckFrame(text) == FrameFault::None;
    record(SimFrameRecord::Received, text, valid, now);
    if (!valid)
        return; // the instrument ignores a frame it cannot trust
    if (switchedOffAt(payload))
        return;
    if (consumeRule(NoReply, payload))
        return;

    FaultHits hits;
    hits.late = consumeRule(LateReply, payload);
    hits.garbage = consumeRule(Garbage, payload);
    hits.corrupt = consumeRule(CorruptReply, payload) != nullptr;

    const SimResponse response = instrument_.handle(answeredPayload(payload));
    // Any request ends a running stream ("C" is the one meant for it).
    dropStream();
    const auto readyAt = now + std::chrono::milliseconds(scenario_.timing.replyDelayMs + (hits.late ? hits.late->delayMs : 0));
    for (const QByteArray& reply : response.replies)
        queue(composeReply(reply), readyAt, hits, false, false);
    if (response.stream) {
        stream_ = Stream{response.stream->first, response.stream->first + response.stream->count - 1, 0, true};
        streamHits_ = hits;
        queueNextStreamSlot(readyAt);
    }
}

QByteArray SimEngine::answeredPayload(const QByteArray& payload)
{
    // A single-slot read ("J01" + slot + "0001") hit by the wrong-slot fault
    // is answered as if another slot had been asked for.
    if (!payload.startsWith("J01") || payload.size() != 11 || !payload.endsWith("0001")
        || !consumeRule(WrongSlot, payload))
        return payload;
    const int slot = payload.mid(3, 4).toInt(nullptr, 16);
    const int other = slot < instrument_.slotsUsed() ? slot + 1 : slot - 1;
    return "J01" + HexL(other, 4).toLatin1() + "0001";
}

const SimFaultRule* SimEngine::consumeRule(int kind, const QByteArray& payload)
{
    const QList<SimFaultRule>* rules[] = {&scenario_.faults.noReply, &scenario_.faults.lateReply,
        &scenario_.faults.corruptReply, &scenario_.faults.garbage, &scenario_.faults.wrongSlotReply};
    const QList<SimFaultRule>& list = *rules[kind];
    for (int i = 0; i < list.size(); ++i) {
        const SimFaultRule& rule = list[i];
        if (!payload.startsWith(rule.prefix.toLatin1()) || (rule.times > 0 && ruleUses_[kind][i] >= rule.times))
            continue;
        ++ruleUses_[kind][i];
        return &rule;
    }
    return nullptr;
}

bool SimEngine::switchedOffAt(const QByteArray& payload)
{
    const std::optional<SimFaultRule>& rule = scenario_.faults.switchOff;
    if (!switchedOff_ && rule && payload.startsWith(rule->prefix.toLatin1()))
        switchedOff_ = ++switchOffMatches_ >= std::max(1, rule->times);
    return switchedOff_;
}

void SimEngine::queue(const QByteArray& frame, Clock::time_point readyAt, const FaultHits& hits, bool stream, bool close)
{
    Pending p;
    p.frame = hits.corrupt ? WithBadChecksum(frame) : frame;
    p.bytes = (hits.garbage ? hits.garbage->bytes : QByteArray()) + p.frame;
    p.stream = stream;
    p.close = close;
    // The line carries one byte in ten bit times; replies leave in order.
    auto at = std::max(readyAt, lineFreeAt_);
    if (scenario_.timing.baud > 0)
        at += std::chrono::microseconds(qint64(p.bytes.size()) * 10 * 1000000 / scenario_.timing.baud);
    p.at = at;
    lineFreeAt_ = at;
    pending_.push_back(std::move(p));
}

void SimEngine::queueNextStreamSlot(Clock::time_point readyAt)
{
    const SimFaults& faults = scenario_.faults;
    while (stream_) {
        if (faults.floodAfterSlots >= 0 && stream_->sent >= faults.floodAfterSlots) {
            queueFlood(readyAt);
            return;
        }
        if (stream_->next > stream_->last || (faults.stopStreamAfter >= 0 && stream_->sent >= faults.stopStreamAfter)) {
            stream_.reset();
            return;
        }
        const int slot = stream_->next++;
        if (faults.dropSlots.contains(slot))
            continue;
        FaultHits hits = stream_->first ? streamHits_ : FaultHits{};
        stream_->first = false;
        hits.corrupt = hits.corrupt || faults.corruptSlots.contains(slot);
        ++stream_->sent;
        const bool close = faults.closeAfterSlots >= 0 && stream_->sent >= faults.closeAfterSlots;
        const bool mute = faults.muteAfterSlots >= 0 && stream_->sent >= faults.muteAfterSlots;
        queue(composeReply(instrument_.slotPayload(slot)), readyAt, hits, true, close);
        if (close || mute)
            stream_.reset();
        switchedOff_ = switchedOff_ || mute;
        return;
    }
}

void SimEngine::queueFlood(Clock::time_point readyAt)
{
    // The start of a slot message, then its digits for ever: no end character.
    static const QByteArray digits = QByteArray("0123456789ABCDEF").repeated(FloodChunk / 16);
    Pending p;
    p.bytes = stream_->flooding ? digits : QByteArray(1, Frame::StartChar) + "GJ03" + digits;
    p.stream = true;
    stream_->flooding = true;
    auto at = std::max(readyAt, lineFreeAt_) + FloodSpacing;
    if (scenario_.timing.baud > 0)
        at += std::chrono::microseconds(qint64(p.bytes.size()) * 10 * 1000000 / scenario_.timing.baud);
    p.at = at;
    lineFreeAt_ = at;
    pending_.push_back(std::move(p));
}

void SimEngine::dropStream()
{
    const bool streamQueued = std::any_of(pending_.begin(), pending_.end(), [](const Pending& p) { return p.stream; });
    if (!stream_ && !streamQueued)
        return;
    stream_.reset();
    std::erase_if(pending_, [](const Pending& p) { return p.stream; });
    lineFreeAt_ = pending_.empty() ? Clock::time_point{} : pending_.back().at;
}

QByteArray SimEngine::composeReply(const QByteArray& payload) const
{
    QByteArray frame = ComposeMessage(payload);
    if (instrument_.band().framReplyBug && payload.startsWith("J03")) {
        // These firmware versions count the slot reply four characters short
        // and sum the checksum over that wrong length character.
        frame[1] = static_cast<char>(payload.size() + Frame::RequestOffset - 4);
        frame.replace(frame.size() - 3, 2, HexL(Frame::Checksum(frame.mid(1, payload.size() + 1)), 2).toLatin1());
    }
    return frame;
}

SimOutput SimEngine::takeDue(Clock::time_point now)
{
    QMutexLocker lock(&mutex_);
    if (started_ == Clock::time_point{})
        started_ = now;
    SimOutput out;
    while (!pending_.empty() && pending_.front().at <= now) {
        Pending p = std::move(pending_.front());
        pending_.pop_front();
        out.bytes += p.bytes;
        if (!p.frame.isEmpty())   // a flood is no frame
            record(SimFrameRecord::Sent, Frame::Body(p.frame), true, p.at);
        if (p.close) {
            out.closeConnection = true;
            pending_.clear();
            stream_.reset();
            break;
        }
        if (p.stream && stream_)
            queueNextStreamSlot(p.at + std::chrono::milliseconds(scenario_.timing.slotDelayMs));
        if (out.bytes.size() >= 4096)
            break; // let the transport write it before more is made
    }
    return out;
}

std::optional<SimEngine::Clock::time_point> SimEngine::nextDue() const
{
    QMutexLocker lock(&mutex_);
    if (pending_.empty())
        return std::nullopt;
    return pending_.front().at;
}

void SimEngine::resetLine()
{
    QMutexLocker lock(&mutex_);
    incoming_.clear();
    pending_.clear();
    stream_.reset();
    lineFreeAt_ = {};
}

QList<SimEngine::Timed> SimEngine::exchange(const QByteArray& bytes, qint64 maxMs)
{
    if (virtualNow_ == Clock::time_point{})
        virtualNow_ = Clock::time_point{} + std::chrono::hours(1);
    const auto t0 = virtualNow_;
    receive(bytes, t0);
    QList<Timed> out;
    while (const auto due = nextDue()) {
        if (*due - t0 > std::chrono::milliseconds(maxMs))
            break;
        virtualNow_ = std::max(virtualNow_, *due);
        const SimOutput o = takeDue(virtualNow_);
        out.append({std::chrono::duration_cast<std::chrono::milliseconds>(virtualNow_ - t0).count(), o.bytes,
            o.closeConnection});
    }
    return out;
}

void SimEngine::record(SimFrameRecord::Direction direction, const QByteArray& text, bool valid, Clock::time_point at)
{
    const qint64 ms = std::chrono::duration_cast<std::chrono::milliseconds>(at - started_).count();
    log_.append({direction, ms, text, valid});
    if (log_.size() > FrameLogLimit)
        log_.removeFirst(); // a simulator left running for days keeps its memory bounded
    if (logFile_.isOpen()) {
        const char* mark = direction == SimFrameRecord::Sent ? "TX" : (valid ? "RX" : "RX?");
        const QByteArray line = QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz")).toLatin1() + '\t'
            + mark + '\t' + QByteArray::number(ms) + '\t' + text + "\r\n";
        logFile_.write(line);
        logFile_.flush();
    }
}

QList<SimFrameRecord> SimEngine::frameLog() const
{
    QMutexLocker lock(&mutex_);
    return log_;
}

QList<QByteArray> SimEngine::receivedPayloads() const
{
    QMutexLocker lock(&mutex_);
    QList<QByteArray> payloads;
    for (const SimFrameRecord& r : log_)
        if (r.direction == SimFrameRecord::Received && r.valid)
            payloads.append(r.payload());
    return payloads;
}


bool SimEngine::setLogFile(const QString& path)
{
    QMutexLocker lock(&mutex_);
    logFile_.close();
    logFile_.setFileName(path);
    return logFile_.open(QIODevice::WriteOnly | QIODevice::Append);
}

QJsonObject SimEngine::stateJson() const
{
    QMutexLocker lock(&mutex_);
    return instrument_.stateJson(scenario_);
}

bool SimEngine::writeState(const QString& path, QString* error) const
{
    const QByteArray json = QJsonDocument(stateJson()).toJson();
    if (WriteFileAtomically(path, json))
        return true;
    if (error)
        *error = QStringLiteral("cannot write the state to %1").arg(path);
    return false;
}
